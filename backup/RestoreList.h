#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "backup/EarlierVersion.h"
#include "backup/FolderOps.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/CopyPlace.h"

namespace stowlark {

// A backup that a restore can read, as the Restore dialog and the offer on a
// new PC name it: where it is, and when its last backup was made there.
enum class SourceKind { ThisPc, SecondPlace, Drive, Chosen };
struct RestoreSource {
  SourceKind kind = SourceKind::ThisPc;
  std::string folder;                   // the backup itself: "E:\Stowlark"
  std::optional<LocalTime> lastBackup;  // where it can be told
  bool operator==(const RestoreSource&) const = default;
};

// What the sources are looked for with: this PC's backup and when its last
// backup was made (the registry's record), and the second place, where one
// is set.
struct SourceSearch {
  std::string backupPath;
  std::optional<LocalTime> lastBackupHere;
  std::optional<CopyPlace> copyTo;
};

// The backups in reach, each folder once, whatever road leads to it: this
// PC's where it holds a backup, the second place's when it is connected,
// then every other drive whose root holds a Stowlark backup (as a restore
// from a chosen folder takes one), by drive letter.
std::vector<RestoreSource> FindRestoreSources(FileSystem& files, const SourceSearch& search);

// The backup a chosen folder holds (itself, its Stowlark folder or that
// one's), as a restore from it takes it; nothing where it holds none.
std::optional<RestoreSource> SourceIn(FileSystem& files, const std::string& chosen);

// The backup in a folder chosen to restore from: what Stowlark wrote, and
// nothing else. That is the folder itself, its Stowlark folder (a stick's
// top) or that one's (a place that is itself a Stowlark folder, where the
// program was unpacked), whichever holds the mark, else the first of them
// that is named Stowlark and holds an account with a file (copies made
// before the mark). No link below the folder chosen is stepped into.
std::optional<Folder> BackupIn(FileSystem& files, const Folder& chosen);
// Whether any of a backup's accounts holds a file (a link counts: a restore
// refuses it and says so).
bool HoldsAFile(FileSystem& files, const std::vector<Folder>& accounts);

// What a restore that found no backup here tells of those found elsewhere,
// the first offered: "A backup was found on E:\Stowlark, last made
// 2026-12-09 10:03."; the second place by its name where it has one. The
// window asks whether to open it; a command line tells how to.
std::string OfferText(const std::vector<RestoreSource>& found,
                      const std::optional<CopyPlace>& place);

// The earlier points in time a backup can be restored as, newest first:
// before each of its backups that kept versions, in the runs' true order.
std::vector<LocalTime> EarlierPoints(FileSystem& files, const std::string& backup,
                                     const LocalTime& now);

// One file a restore would write: its path below the backup
// ("account\folder\name"), the version it takes, that version's size and
// time, and whether it replaces a file of the messenger's folder (kept aside
// first) or adds one. Files the messenger's folder holds already, byte for
// byte, are no rows.
struct RestoreRow {
  std::string relative;
  std::string source;
  std::uint64_t size = 0;
  std::int64_t writeTime = 0;
  bool replaces = false;
  bool operator==(const RestoreRow&) const = default;
};

// Lists what restoring `backup` as it was at `asOf` (its latest where none)
// into `messengerFolder` would write, by the rules the restore itself
// follows, handing the rows over in batches as they come, in path order
// (accounts by name, a folder's files by name before its folders, each
// batch after the one before), the first as soon as it can be: for the
// latest, a folder's rows once that folder is listed. Stops early when `stop` is set.
void ListRestore(FileSystem& files, const std::string& backup, const std::optional<LocalTime>& asOf,
                 const std::string& messengerFolder, const LocalTime& now,
                 const std::function<void(std::vector<RestoreRow>)>& batch,
                 const std::atomic<bool>& stop);

// The rows as the dialog shows them, with a row for each account and each
// folder above its files, in path order; ticking one of those ticks or
// clears everything below it, and a folder is ticked while all below it is.
struct ListedRow {
  std::string text;  // "account", "account\folder", or the file's relative path
  int depth = 0;     // 0 for an account
  bool isFile = false;
  std::size_t file = 0;  // the RestoreRow's index, for a file
  bool ticked = true;
};
class RestoreSelection {
 public:
  void Add(std::vector<RestoreRow> rows);
  const std::vector<ListedRow>& Rows() const { return listed_; }
  const std::vector<RestoreRow>& Files() const { return files_; }
  // Sets the row's tick, and below or above it as it implies; the rows
  // whose ticks changed, that one too.
  std::vector<std::size_t> SetTicked(std::size_t row, bool ticked);
  // The ticked files' relative paths, for a restore of them alone.
  std::vector<std::string> TickedItems() const;
  // "Restores 1,234 files of 3 accounts; 17 replace files here, which are
  // kept aside.", or with nothing to restore, or nothing ticked, says so.
  std::string Totals() const;

 private:
  std::vector<RestoreRow> files_;
  std::vector<ListedRow> listed_;
  std::vector<std::size_t> chain_;  // the folder rows above the last row added
};

}  // namespace stowlark
