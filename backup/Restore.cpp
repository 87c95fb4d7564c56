#include <algorithm>
#include <map>

#include "backup/BackupMark.h"
#include "backup/KeptFolder.h"
#include "backup/Outcome.h"
#include "backup/RestoreList.h"
#include "platform/MessagePort.h"

namespace stowlark {
namespace {

Outcome RestoreFailed(const std::string& reason) {
  return {"Restore", kStyleError, "Restore failed: " + reason, RunResult::NotStarted};
}

// On a new PC the backup is elsewhere: on the second place, or on a drive
// plugged in; where one is found, it is offered.
Outcome NoBackup(FileSystem& files, const Locations& locations) {
  Outcome none{"No Backup", kStyleInformation, "", RunResult::NothingToDo};
  if (!locations.restoreFrom.empty()) {
    none.prompt = "No backup was found in " + WithoutTrailingSeparator(locations.restoreFrom) + ".";
    return none;
  }
  none.prompt = "No backup found.\r\n" + WithoutTrailingSeparator(locations.backupPath);
  auto found = FindRestoreSources(files, {locations.backupPath, std::nullopt, locations.copyTo});
  std::erase_if(found,
                [](const RestoreSource& source) { return source.kind == SourceKind::ThisPc; });
  if (found.empty()) return none;
  none.prompt += "\r\n\r\n" + OfferText(found, locations.copyTo);
  none.offer = found.front();
  return none;
}

// The backup's files as a restore of its latest takes them.
std::vector<FileToCopy> LatestFiles(FileSystem& files, const std::vector<Folder>& accounts) {
  std::vector<FileToCopy> each;
  for (const auto& account : accounts) {
    for (const auto& relative : BackupFiles(files, {account})) {
      each.push_back({account.path + relative.substr(relative.find('\\')), relative});
    }
  }
  return each;
}

// Keeps of `each` the files the items name, a folder standing for all
// below it; the first item that names none, where one does.
std::optional<std::string> KeepChosen(FileSystem& files, std::vector<FileToCopy>& each,
                                      const std::vector<std::string>& items) {
  std::map<std::string, std::string> unmet;  // name key: the item
  std::map<std::string, std::string> chosen;
  for (const auto& item : items) {
    std::string path = item;
    std::replace(path.begin(), path.end(), '/', '\\');
    while (path.ends_with('\\')) path.pop_back();
    unmet.emplace(files.NameKey(path), item);
    chosen.emplace(files.NameKey(path), item);
  }
  std::erase_if(each, [&](const FileToCopy& file) {
    const std::string key = files.NameKey(file.relative);
    bool named = false;
    for (auto cut = key.size(); cut != std::string::npos; cut = key.rfind('\\', cut - 1)) {
      const std::string above = key.substr(0, cut);
      if (chosen.contains(above)) {
        unmet.erase(above);
        named = true;
      }
      if (cut == 0) break;
    }
    return !named;
  });
  for (const auto& item : items) {
    for (const auto& [key, unnamed] : unmet) {
      if (unnamed == item) return item;
    }
  }
  return std::nullopt;
}

// What a restore of chosen files tells: where from, how many, as of when.
std::string RestoredChosen(const CopyResult& copied, const std::string& backup,
                           const std::optional<LocalTime>& asOf) {
  const std::size_t restored = copied.added.size() + copied.kept.size();
  std::string text = "Restored ";
  text.append(std::to_string(restored)).append(restored == 1 ? " file" : " files");
  text.append(" from ").append(backup);
  if (asOf) text.append(", as it was on ").append(DateAndMinute(*asOf));
  if (copied.unchanged > 0) {
    text.append("; ").append(std::to_string(copied.unchanged));
    text.append(copied.unchanged == 1 ? " was" : " were").append(" the same here already");
  }
  return text.append(".\r\nPlease Sign-in again for the changes to take effect.");
}

// The files a restore is to write, and what they come to, each folder
// listed once.
Tally Planned(FileSystem& files, const std::vector<FileToCopy>& each) {
  Tally planned{each.size(), 0};
  FolderListings listed(files);
  for (const auto& file : each) {
    const auto cut = file.source.find_last_of('\\');
    if (const Entry* found = listed.At(file.source.substr(0, cut), file.source.substr(cut + 1))) {
      planned.bytes += found->stamp.size;
    }
  }
  return planned;
}

// The backup a restore reads, or the outcome that tells why there is none.
std::optional<Outcome> FindBackup(FileSystem& files, const Locations& locations, Folder& backup) {
  if (locations.restoreFrom.empty()) {
    // A folder of kept versions holds no accounts, whichever road leads to it.
    if (GetFolder(files, locations.backupPath, backup) ||
        files.NameKey(Name(backup)) == files.NameKey(kCopyKeptFolderName)) {
      return NoBackup(files, locations);
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
  if (!found) return NoBackup(files, locations);
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
  if (!HoldsAFile(files, accounts)) return NoBackup(files, locations);
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
  // Chosen files alone, of the latest backup or of the backup then; an
  // item it does not hold is a mistake, told before anything is written.
  std::optional<std::vector<FileToCopy>> chosen;
  if (!locations.items.empty()) {
    chosen = asOf ? std::move(asOf->files) : LatestFiles(files, sources);
    if (const auto missing = KeepChosen(files, *chosen, locations.items)) {
      return {"Restore", kStyleError, "The backup holds no " + *missing + ".",
              RunResult::NotStarted};
    }
  }
  const std::vector<FileToCopy>* each = chosen ? &*chosen : asOf ? &asOf->files : nullptr;
  Tally count;
  if (each) {
    count = Planned(files, *each);
  } else {
    for (const auto& source : sources) count += CountFiles(files, source.path, true);
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
    if (run.Stopped() || each) break;
    Append(copied, Copy(files, source, locations.messengerFolder + "\\" + Name(source),
                        {kept, Name(source)}, run, locations.preview, {.fromBackup = true}));
  }
  if (each) {
    Append(copied,
           CopyEach(files, *each, locations.messengerFolder, {kept, ""}, run, locations.preview));
  }
  const Failures& failures = copied.failures;
  const Outcome outcome =
      run.Stopped() ? StoppedOutcome("Restore", "Restored", run, failures)
      : failures.empty()
          ? Outcome{"Restore Complete.", kStyleInformation,
                    chosen ? RestoredChosen(copied, backup.path, locations.asOf)
                           : "Restore Complete \r\nPlease Sign-in again for the changes to "
                             "take effect."}
          : Outcome{"Restore", kStyleError,
                    "Restore incomplete. These items could not be restored:\r\n\r\n" +
                        ListFailures(failures) + "\r\nSign out of the messenger and try again.",
                    RunResult::Partial};
  Outcome restored = WithCopied(outcome, "restore", std::move(copied), kept.Path());
  if (asOf) restored.versions = chosen ? std::move(*chosen) : std::move(asOf->files);
  return restored;
}

}  // namespace stowlark
