#include "backup/RestoreList.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "backup/BackupMark.h"
#include "backup/Outcome.h"
#include "backup/SecondPlace.h"

namespace stowlark {
namespace {

std::string Parent(const std::string& path) {
  const auto cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string LastName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// A file a restore may write, with its version's entry.
struct Candidate {
  std::string relative;
  std::string source;
  Entry entry;
};

// The order rows are listed in, a folder's files before its folders, so
// that the first folder listed gives the first rows: "\1" before a file's
// name, "\2" before a folder's and "\1" after it.
std::string OrderKey(FileSystem& files, const std::string& relative) {
  std::string key;
  for (std::size_t from = 0;;) {
    const auto cut = relative.find('\\', from);
    if (cut == std::string::npos) return key + '\1' + files.NameKey(relative.substr(from));
    key += '\2' + files.NameKey(relative.substr(from, cut - from)) + '\1';
    from = cut + 1;
  }
}

// The backup's accounts a folder at a time, a folder's files (links and
// temporaries of its own left out) before its folders, each by name; false
// from `folder` ends the walk.
void WalkAccounts(FileSystem& files, const std::vector<Folder>& accounts,
                  const std::function<bool(const std::string& path, const std::string& relative,
                                           std::vector<Entry>& filesThere)>& folder) {
  std::vector<std::pair<std::string, std::string>> pending;  // path, relative
  for (auto account = accounts.rbegin(); account != accounts.rend(); ++account) {
    if (!account->isLink) pending.emplace_back(account->path, Name(*account));
  }
  const auto byName = [&](const Entry& a, const Entry& b) {
    return files.NameKey(a.name) < files.NameKey(b.name);
  };
  while (!pending.empty()) {
    const auto [path, relative] = std::move(pending.back());
    pending.pop_back();
    std::vector<Entry> entries;
    files.List(path, entries);
    std::erase_if(entries,
                  [](const Entry& entry) { return entry.isLink || IsOwnTemporary(entry, true); });
    std::sort(entries.begin(), entries.end(), byName);
    const auto firstFolder = std::stable_partition(
        entries.begin(), entries.end(), [](const Entry& e) { return e.kind == EntryKind::File; });
    for (auto sub = entries.rbegin(); sub.base() != firstFolder; ++sub) {
      pending.emplace_back(path + "\\" + sub->name, relative + "\\" + sub->name);
    }
    entries.erase(firstFolder, entries.end());
    if (!folder(path, relative, entries)) return;
  }
}

// What restoring each file would do to the messenger's folder, as the copy
// decides it: nothing where the target holds the same bytes, nor where a
// link or a file stands in the way, which the copy refuses.
class RowMaker {
 public:
  RowMaker(FileSystem& files, const std::string& messengerFolder, const std::atomic<bool>& stop)
      : files_(files),
        top_(WithoutTrailingSeparator(messengerFolder)),
        topThere_(files.Inspect(top_).kind == EntryKind::Folder),
        targets_(files),
        stop_(stop) {}

  // Files that all go into the folder `below` the messenger's ("acc\sub").
  std::vector<RestoreRow> Rows(const std::string& below, const std::vector<Candidate>& group) {
    std::vector<RestoreRow> rows;
    std::string folder;
    const EntryKind there = Reach(below, folder);
    if (there == EntryKind::File) return rows;  // refused, not written
    for (const auto& [relative, source, entry] : group) {
      if (stop_) break;
      const Entry* current =
          there == EntryKind::Folder ? targets_.At(folder, LastName(relative)) : nullptr;
      if (current && IsOwnTemporary(*current)) current = nullptr;  // cleared by the copy
      if (current && (current->isLink || current->kind != EntryKind::File)) continue;
      if (current && current->stamp.size == entry.stamp.size &&
          Same(source, folder + "\\" + current->name)) {
        continue;
      }
      rows.push_back(
          {relative, source, entry.stamp.size, entry.stamp.lastWriteTime, current != nullptr});
    }
    return rows;
  }

 private:
  // Steps down to `below` as the copy does: a folder there, none yet
  // (Missing), or a link or a file on the way (File).
  EntryKind Reach(const std::string& below, std::string& folder) {
    folder = top_;
    if (!topThere_) return EntryKind::Missing;
    for (std::size_t from = 0; from < below.size();) {
      const std::size_t cut = std::min(below.find('\\', from), below.size());
      const Entry* step = targets_.At(folder, below.substr(from, cut - from));
      if (!step) return EntryKind::Missing;
      if (step->isLink || step->kind != EntryKind::Folder) return EntryKind::File;
      folder += "\\" + step->name;
      from = cut + 1;
    }
    return EntryKind::Folder;
  }

  bool Same(const std::string& source, const std::string& target) {
    FileStamp ignored;
    FileStamp alsoIgnored;
    return HoldsSameBytes(
        files_, source, target, buffers_, [&](std::uint64_t) { return !stop_; }, ignored,
        alsoIgnored);
  }

  FileSystem& files_;
  std::string top_;
  bool topThere_;
  FolderListings targets_;
  const std::atomic<bool>& stop_;
  ByteBuffers buffers_;
};

// The account folders a restore of the backup would write into the
// messenger's folder, by name; those it refuses are left out.
std::vector<Folder> AccountsToRestore(FileSystem& files, const Folder& backup,
                                      const std::string& messengerFolder) {
  std::vector<Folder> accounts = BackupAccounts(files, backup);
  std::erase_if(accounts, [&](const Folder& account) {
    const std::string target = PathIn(messengerFolder, Name(account));
    return RefusedStep(account, target, files.Inspect(target)).has_value();
  });
  std::sort(accounts.begin(), accounts.end(), [&](const Folder& a, const Folder& b) {
    return files.NameKey(Name(a)) < files.NameKey(Name(b));
  });
  return accounts;
}

void ListLatest(FileSystem& files, const std::vector<Folder>& accounts, RowMaker& maker,
                const std::function<void(std::vector<RestoreRow>)>& batch,
                const std::atomic<bool>& stop) {
  WalkAccounts(
      files, accounts,
      [&](const std::string& path, const std::string& relative, std::vector<Entry>& entries) {
        std::vector<Candidate> group;
        for (auto& entry : entries) {
          group.push_back(
              {relative + "\\" + entry.name, path + "\\" + entry.name, std::move(entry)});
        }
        auto rows = maker.Rows(relative, group);
        if (!rows.empty() && !stop) batch(std::move(rows));
        return !stop;
      });
}

void ListAsOf(FileSystem& files, const std::vector<FileToCopy>& versions, RowMaker& maker,
              const std::function<void(std::vector<RestoreRow>)>& batch,
              const std::atomic<bool>& stop) {
  std::vector<std::pair<std::string, const FileToCopy*>> ordered;
  for (const auto& version : versions)
    ordered.emplace_back(OrderKey(files, version.relative), &version);
  std::sort(ordered.begin(), ordered.end());
  FolderListings sources(files);
  for (auto from = ordered.begin(); from != ordered.end() && !stop;) {
    const std::string below = Parent(from->second->relative);
    std::vector<Candidate> group;
    for (; from != ordered.end() && Parent(from->second->relative) == below; ++from) {
      const FileToCopy& version = *from->second;
      if (const Entry* entry = sources.At(Parent(version.source), LastName(version.source))) {
        group.push_back({version.relative, version.source, *entry});
      }
    }
    auto rows = maker.Rows(below, group);
    if (!rows.empty() && !stop) batch(std::move(rows));
  }
}

// The newest of the times a backup's files were last written.
std::optional<LocalTime> NewestFileTime(FileSystem& files, const Folder& backup) {
  std::int64_t newest = 0;
  for (const auto& account : BackupAccounts(files, backup)) {
    if (account.isLink) continue;
    ForEachFile(files, account.path, true,
                [&](const Entry& entry) { newest = std::max(newest, entry.stamp.lastWriteTime); });
  }
  return newest == 0 ? std::nullopt : std::optional(files.LocalTimeOf(newest));
}

// When the backup's last run was: its newest record's time, in step with
// the others', else the newest time a file of it was written. A backup
// found on a drive may come from a PC whose clock ran ahead of this one's,
// so this one's clock limits nothing.
std::optional<LocalTime> LastBackupOf(FileSystem& files, const Folder& backup) {
  const LocalTime never{kLastYear, 12, 31, 23, 59, 59};
  const auto runs =
      KeptBackups(files, PathIn(ParentFolder(backup.path), kCopyKeptFolderName), never);
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    if (run->record) return run->at;
  }
  return NewestFileTime(files, backup);
}

bool HoldsABackupWithAFile(FileSystem& files, const std::string& path, Folder& backup) {
  return !GetFolder(files, path, backup) && HoldsAFile(files, BackupAccounts(files, backup));
}

// "STICK", or "E:\Stowlark": how the user knows where a backup was found.
std::string FoundName(const RestoreSource& source, const std::optional<CopyPlace>& place) {
  if (source.kind == SourceKind::SecondPlace && place && !place->label.empty()) {
    return PlaceName(*place) + " (" + source.folder + ")";
  }
  return source.folder;
}

// "1,234". Built afresh rather than inserted in place: GCC 12 takes the
// inlined insert for an overlapping copy and refuses the optimised build.
std::string WithCommas(std::size_t number) {
  const std::string digits = std::to_string(number);
  std::string grouped;
  for (std::size_t at = 0; at < digits.size(); ++at) {
    if (at > 0 && (digits.size() - at) % 3 == 0) grouped += ',';
    grouped += digits[at];
  }
  return grouped;
}

std::string Counted(std::size_t count, const std::string& one, const std::string& many) {
  return WithCommas(count) + " " + (count == 1 ? one : many);
}

}  // namespace

bool HoldsAFile(FileSystem& files, const std::vector<Folder>& accounts) {
  return std::any_of(accounts.begin(), accounts.end(), [&](const Folder& account) {
    return account.isLink || CountFiles(files, account.path, true).files > 0;
  });
}

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

std::optional<RestoreSource> SourceIn(FileSystem& files, const std::string& chosen) {
  Folder folder;
  if (GetFolder(files, chosen, folder)) return std::nullopt;
  const auto backup = BackupIn(files, folder);
  if (!backup) return std::nullopt;
  return RestoreSource{SourceKind::Chosen, backup->path, LastBackupOf(files, *backup)};
}

std::vector<RestoreSource> FindRestoreSources(FileSystem& files, const SourceSearch& search) {
  std::vector<RestoreSource> found;
  std::vector<FileId> seen;
  const auto add = [&](RestoreSource source) {
    FileId id;
    if (files.Identify(source.folder, id) ||
        std::find(seen.begin(), seen.end(), id) != seen.end()) {
      return;
    }
    seen.push_back(id);
    found.push_back(std::move(source));
  };
  Folder backup;
  if (HoldsABackupWithAFile(files, search.backupPath, backup)) {
    add({SourceKind::ThisPc, backup.path, search.lastBackupHere});
  }
  if (search.copyTo) {
    const PlaceFound place = FindPlace(files, *search.copyTo);
    if (!place.path.empty() &&
        HoldsABackupWithAFile(files, PathIn(place.path, kCopyFolderName), backup)) {
      add({SourceKind::SecondPlace, backup.path, ParseLocalTime(search.copyTo->lastMade)});
    }
  }
  for (const auto& root : files.DriveRoots()) {
    // Floppy drives are slow and noisy to ask, and hold no backup.
    if (std::toupper(static_cast<unsigned char>(root[0])) <= 'B') continue;
    const std::string folder = PathIn(root, kCopyFolderName);
    if (GetFolder(files, folder, backup) || backup.isLink) continue;
    if (HoldsBackupMark(files, folder) || HoldsAFile(files, BackupAccounts(files, backup))) {
      add({SourceKind::Drive, backup.path, LastBackupOf(files, backup)});
    }
  }
  return found;
}

std::vector<LocalTime> EarlierPoints(FileSystem& files, const std::string& backup,
                                     const LocalTime& now) {
  const auto runs = KeptBackups(
      files, PathIn(ParentFolder(WithoutTrailingSeparator(backup)), kCopyKeptFolderName), now);
  std::vector<LocalTime> points;
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    if (!run->folder.empty()) points.push_back(run->at);  // a run that replaced nothing is none
  }
  return points;
}

