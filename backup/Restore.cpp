#include <algorithm>

#include "backup/BackupMark.h"
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
    return account.isLink || CountFiles(files, account.path, true).files > 0;
  });
}

Outcome NoBackup(const Locations& locations) {
  return {"No Backup", kStyleInformation,
          locations.restoreFrom.empty()
              ? "No backup found.\r\n" + WithoutTrailingSeparator(locations.backupPath)
              : "No backup was found in " + WithoutTrailingSeparator(locations.restoreFrom) + ".",
          RunResult::NothingToDo};
}

// The backup in a folder chosen to restore from: what Stowlark wrote, and
// nothing else. That is the folder itself, its Stowlark folder (a stick's
// top) or that one's (a place that is itself a Stowlark folder, where the
// program was unpacked), whichever holds the mark, else the first of them
// that is named Stowlark and holds an account with a file (copies made
// before the mark). No link below the folder chosen is stepped into.
std::optional<Folder> BackupIn(FileSystem& files, const Folder& chosen) {
  std::vector<Folder> candidates{chosen};
  for (Folder inside; candidates.size() < 3 &&
                      !GetFolder(files, PathIn(candidates.back().path, kCopyFolderName), inside) &&
                      !inside.isLink;) {
    candidates.push_back(inside);
  }
  for (const auto& folder : candidates) {
    if (HoldsBackupMark(files, folder.path)) return folder;
  }
  for (const auto& folder : candidates) {
    if (files.NameKey(Name(folder)) == files.NameKey(kCopyFolderName) &&
        HoldsAFile(files, BackupAccounts(files, folder))) {
      return folder;
    }
  }
  return std::nullopt;
}

// The backup a restore reads, or the outcome that tells why there is none.
std::optional<Outcome> FindBackup(FileSystem& files, const Locations& locations, Folder& backup) {
  if (locations.restoreFrom.empty()) {
    // A folder of kept versions holds no accounts, whichever road leads to it.
    if (GetFolder(files, locations.backupPath, backup) ||
        files.NameKey(Name(backup)) == files.NameKey(kCopyKeptFolderName)) {
      return NoBackup(locations);
    }
    return std::nullopt;
  }
  Folder chosen;
  if (GetFolder(files, locations.restoreFrom, chosen)) {
    return RestoreFailed("the folder to restore from cannot be found:\r\n" +
                         WithoutTrailingSeparator(locations.restoreFrom) +
                         "\r\nIf it is on a drive or share that is not connected, connect it and "
                         "try again.");
  }
  const auto found = BackupIn(files, chosen);
  if (!found) return NoBackup(locations);
  backup = *found;
  return std::nullopt;
}

}  // namespace

// What a backup writes: files lying loose beside its account folders were
// never backed up by Stowlark (the program itself, unpacked there, among
// them), and its own folders found there (kept versions, a copy made into
// the folder the program was unpacked in) are no accounts.
std::vector<Folder> BackupAccounts(FileSystem& files, const Folder& backup) {
  std::vector<Folder> accounts;
  SubFolders(files, backup, accounts);
  std::erase_if(accounts,
                [&](const Folder& account) { return IsStowlarkFolderName(files, Name(account)); });
  return accounts;
}

Outcome RestoreCommand(FileSystem& files, const Locations& locations, CopyProgress& progress) {
  if (!locations.documentsFolderKnown) {
    return RestoreFailed("your Documents folder could not be found.");
  }
  if (!locations.applicationDataFolderKnown) {
    return RestoreFailed("your Application Data folder could not be found.");
  }
  Folder backup;
  if (auto none = FindBackup(files, locations, backup)) return std::move(*none);
  // The account folders, or those the run is limited to, each of them
  // refused where a backup would refuse it.
  std::vector<Folder> accounts = BackupAccounts(files, backup);
  if (const auto missing = ChooseAccounts(files, accounts, locations.accounts)) {
    return RestoreFailed(*missing);
  }
  if (!HoldsAFile(files, accounts)) return NoBackup(locations);
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
                        KeptBackups(files, PathIn(ParentFolder(backup.path), kCopyKeptFolderName),
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
    count += CountFiles(files, source.path, true);
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
                        {kept, Name(source)}, run, locations.preview, {.fromBackup = true}));
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
