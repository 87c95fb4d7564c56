#pragma once

#include <optional>
#include <string>
#include <vector>

#include "backup/FolderOps.h"
#include "backup/RunRecord.h"
#include "platform/Clock.h"

namespace stowlark {

// A backup's run: when it ran, its kept folder, `Backup <time>`, with the
// versions it replaced (empty where it replaced nothing), and what it
// recorded of what it wrote, for runs made since runs are recorded.
struct KeptRun {
  LocalTime at;
  std::string folder;
  std::optional<RunRecord> record = {};
  bool operator==(const KeptRun&) const = default;
};

// The runs of backups below `keptRoot`, in their true order: first the kept
// folders that no record names (made before runs were recorded), by the
// time their names give, then by their " (n)"; then the recorded runs, by
// their records' numbers. A time is taken so that no run stands before one
// that came earlier, whatever its clock said: none after `now`, none of the
// kept folders alone after the first recorded run, and a recorded run whose
// time is out of step with most others' is taken for the last in step
// before it.
std::vector<KeptRun> KeptBackups(FileSystem& files, const std::string& keptRoot,
                                 const LocalTime& now);

// Every file below the account folders, as "account\sub\name", sorted:
// links and the program's own temporary files left out.
std::vector<std::string> BackupFiles(FileSystem& files, const std::vector<Folder>& accounts);

// What the backup held at a time: each file's version then and where it
// goes, and the creation of the oldest version met, the start of what the
// backup holds (0 where the system keeps no such time).
struct BackupAsOf {
  std::vector<FileToCopy> files;
  std::int64_t earliest = 0;
};

// The version each file of the backup's `accounts` had at `at`, the runs
// after it being those of that time or later (a run of that very second
// began after the second did). Where a recorded run after it added the file,
// the file was not in the backup then; where one replaced it, it had the
// version that run kept. Before every recorded run the kept folders alone
// tell: the version in the first kept folder after that time that holds it,
// else the backup's own; and for a file that no record tells the coming of,
// a version that came to stand where it is (its creation time, which a
// rename keeps) only after that time was not in the backup then. A file not
// there then is left out. No file's time is asked where a record tells.
BackupAsOf VersionsAsOf(FileSystem& files, const std::vector<Folder>& accounts,
                        const std::vector<KeptRun>& kept, const LocalTime& at);

}  // namespace stowlark
