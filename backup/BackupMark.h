#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace stowlark {

// The file at the top of each copy the program makes (the backup folder, the
// place's Stowlark folder) that tells a restore the folder is a backup, even
// once it has lost its name. A restore copies account folders alone, so the
// mark is never restored.
inline constexpr char kBackupMarkName[] = "Stowlark backup.txt";

// Writes the mark where nothing stands at its name: never through a link,
// never over a file of the user's.
std::error_code MarkAsBackup(FileSystem& files, const std::string& folder, const LocalTime& at);
bool HoldsBackupMark(FileSystem& files, const std::string& folder);

// "Stowlark" and "Stowlark Replaced", as Windows compares names: the
// program's own folders, which no backup or restore takes for an account.
bool IsStowlarkFolderName(FileSystem& files, std::string_view name);

}  // namespace stowlark
