#include "settings/FolderLocations.h"

namespace stowlark {

std::string ReadShellFolder(WriteRegistry& registry, std::string_view valueName) {
  // The read rewrites the key path it is given, so it gets a working copy.
  std::string keyPath(kShellFoldersKey);
  return registry.ReadRegString(keyPath, std::string(valueName)).value_or("");
}

bool IsAbsoluteWindowsPath(std::string_view path) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
  return path.starts_with("\\\\");
}

std::string ResolvedJoin(FileSystem& files, const std::string& folder, std::string_view suffix) {
  std::string resolved = files.Resolve(folder);
  if (resolved.ends_with('\\')) resolved.pop_back();
  return resolved.append(suffix);
}

std::string AutomaticLogPath(FileSystem& files, WriteRegistry& registry,
                             const std::function<std::string()>& systemFolder) {
  std::string local = ReadShellFolder(registry, kLocalApplicationDataValue);
  if (!IsAbsoluteWindowsPath(local)) local = systemFolder();
  if (!IsAbsoluteWindowsPath(local)) return {};
  return ResolvedJoin(files, local, kAutomaticLogFolderSuffix).append(kAutomaticLogName);
}

}  // namespace stowlark
