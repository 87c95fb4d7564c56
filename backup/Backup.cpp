#include <set>

#include "backup/Outcome.h"
#include "platform/MessagePort.h"

namespace stowlark {
namespace {

Outcome BackupFailed(const std::string& reason) {
  return {"Backup", kStyleError, "Backup failed: " + reason};
}

Outcome Incomplete(const Failures& failures) {
  return {"Backup", kStyleWarning,
          "Backup incomplete. These items could not be copied:\r\n\r\n" + ListFailures(failures)};
}

}  // namespace

Outcome BackupMessengerFolders(FileSystem& files, const Locations& locations,
                               CopyProgress& progress) {
  if (!locations.documentsFolderKnown) {
    return BackupFailed("your Documents folder could not be found.");
  }
  if (!locations.applicationDataFolderKnown) {
    return BackupFailed("your Application Data folder could not be found.");
  }
  // Checked before anything is created, so that no empty backup folder is
  // left for a later restore to take for a backup.
  Folder messenger;
  if (GetFolder(files, locations.messengerFolder, messenger)) {
    return {"Backup", kStyleWarning,
            "Nothing was backed up: there is no messenger data folder at\r\n" +
                locations.messengerFolder};
  }

  if (!FolderExists(files, locations.backupPath)) {
    if (const auto error = MakeFolder(files, locations.backupPath)) {
      return Incomplete({{locations.backupPath, error.message()}});
    }
  }
  Failures failures;
  std::set<std::string> taken;
  std::vector<Folder> accounts;
  const auto listing = SubFolders(files, messenger, accounts);
  Tally planned;
  for (const auto& account : accounts) {
    if (account.isLink) continue;
    const Tally inAccount = CountFiles(files, account.path);
    planned.files += inAccount.files;
    planned.bytes += inAccount.bytes;
  }
  CopyRun run(progress, planned);
  for (const auto& account : accounts) {
    if (run.Stopped()) return StoppedOutcome("Backup", "Backed up", run, failures);
    const std::string target = locations.backupPath + Name(account);
    // The two folders the settings name are taken as the system resolves
    // them; below them, no link is followed.
    if (account.isLink) {
      failures.push_back({account.path, make_error_code(CopyError::SourceIsLink).message()});
      continue;
    }
    if (!taken.insert(files.NameKey(Name(account))).second) {
      failures.push_back({account.path, make_error_code(CopyError::NameTaken).message()});
      continue;
    }
    if (files.Inspect(target).isLink) {
      failures.push_back({target, make_error_code(CopyError::TargetIsLink).message()});
      continue;
    }
    const auto copied = Copy(files, account, target, run);
    failures.insert(failures.end(), copied.begin(), copied.end());
  }
  if (run.Stopped()) return StoppedOutcome("Backup", "Backed up", run, failures);
  if (listing) failures.push_back({messenger.path, listing.message()});

  if (failures.empty()) return {"Backup", kStyleInformation, "Backup Complete."};
  return Incomplete(failures);
}

}  // namespace stowlark
