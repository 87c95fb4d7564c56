#pragma once

#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "settings/WriteRegistry.h"

namespace stowlark {

// Why a run may not write its log at `path`, in words; nothing when it may.
// A log in the backup folder would be restored into the messenger's folder,
// one in the messenger's folder backed up, one where the backup folder goes
// would stop every backup; nor may it take the place of a folder. The
// program's folders are found from the registry as the window finds them.
std::optional<std::string> LogPathRefusal(FileSystem& files, WriteRegistry& registry,
                                          const std::string& path);

// Which of the folders a run reads, writes or keeps in `path` (resolved)
// is or lies in, by whatever road: "the backup folder, C:\Docs\Stowlark".
std::optional<std::string> ProgramFolderHolding(FileSystem& files, WriteRegistry& registry,
                                                const std::string& path);

}  // namespace stowlark
