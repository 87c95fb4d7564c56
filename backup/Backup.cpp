#include <map>

#include "backup/BackupMark.h"
#include "backup/KeptFolder.h"
#include "backup/Outcome.h"
#include "backup/RunRecord.h"
#include "platform/MessagePort.h"

namespace stowlark {
namespace {

Outcome BackupFailed(const std::string& reason) {
  return {"Backup", kStyleError, "Backup failed: " + reason, RunResult::NotStarted};
}

Outcome Incomplete(const Failures& failures) {
  return {"Backup", kStyleWarning,
          "Backup incomplete. These items could not be copied:\r\n\r\n" + ListFailures(failures),
          RunResult::Partial};
}

// A folder of such a name would be no account to a restore, so it is not
// backed up, and the run says so rather than call the backup complete.
constexpr char kStowlarksOwnName[] =
    "Stowlark keeps its own folders under this name and a restore takes none of them for an "
    "account, so it was not backed up: rename it to have it backed up";

struct Account {
  Folder source;
  std::string target;
};

// The account folders that can be copied; each one that cannot is a failure.
std::vector<Account> PlanAccounts(FileSystem& files, const std::vector<Folder>& accounts,
                                  const std::string& backupPath, Failures& failures) {
  std::vector<Account> planned;
  std::map<std::string, std::string> taken;  // name key: the account folder planned under it
  const std::vector<FileId> holdingBackup =
      FoldersHolding(files, WithoutTrailingSeparator(backupPath));
  for (const auto& account : accounts) {
    const std::string target = backupPath + Name(account);
    // The two folders the settings name are taken as the system resolves
    // them; below them, no link is followed.
    if (IsStowlarkFolderName(files, Name(account))) {
      failures.push_back({account.path, kStowlarksOwnName});
    } else if (auto refused = RefusedStep(account, target, files.Inspect(target))) {
      failures.push_back(std::move(*refused));
    } else if (const auto [twin, first] = taken.emplace(files.NameKey(Name(account)), account.path);
               !first) {
      failures.push_back(NameTakenBy(account.path, twin->second));
    } else if (IsOneOf(files, account.path, holdingBackup)) {
      failures.push_back({target, make_error_code(CopyError::TargetInsideSource).message()});
    } else {
      planned.push_back({account, target});
    }
  }
  return planned;
}

// Made only once there is something to put in it, so that no empty backup
// folder is left for a later restore to take for a backup; a preview only
// looks whether it could be.
std::optional<std::string> MakeBackupFolder(FileSystem& files, const std::string& backupPath,
                                            bool preview) {
  if (FolderExists(files, backupPath)) return std::nullopt;
  const std::string folder = WithoutTrailingSeparator(backupPath);
  if (files.Inspect(folder).kind == EntryKind::File) {
    return "a file stands where the backup folder goes:\r\n" + folder +
           "\r\nRename or move that file, then try again.";
  }
  if (auto unreachable = Unreachable(files, ParentFolder(folder), "Documents")) {
    return unreachable;
  }
  if (preview) return std::nullopt;
  if (const auto error = MakeFolder(files, backupPath)) {
    return "the backup folder could not be made:\r\n" + folder + ": " + error.message();
  }
  return std::nullopt;
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
  Folder messenger;
  if (GetFolder(files, locations.messengerFolder, messenger)) {
    return {"Backup", kStyleWarning,
            "Nothing was backed up: there is no messenger data folder at\r\n" +
                locations.messengerFolder,
            RunResult::NothingToDo};
  }
  std::vector<Folder> accounts;
  const auto listing = SubFolders(files, messenger, accounts);
  if (accounts.empty() && !listing) {
    return {"Backup", kStyleWarning,
            "Nothing was backed up: there is no account folder in the messenger data folder\r\n" +
                messenger.path,
            RunResult::NothingToDo};
  }
  if (const auto missing = ChooseAccounts(files, accounts, locations.accounts)) {
    return BackupFailed(*missing);
  }
  CopyResult copied;
  const std::vector<Account> planned =
      PlanAccounts(files, accounts, locations.backupPath, copied.failures);
  if (!planned.empty()) {
    if (const auto obstacle = MakeBackupFolder(files, locations.backupPath, locations.preview)) {
      return BackupFailed(*obstacle);
    }
    // Without its mark the folder is still known by its name, as copies
    // made before the mark are.
    if (!locations.preview) {
      MarkAsBackup(files, WithoutTrailingSeparator(locations.backupPath), locations.startedAt);
    }
  }
  // The place away from this disk is looked for first, so that its copy,
  // as large as the backup's, is in the plan; one refused as things stand
  // is absent for that reason.
  const auto place = !locations.copyRefused.empty()
                         ? std::optional(PlaceFound{"", locations.copyRefused,
                                                    locations.copyTo.value_or(CopyPlace{})})
                     : locations.copyTo ? std::optional(FindPlace(files, *locations.copyTo))
                                        : std::nullopt;
  Tally count;
  for (const auto& account : planned) {
    count += CountFiles(files, account.source.path);
  }
  if (place && place->absent.empty()) count += count;
  CopyRun run(progress, count);
  RunKeptFolder kept(files, locations.keptFolder, "Backup", locations.startedAt, locations.preview);
  for (const auto& account : planned) {
    if (run.Stopped()) break;
    Append(copied, Copy(files, account.source, account.target, {kept, Name({account.target})}, run,
                        locations.preview, {.intoBackup = true}));
  }
  if (auto unrecorded = RecordRun(files, locations.backupPath, locations.keptFolder, kept.Path(),
                                  locations.startedAt, copied, locations.preview)) {
    copied.failures.push_back(std::move(*unrecorded));
  }
  const Failures& failures = copied.failures;
  if (!run.Stopped() && listing) copied.failures.push_back({messenger.path, listing.message()});
  const Outcome outcome = run.Stopped() ? StoppedOutcome("Backup", "Backed up", run, failures)
                          : failures.empty()
                              ? Outcome{"Backup", kStyleInformation, "Backup Complete."}
                              : Incomplete(failures);
  Outcome backedUp = WithCopied(outcome, "backup", std::move(copied), kept.Path());
  if (!place || run.Stopped()) return backedUp;
  PlaceCopy copy = CopyToPlace(files, *place, locations.backupPath, locations.accounts,
                               locations.startedAt, run, locations.preview);
  copy.refused = !locations.copyRefused.empty();
  return WithPlaceCopy(std::move(backedUp), std::move(copy));
}

}  // namespace stowlark
