#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "settings/WriteRegistry.h"

namespace stowlark {

inline constexpr std::string_view kShellFoldersKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr std::string_view kDocumentsValue = "Personal";
inline constexpr std::string_view kApplicationDataValue = "AppData";
inline constexpr std::string_view kBackupFolderSuffix = "\\Stowlark\\";
// Beside the backup folder, never in it: what a run replaces is kept here.
inline constexpr std::string_view kKeptFolderSuffix = "\\Stowlark Replaced";
inline constexpr std::string_view kMessengerFolderSuffix = "\\Microsoft\\MSN Messenger";
// The per-user folder that stays on the machine ("Local Settings\Application
// Data" on Windows XP), where the automatic backup keeps its log.
inline constexpr std::string_view kLocalApplicationDataValue = "Local AppData";
inline constexpr std::string_view kAutomaticLogFolderSuffix = "\\Stowlark";
inline constexpr std::string_view kAutomaticLogName = "\\Automatic backups.log";

// Reads one value of the shell-folder key; a read of nothing is the empty text.
std::string ReadShellFolder(WriteRegistry& registry, std::string_view valueName);

// A drive path ("C:\...") or a UNC path ("\\server\..."). Anything else,
// "Error" and the empty text included, would resolve against whatever the
// current directory happens to be, so it counts as an unknown folder.
bool IsAbsoluteWindowsPath(std::string_view path);

// One of the program's folders below a folder of the registry: that value
// resolved as Windows resolves a path that a user typed (trailing dots and
// spaces, "..", doubled separators), then the suffix.
std::string ResolvedJoin(FileSystem& files, const std::string& folder, std::string_view suffix);

// The automatic backup's log, `<Local AppData>\Stowlark\Automatic backups.log`,
// the folder as the registry names it or, where it names none that is
// absolute, as the system gives it (`systemFolder`, asked only then: asking
// may rewrite the registry's value); empty where neither does.
std::string AutomaticLogPath(FileSystem& files, WriteRegistry& registry,
                             const std::function<std::string()>& systemFolder);

}  // namespace stowlark
