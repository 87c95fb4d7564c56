#include <algorithm>

#include "backup/KeptFolder.h"
#include "backup/Outcome.h"
#include "platform/MessagePort.h"

namespace stowlark {
namespace {

Outcome RestoreFailed(const std::string& reason) {
  return {"Restore", kStyleError, "Restore failed: " + reason, RunResult::NotStarted};
}

// A backup folder that holds no file of the user's is no backup, whatever
// empty folders a backup stopped early or failing throughout left in it:
// restoring it would restore nothing and report success. A link in it is
// refused as a restore of that account by name refuses it.
bool HoldsABackup(FileSystem& files, const Folder& backup, const Tally& count) {
  std::vector<Entry> entries;
  // A failed listing is reported.
  if (count.files > 0 || files.List(backup.path, entries)) return true;
  return std::any_of(entries.begin(), entries.end(),
                     [](const Entry& entry) { return entry.isLink; });
}

// Where `source`, the whole backup or one account folder of it, goes below
// a folder: its name, or nothing for the whole.
std::string Below(const Folder& source, const Folder& backup) {
  return source == backup ? std::string() : Name(source);
}

std::string Below(const std::string& folder, const Folder& source, const Folder& backup) {
  // Appended, not joined with +: GCC 12 takes the inlined join for an
  // overlapping copy and refuses the optimised build.
  std::string below = folder;
  return source == backup ? below : below.append("\\").append(Name(source));
}

}  // namespace

Outcome RestoreCommand(FileSystem& files, const Locations& locations, CopyProgress& progress) {
  if (!locations.documentsFolderKnown) {
    return RestoreFailed("your Documents folder could not be found.");
  }
  if (!locations.applicationDataFolderKnown) {
    return RestoreFailed("your Application Data folder could not be found.");
  }
  const Outcome noBackup{"No Backup", kStyleInformation, "No backup found.",
                         RunResult::NothingToDo};
  Folder backup;
  if (GetFolder(files, locations.backupPath, backup)) return noBackup;
  // The whole backup, or the account folders the run is limited to, each of
  // them refused where a backup would refuse it.
  std::vector<Folder> sources{backup};
  CopyResult copied;
  if (!locations.accounts.empty()) {
    std::vector<Folder> accounts;
    SubFolders(files, backup, accounts);
    if (const auto missing = ChooseAccounts(files, accounts, locations.accounts)) {
      return RestoreFailed(*missing);
    }
    sources.clear();
    for (const auto& account : accounts) {
      const std::string target = Below(locations.messengerFolder, account, backup);
      if (auto refused = RefusedStep(account, target, files.Inspect(target))) {
        copied.failures.push_back(std::move(*refused));
      } else {
        sources.push_back(account);
      }
    }
  }
  Tally count;
  for (const auto& source : sources) {
    count += CountFiles(files, source.path);
  }
  if (copied.failures.empty() && !HoldsABackup(files, backup, count)) return noBackup;
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
    if (run.Stopped()) break;
    Append(copied, Copy(files, source, Below(locations.messengerFolder, source, backup),
                        {kept, Below(source, backup)}, run, locations.preview));
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
  return WithCopied(outcome, "restore", std::move(copied), kept.Path());
}

}  // namespace stowlark
