#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backup/FolderOps.h"
#include "platform/Clock.h"

namespace stowlark {

// What a backup run knew of what it wrote, kept beside the kept folders as
// `Backup <time>.record`: the files' own times say nothing to be trusted of
// when they came into the backup (copies and tunnelling reset them, Wine
// gives the last write for the creation), nor a clock of when a run was.
struct RunRecord {
  std::int64_t sequence = 0;          // one above every record there before it: the true order
  LocalTime at;                       // the run's start by its clock, which may be wrong
  std::string keptFolder;             // its kept folder's name, where it replaced anything
  std::vector<std::string> added;     // "account\sub\name", below the backup folder
  std::vector<std::string> replaced;  // each kept at the same path below `keptFolder`
  bool operator==(const RunRecord&) const = default;
};

// The records below `keptRoot`, in their true order. A record that is not
// whole and well formed (cut short, damaged, or made by hand on a stick) is
// no record: read within bounds, its paths relative, each part a plain name.
std::vector<RunRecord> ReadRunRecords(FileSystem& files, const std::string& keptRoot);

// Records what a run copied into `backupFolder`, keeping what it replaced in
// `keptFolder` below `keptRoot`, written whole under a name of its own after
// the run's copy. A run that wrote nothing, or a preview, records nothing.
std::optional<Failure> RecordRun(FileSystem& files, const std::string& backupFolder,
                                 const std::string& keptRoot, const std::string& keptFolder,
                                 const LocalTime& at, const CopyResult& copied, bool preview);

}  // namespace stowlark