void ListRestore(FileSystem& files, const std::string& backup, const std::optional<LocalTime>& asOf,
                 const std::string& messengerFolder, const LocalTime& now,
                 const std::function<void(std::vector<RestoreRow>)>& batch,
                 const std::atomic<bool>& stop) {
  Folder folder;
  if (GetFolder(files, backup, folder)) return;
  const std::vector<Folder> accounts = AccountsToRestore(files, folder, messengerFolder);
  RowMaker maker(files, messengerFolder, stop);
  if (!asOf) return ListLatest(files, accounts, maker, batch, stop);
  const auto runs = KeptBackups(files, PathIn(ParentFolder(folder.path), kCopyKeptFolderName), now);
  ListAsOf(files, VersionsAsOf(files, accounts, runs, *asOf).files, maker, batch, stop);
}

std::string OfferText(const std::vector<RestoreSource>& found,
                      const std::optional<CopyPlace>& place) {
  std::string text = found.size() == 1 ? "A backup was found on " : "Backups were found on ";
  for (const auto& source : found) {
    if (&source != &found.front()) text.append(&source == &found.back() ? "; and on " : "; on ");
    text.append(FoundName(source, place));
    if (source.lastBackup) text.append(", last made ").append(DateAndMinute(*source.lastBackup));
  }
  return text.append(".");
}

