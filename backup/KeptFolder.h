#pragma once

#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace stowlark {

// The one rule for where a run keeps the files it replaces: a folder of its
// own below `keptFolder`, named for the run ("Backup" or "Restore") and the
// local time it started, "Restore 2026-12-07 19.46.05", so that the folders
// sort by time and every earlier version stays where an earlier run put it.
// A name that anything already stands at takes " (2)", " (3)" and so on: no
// run writes into a folder it did not make. Only the name is chosen here;
// the copy makes the folder when it keeps its first file, so a run that
// replaces nothing leaves none.
std::string KeptFolderOfRun(FileSystem& files, const std::string& keptFolder, std::string_view run,
                            const LocalTime& startedAt);

}  // namespace stowlark
