#pragma once

#include <string>
#include <vector>

#include "backup/FolderOps.h"
#include "platform/Clock.h"

namespace stowlark {

// A backup's kept folder, `Backup <time>`: the versions that run replaced.
struct KeptRun {
  LocalTime at;
  std::string folder;
  bool operator==(const KeptRun&) const = default;
};

// The kept folders of backups below `keptRoot`, in the order of their runs:
// by the time their names give, then by their " (n)".
std::vector<KeptRun> KeptBackups(FileSystem& files, const std::string& keptRoot);

// What the backup held at a time: each file's version then and where it
// goes, how many of them are not the backup's own copy now (or are not in
// the backup then at all), and the creation of the oldest version met, the
// start of what the backup holds (0 where the system keeps no such time).
struct BackupAsOf {
  std::vector<FileToCopy> files;
  std::size_t differing = 0;
  std::vector<std::string> accountsDiffering;  // by name, in order
  std::int64_t earliest = 0;
};

// The version each file of the backup's `accounts` had at `at`: the one in
// the first kept folder of a backup made after that time (a run named for
// that very second counts, as it began after the second did) that holds it, else
// the backup's own. A version that came to stand where it is (its creation
// time, which a rename keeps) only after that time was not in the backup
// then: the file is left out.
BackupAsOf VersionsAsOf(FileSystem& files, const std::vector<Folder>& accounts,
                        const std::vector<KeptRun>& kept, const LocalTime& at);

}  // namespace stowlark
