#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/FileSystem.h"

namespace stowlark {

// A file is first written under this name in its target folder and then
// moved over the target in one step. No walk copies a file of this name.
inline constexpr std::string_view kPartialFileName = "~stowlark.partial";

struct Failure {
  std::string path;
  std::string reason;
  bool operator==(const Failure&) const = default;
};
using Failures = std::vector<Failure>;

struct Folder {
  std::string path;  // without a trailing separator
  bool isLink = false;
};

enum class CopyError {
  SourceIsLink = 1,
  TargetIsLink,
  TargetIsNotFolder,
  TargetIsFolder,
  NotAFolder,
  TargetInsideSource,
};
std::error_code make_error_code(CopyError error);

// Paths may end with a backslash; it is ignored.
std::error_code MakeFolder(FileSystem& files, const std::string& path);
bool FolderExists(FileSystem& files, const std::string& path);
std::error_code GetFolder(FileSystem& files, const std::string& path, Folder& folder);
// On failure `folders` keeps those listed before it.
std::error_code SubFolders(FileSystem& files, const Folder& folder, std::vector<Folder>& folders);
std::string Name(const Folder& folder);

// Puts the content of `source` directly into `destination`, which is
// created with its parents when missing. Files of the same relative path are
// replaced whole; nothing is deleted; links are never followed. Goes on past
// every failure and returns them all.
Failures Copy(FileSystem& files, const Folder& source, const std::string& destination);

}  // namespace stowlark

template <>
struct std::is_error_code_enum<stowlark::CopyError> : std::true_type {};
