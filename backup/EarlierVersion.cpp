#include "backup/EarlierVersion.h"

#include <algorithm>
#include <map>
#include <optional>

#include "backup/KeptFolder.h"

namespace stowlark {
namespace {

// The " (n)" of a kept folder's name, 1 where it has none.
int TakenNumber(const std::string& name) {
  if (!name.ends_with(')')) return 1;
  const auto open = name.rfind(" (");
  return open == std::string::npos ? 1 : std::atoi(name.c_str() + open + 2);
}

// The entries of each folder met, each folder listed once.
class Listings {
 public:
  explicit Listings(FileSystem& files) : folders_(files) {}
  // The plain file at `path`, as its folder's listing shows it.
  std::optional<Entry> FileAt(const std::string& path) {
    const Entry* found = EntryAt(path);
    if (!found || found->isLink || found->kind != EntryKind::File || IsOwnTemporary(*found, true)) {
      return std::nullopt;
    }
    return *found;
  }
  // The plain file at `relative` below `folder`, reached as a walk steps:
  // through no link, so that a kept folder leads nowhere but into itself.
  std::optional<Entry> FileBelow(const std::string& folder, const std::string& relative) {
    for (auto cut = relative.find('\\'); cut != std::string::npos;
         cut = relative.find('\\', cut + 1)) {
      const Entry* step = EntryAt(folder + "\\" + relative.substr(0, cut));
      if (!step || step->isLink || step->kind != EntryKind::Folder) return std::nullopt;
    }
    return FileAt(folder + "\\" + relative);
  }

 private:
  const Entry* EntryAt(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    return folders_.At(path.substr(0, cut), path.substr(cut + 1));
  }