void RestoreSelection::Add(std::vector<RestoreRow> rows) {
  for (auto& row : rows) {
    std::size_t depth = 0;
    for (auto cut = row.relative.find('\\'); cut != std::string::npos;
         cut = row.relative.find('\\', cut + 1), ++depth) {
      const std::string folder = row.relative.substr(0, cut);
      if (depth < chain_.size() && listed_[chain_[depth]].text == folder) continue;
      chain_.resize(depth);
      // A folder that comes while the list is still read takes its
      // parent's tick, as anything below a folder does.
      const bool ticked = depth == 0 || listed_[chain_.back()].ticked;
      chain_.push_back(listed_.size());
      listed_.push_back({folder, static_cast<int>(depth), false, 0, ticked});
    }
    chain_.resize(depth);
    const bool ticked = depth == 0 || listed_[chain_.back()].ticked;
    listed_.push_back({row.relative, static_cast<int>(depth), true, files_.size(), ticked});
    files_.push_back(std::move(row));
  }
}

std::vector<std::size_t> RestoreSelection::SetTicked(std::size_t row, bool ticked) {
  std::vector<std::size_t> changed;
  const auto set = [&](std::size_t at, bool tick) {
    if (listed_[at].ticked == tick) return;
    listed_[at].ticked = tick;
    changed.push_back(at);
  };
  set(row, ticked);
  const int depth = listed_[row].depth;
  std::size_t end = row + 1;
  for (; end < listed_.size() && listed_[end].depth > depth; ++end) set(end, ticked);
  // Each folder above is ticked while everything below it is.
  int above = depth;
  for (std::size_t at = row; at-- > 0 && above > 0;) {
    if (listed_[at].depth >= above) continue;
    above = listed_[at].depth;
    bool all = true;
    for (std::size_t below = at + 1; below < listed_.size() && listed_[below].depth > above;
         ++below) {
      all = all && listed_[below].ticked;
    }
    set(at, all);
  }
  return changed;
}

std::vector<std::string> RestoreSelection::TickedItems() const {
  std::vector<std::string> items;
  for (const auto& row : listed_) {
    if (row.isFile && row.ticked) items.push_back(files_[row.file].relative);
  }
  return items;
}

std::string RestoreSelection::Totals() const {
  if (files_.empty()) return "Nothing to restore: the messenger's folder already holds all of it.";
  std::size_t ticked = 0;
  std::size_t replacing = 0;
  std::size_t accounts = 0;
  bool accountTicked = false;
  for (const auto& row : listed_) {
    if (row.depth == 0) accountTicked = false;
    if (!row.isFile || !row.ticked) continue;
    ++ticked;
    replacing += files_[row.file].replaces ? 1 : 0;
    accounts += accountTicked ? 0 : 1;
    accountTicked = true;
  }
  if (ticked == 0) return "Nothing is ticked to restore.";
  std::string text = "Restores " + Counted(ticked, "file", "files") + " of " +
                     Counted(accounts, "account", "accounts");
  if (replacing == 0) return text + ".";
  return text + "; " +
         (replacing == 1 ? "1 replaces a file here, which is kept aside."
                         : WithCommas(replacing) + " replace files here, which are kept aside.");
}

}  // namespace stowlark
