#include "app/LogPath.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "backup/FolderOps.h"
#include "settings/FolderLocations.h"

namespace stowlark {
namespace {

// A path as the deepest folder above it, or itself, that exists, and the
// names below that folder that do not yet, as the system compares names.
struct Located {
  std::optional<FileId> existing;
  std::vector<std::string> missing;  // from the top down
};

Located Locate(FileSystem& files, std::string path) {
  Located located;
  for (FileId id;; path = ParentFolder(path)) {
    if (!files.Identify(path, id)) {
      located.existing = id;
      return located;
    }
    const std::string parent = ParentFolder(path);
    if (parent.empty() || parent == path) return located;
    located.missing.insert(located.missing.begin(),
                           files.NameKey(path.substr(path.find_last_of('\\') + 1)));
  }
}

// Whether `path` is `folder` or lies below it. A folder that exists is
// compared by identity, so that no other spelling or link leads past it;
// one not made yet, by the names below the folder that holds it.
bool IsOrLiesIn(FileSystem& files, const std::string& path, const std::string& folder) {
  const Located place = Locate(files, folder);
  if (!place.existing) return false;
  if (place.missing.empty()) return IsOneOf(files, folder, FoldersHolding(files, path));
  const Located log = Locate(files, path);
  return log.existing == place.existing && log.missing.size() >= place.missing.size() &&
         std::equal(place.missing.begin(), place.missing.end(), log.missing.begin());
}

// Each folder a run reads, writes or keeps in, named for a refusal.
std::vector<std::pair<std::string, std::string>> ProgramFolders(FileSystem& files,
                                                                WriteRegistry& registry) {
  std::vector<std::pair<std::string, std::string>> folders;
  const std::string documents = ReadShellFolder(registry, kDocumentsValue);
  if (IsAbsoluteWindowsPath(documents)) {
    folders.emplace_back("the backup folder", WithoutTrailingSeparator(ResolvedJoin(
                                                  files, documents, kBackupFolderSuffix)));
    folders.emplace_back("the folder of replaced files",
                         ResolvedJoin(files, documents, kKeptFolderSuffix));
  }
  const std::string applicationData = ReadShellFolder(registry, kApplicationDataValue);
  if (IsAbsoluteWindowsPath(applicationData)) {
    folders.emplace_back("the messenger's data folder",
                         ResolvedJoin(files, applicationData, kMessengerFolderSuffix));
  }
  return folders;
}

}  // namespace

std::optional<std::string> ProgramFolderHolding(FileSystem& files, WriteRegistry& registry,
                                                const std::string& path) {
  for (const auto& [what, folder] : ProgramFolders(files, registry)) {
    if (IsOrLiesIn(files, path, folder)) return what + ", " + folder;
  }
  return std::nullopt;
}

std::optional<std::string> LogPathRefusal(FileSystem& files, WriteRegistry& registry,
                                          const std::string& path) {
  const std::string resolved = WithoutTrailingSeparator(files.Resolve(path));
  std::string refused("The log file cannot be written: ");
  refused.append(path).append(": ");
  if (files.Inspect(resolved).kind == EntryKind::Folder) return refused.append("it is a folder.");
  if (const auto folder = ProgramFolderHolding(files, registry, resolved)) {
    return refused.append("it would be in ").append(*folder) + ".";
  }
  return std::nullopt;
}

}  // namespace stowlark
