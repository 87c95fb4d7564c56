#include <algorithm>

#include "backup/KeptFolder.h"
#include "backup/Outcome.h"
#include "platform/MessagePort.h"

namespace stowlark {
namespace {

Outcome RestoreFailed(const std::string& reason) {
  return {"Restore", kStyleError, "Restore failed: " + reason, RunResult::NotStarted};
}

bool HoldsAFile(FileSystem& files, const std::vector<Folder>& accounts) {
  return std::any_of(accounts.begin(), accounts.end(), [&](const Folder& account) {
    return account.isLink || CountFiles(files, account.path).files > 0;
  });
}

// A folder chosen to restore from: its Stowlark folder where that holds a
// backup (a stick's top, say), else the folder itself.
std::string BackupIn(FileSystem& files, const std::string& chosen) {
  const std::string inside =
      WithoutTrailingSeparator(chosen) + (chosen.ends_with('\\') ? "" : "\\") + kCopyFolderName;
  Folder folder;
  if (!GetFolder(files, inside, folder) && HoldsAFile(files, BackupAccounts(files, folder))) {
    return inside;
  }
  return WithoutTrailingSeparator(chosen);
}

}  // namespace

// What a backup writes: files lying loose beside its account folders were
// never backed up by Stowlark (the program itself, unpacked there, among
// them), and a folder of kept versions found there is no account.
std::vector<Folder> BackupAccounts(FileSystem& files, const Folder& backup) {
  std::vector<Folder> accounts;
  SubFolders(files, backup, accounts);
  std::erase_if(accounts, [&](const Folder& account) {
    return files.NameKey(Name(account)) == files.NameKey(kCopyKeptFolderName);
  });
  return accounts;
}

Outcome RestoreCommand(FileSystem& files, const Locations& locations, CopyProgress& progress) {
  if (!locations.documentsFolderKnown) {
    return RestoreFailed("your Documents folder could not be found.");
  }
  if (!locations.applicationDataFolderKnown) {
    return RestoreFailed("your Application Data folder could not be found.");
  }
  const bool elsewhere = !locations.restoreFrom.empty();
  const std::string backupPath =
      elsewhere ? BackupIn(files, locations.restoreFrom) : locations.backupPath;
  const Outcome noBackup{"No Backup", kStyleInformation,
                         elsewhere ? "No backup was found in " + locations.restoreFrom + "."
                                   : "No backup found.\r\n" + WithoutTrailingSeparator(backupPath),
                         RunResult::NothingToDo};
  // A folder of kept versions holds no accounts, whichever road leads to it.
  Folder backup;
  if (GetFolder(files, backupPath, backup) ||
      files.NameKey(Name(backup)) == files.NameKey(kCopyKeptFolderName)) {
    return noBackup;
  }
  // The account folders, or those the run is limited to, each of them
  // refused where a backup would refuse it.
  std::vector<Folder> accounts = BackupAccounts(files, backup);
  if (const auto missing = ChooseAccounts(files, accounts, locations.accounts)) {
    return RestoreFailed(*missing);
  }
  if (!HoldsAFile(files, accounts)) return noBackup;
  CopyResult copied;
  std::vector<Folder> sources;
  for (const auto& account : accounts) {
    const std::string target = locations.messengerFolder + "\\" + Name(account);
    if (auto refused = RefusedStep(account, target, files.Inspect(target))) {
      copied.failures.push_back(std::move(*refused));
    } else {
      sources.push_back(account);
    }
  }
  // As of a time, each file's version then, from the kept folders beside
  // the backup.
  std::optional<BackupAsOf> asOf;
  if (locations.asOf) {
    asOf = VersionsAsOf(files, sources,
                        KeptBackups(files, ParentFolder(backup.path) + "\\" + kCopyKeptFolderName,
                                    locations.startedAt),
                        *locations.asOf);
    if (asOf->files.empty() && copied.failures.empty()) {
      return {"Restore", kStyleInformation,
              "The backup holds nothing from before " +
                  DateAndMinute(files.LocalTimeOf(asOf->earliest)) + ".",
              RunResult::NothingToDo};
    }
  }
  Tally count;
  for (const auto& source : sources) {
    count += CountFiles(files, source.path);
  }
  // The messenger's own folders are made when missing; the one the settings
  // name is not, since a missing one means a drive that is not there.
  const std::string applicationData = ParentFolder(ParentFolder(locations.messengerFolder));
  if (auto unreachable = Unreachable(files, applicationData, "Application Data")) {
    return RestoreFailed(*unreachable);
  }
  CopyRun run(progress, count);
  RunKeptFolder kept(files, locations.keptFolder, "Restore", locations.startedAt,
                     locations.preview);
  for (const auto& source : sources) {
    if (run.Stopped() || asOf) break;
    Append(copied, Copy(files, source, locations.messengerFolder + "\\" + Name(source),
                        {kept, Name(source)}, run, locations.preview));
  }
  if (asOf) {
    Append(copied, CopyEach(files, asOf->files, locations.messengerFolder, {kept, ""}, run,
                            locations.preview));
  }
  const Failures& failures = copied.failures;
  const Outcome outcome =
      run.Stopped() ? StoppedOutcome("Restore", "Restored", run, failures)
      : failures.empty()
          ? Outcome{"Restore Complete.", kStyleInformation,
                    "Restore Complete \r\nPlease Sign-in again for the changes to "
                    "take effect."}
          : Outcome{"Restore", kStyleError,
                    "Restore incomplete. These items could not be restored:\r\n\r\n" +
                        ListFailures(failures) + "\r\nSign out of the messenger and try again.",
                    RunResult::Partial};
  Outcome restored = WithCopied(outcome, "restore", std::move(copied), kept.Path());
  if (asOf) restored.versions = std::move(asOf->files);
  return restored;
}

}  // namespace stowlark
