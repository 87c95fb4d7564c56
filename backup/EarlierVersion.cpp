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
  explicit Listings(FileSystem& files) : files_(files) {}
  // The plain file at `path`, as its folder's listing shows it.
  std::optional<Entry> FileAt(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    auto& folder = folders_[path.substr(0, cut)];
    if (!folder) {
      std::vector<Entry> entries;
      files_.List(path.substr(0, cut), entries);
      folder.emplace();
      for (auto& entry : entries) folder->emplace(files_.NameKey(entry.name), std::move(entry));
    }
    const auto found = folder->find(files_.NameKey(path.substr(cut + 1)));
    if (found == folder->end() || found->second.isLink || found->second.kind != EntryKind::File ||
        IsOwnTemporary(found->second, true)) {
      return std::nullopt;
    }
    return found->second;
  }

 private:
  FileSystem& files_;
  std::map<std::string, std::optional<std::map<std::string, Entry>>> folders_;
};

// Every file below the account folders, as "account\sub\name".
std::vector<std::string> FilesOf(FileSystem& files, const std::vector<Folder>& accounts) {
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

}  // namespace

std::vector<KeptRun> KeptBackups(FileSystem& files, const std::string& keptRoot) {
  std::vector<Entry> entries;
  files.List(keptRoot, entries);
  std::vector<std::pair<int, KeptRun>> runs;
  for (const auto& entry : entries) {
    const auto at = entry.kind == EntryKind::Folder && !entry.isLink
                        ? TimeOfKeptFolder(entry.name, "Backup")
                        : std::nullopt;
    if (at) runs.push_back({TakenNumber(entry.name), {*at, keptRoot + "\\" + entry.name}});
  }
  std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) {
    return a.second.at != b.second.at ? a.second.at < b.second.at : a.first < b.first;
  });
  std::vector<KeptRun> ordered;
  for (auto& [number, run] : runs) ordered.push_back(std::move(run));
  return ordered;
}

BackupAsOf VersionsAsOf(FileSystem& files, const std::vector<Folder>& accounts,
                        const std::vector<KeptRun>& kept, const LocalTime& at) {
  BackupAsOf asOf;
  const std::int64_t until = files.FileTimeOf(at);
  // A run named for the very second asked for began in it, after its start.
  const auto after =
      std::find_if(kept.begin(), kept.end(), [&](const KeptRun& run) { return run.at >= at; });
  std::map<std::string, std::string> backupOf;  // account name: its folder
  for (const auto& account : accounts) backupOf[Name(account)] = account.path;
  Listings listings(files);
  for (const auto& relative : FilesOf(files, accounts)) {
    const auto cut = relative.find('\\');
    std::string source = backupOf[relative.substr(0, cut)] + relative.substr(cut);
    std::optional<Entry> version;
    for (auto run = after; run != kept.end() && !version; ++run) {
      if ((version = listings.FileAt(run->folder + "\\" + relative))) {
        source = run->folder + "\\" + relative;
      }
    }
    if (!version) version = listings.FileAt(source);
    if (!version) continue;
    const std::int64_t created = version->stamp.creationTime;
    if (created != 0 && (asOf.earliest == 0 || created < asOf.earliest)) asOf.earliest = created;
    const bool inBackupThen = created == 0 || created <= until;
    if (!inBackupThen || source != backupOf[relative.substr(0, cut)] + relative.substr(cut)) {
      ++asOf.differing;
      const std::string account = relative.substr(0, cut);
      if (std::find(asOf.accountsDiffering.begin(), asOf.accountsDiffering.end(), account) ==
          asOf.accountsDiffering.end()) {
        asOf.accountsDiffering.push_back(account);
      }
    }
    if (inBackupThen) asOf.files.push_back({source, relative});
  }
  return asOf;
}

}  // namespace stowlark
