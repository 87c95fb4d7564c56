#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace stowlark::win32 {

// The file system through the wide functions. Every path goes to Windows in
// its "\\?\" form, so folders nested past MAX_PATH are reached as well, and
// reparse points are reported, never followed.
class Win32FileSystem : public FileSystem {
 public:
  PathInfo Inspect(const std::string& path) override;
  std::error_code CreateFolder(const std::string& path) override;
  std::error_code List(const std::string& folder, std::vector<Entry>& entries) override;
  std::error_code OpenRead(const std::string& path, std::unique_ptr<FileReader>& reader) override;
  std::error_code Create(const std::string& path, std::unique_ptr<FileWriter>& writer) override;
  std::error_code Replace(const std::string& from, const std::string& to) override;
  std::error_code Remove(const std::string& path) override;
};

std::wstring LongPath(const std::string& path);

}  // namespace stowlark::win32