  FolderListings folders_;
};

using Parts = std::vector<std::pair<const KeptRun*, bool>>;  // run, and whether it added
const Parts kNoParts;

// Seconds on the clock of runs in their true order, brought in step: none
// after `now`; the longest series of runs whose clock never went back is
// believed, the later runs where two are as long (the clock now is the one
// asked by), and every other run is taken to have run with the last believed
// one before it, or with the first believed where none was before it.
std::vector<std::int64_t> InStep(std::vector<std::int64_t> times, std::int64_t now) {
  for (auto& time : times) time = std::min(time, now);
  std::vector<std::size_t> ends;  // of the series of each length, the one ending earliest
  std::vector<std::ptrdiff_t> before(times.size(), -1);
  for (std::size_t run = 0; run < times.size(); ++run) {
    const auto longer =
        std::upper_bound(ends.begin(), ends.end(), times[run],
                         [&](std::int64_t time, std::size_t end) { return time < times[end]; });
    if (longer != ends.begin()) before[run] = static_cast<std::ptrdiff_t>(*(longer - 1));
    if (longer == ends.end()) {
      ends.push_back(run);
    } else {
      *longer = run;
    }
  }
  std::vector<bool> believed(times.size());
  for (auto run = ends.empty() ? -1 : static_cast<std::ptrdiff_t>(ends.back()); run >= 0;
       run = before[static_cast<std::size_t>(run)]) {
    believed[static_cast<std::size_t>(run)] = true;
  }
  const auto first = std::find(believed.begin(), believed.end(), true);
  std::int64_t last = first == believed.end() ? 0 : times[first - believed.begin()];
  for (std::size_t run = 0; run < times.size(); ++run) {
    if (believed[run]) {
      last = times[run];
    } else {
      times[run] = last;
    }
  }
  return times;
}

}  // namespace

std::vector<std::string> BackupFiles(FileSystem& files, const std::vector<Folder>& accounts) {
  std::vector<std::string> found;
  std::vector<std::pair<std::string, std::string>> pending;  // path, relative
  for (const auto& account : accounts) {
    if (!account.isLink) pending.emplace_back(account.path, Name(account));
  }
  while (!pending.empty()) {
    const auto [path, relative] = std::move(pending.back());
    pending.pop_back();
    std::vector<Entry> entries;
    files.List(path, entries);
    for (const auto& entry : entries) {
      if (entry.isLink || IsOwnTemporary(entry, true)) continue;
      const std::string below = relative + "\\" + entry.name;
      if (entry.kind == EntryKind::Folder) {
        pending.emplace_back(path + "\\" + entry.name, below);
      } else {
        found.push_back(below);
      }
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<KeptRun> KeptBackups(FileSystem& files, const std::string& keptRoot,
                                 const LocalTime& now) {
  std::vector<Entry> entries;
  files.List(keptRoot, entries);
  std::map<std::string, std::string> folders;  // name key: path, of plain folders alone
  for (const auto& entry : entries) {
    if (entry.kind == EntryKind::Folder && !entry.isLink) {
      folders.emplace(files.NameKey(entry.name), keptRoot + "\\" + entry.name);
    }
  }
  std::vector<KeptRun> recorded;
  std::vector<std::int64_t> times;
  for (auto& record : ReadRunRecords(files, keptRoot)) {
    const auto folder =
        record.keptFolder.empty() ? folders.end() : folders.find(files.NameKey(record.keptFolder));
    times.push_back(SecondsOf(record.at));
    recorded.push_back({record.at, folder == folders.end() ? "" : folder->second, record});
    if (folder != folders.end()) folders.erase(folder);
  }
  times = InStep(std::move(times), SecondsOf(now));
  for (std::size_t run = 0; run < recorded.size(); ++run) {
    recorded[run].at = TimeOfSeconds(times[run]);
  }
  std::vector<std::pair<int, KeptRun>> runs;
  for (const auto& [key, path] : folders) {
    const std::string name = path.substr(keptRoot.size() + 1);
    if (const auto at = TimeOfKeptFolder(name, "Backup")) {
      runs.push_back({TakenNumber(name), {*at, path}});
    }
  }
  std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) {
    return a.second.at != b.second.at ? a.second.at < b.second.at : a.first < b.first;
  });
  // Ordered by their names first, as those are all they have.
  const LocalTime latest = recorded.empty() ? now : std::min(now, recorded.front().at);
  std::vector<KeptRun> ordered;
  for (auto& [number, run] : runs) {
    run.at = std::min(run.at, latest);
    ordered.push_back(std::move(run));
  }
  ordered.insert(ordered.end(), std::make_move_iterator(recorded.begin()),
                 std::make_move_iterator(recorded.end()));
  return ordered;
}

BackupAsOf VersionsAsOf(FileSystem& files, const std::vector<Folder>& accounts,
                        const std::vector<KeptRun>& kept, const LocalTime& at) {
  BackupAsOf asOf;
  const std::int64_t until = files.FileTimeOf(at);
  const auto isAfter = [&](const KeptRun& run) { return run.at >= at; };
  const auto recorded =
      std::find_if(kept.begin(), kept.end(), [](const KeptRun& run) { return run.record; });
  const bool beforeRecords = recorded == kept.end() || isAfter(*recorded);
  // Each file's part in the recorded runs, in their order: added, or replaced.
  std::map<std::string, Parts> recordOf;
  for (auto run = recorded; run != kept.end(); ++run) {
    for (const auto& path : run->record->added) {
      recordOf[files.NameKey(path)].push_back({&*run, true});
    }
    for (const auto& path : run->record->replaced) {
      recordOf[files.NameKey(path)].push_back({&*run, false});
    }
  }
  std::map<std::string, std::string> backupOf;  // account name: its folder
  for (const auto& account : accounts) backupOf[Name(account)] = account.path;
  Listings listings(files);
  for (const auto& relative : BackupFiles(files, accounts)) {
    const auto cut = relative.find('\\');
    const std::string own = backupOf[relative.substr(0, cut)] + relative.substr(cut);
    std::string source = own;
    std::optional<Entry> version;
    const auto parts = recordOf.find(files.NameKey(relative));
    // The kept folders made before any record stand before every recorded
    // run: none of them held a file that a record says came later.
    const bool cameRecorded = parts != recordOf.end() && parts->second.front().second;
    for (auto run = kept.begin(); run != recorded && beforeRecords && !cameRecorded && !version;
         ++run) {
      if (isAfter(*run) && (version = listings.FileBelow(run->folder, relative))) {
        source = run->folder + "\\" + relative;
      }
    }
    bool inBackupThen = true;
    std::optional<std::int64_t> came;  // when a record tells it came into the backup
    for (const auto& [run, added] : parts == recordOf.end() ? kNoParts : parts->second) {
      if (added && !came) came = files.FileTimeOf(run->at);
      if (version || !inBackupThen || !isAfter(*run)) continue;
      if (added) {
        inBackupThen = false;
      } else if (!run->folder.empty() && (version = listings.FileBelow(run->folder, relative))) {
        source = run->folder + "\\" + relative;
      }
    }
    if (inBackupThen && !version) version = listings.FileAt(own);
    if (inBackupThen && !version) continue;
    // Where no record tells, the file's creation time is all there is.
    if (!came && beforeRecords) {
      came = version->stamp.creationTime;
      inBackupThen = came == 0 || came <= until;
    }
    if (came && *came != 0 && (asOf.earliest == 0 || *came < asOf.earliest)) asOf.earliest = *came;
    if (inBackupThen) asOf.files.push_back({source, relative});
  }
  return asOf;
}

}  // namespace stowlark
