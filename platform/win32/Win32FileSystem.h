#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace stowlark::win32 {

// The file system through the wide functions. Every path goes to Windows in
// its "\\?\" form, which takes each name exactly as it stands (a trailing dot
// or space included) and reaches folders nested past MAX_PATH; links are
// reported, never followed.
class Win32FileSystem : public FileSystem {
 public:
  std::string Resolve(const std::string& path) override;
  std::string NameKey(std::string_view name) override;
  PathInfo Inspect(const std::string& path) override;
  std::error_code Identify(const std::string& path, FileId& id) override;
  std::error_code CreateFolder(const std::string& path) override;
  std::error_code List(const std::string& folder, std::vector<Entry>& entries) override;
  std::error_code OpenRead(const std::string& path, std::unique_ptr<FileReader>& reader) override;
  std::error_code CreateTemporary(const std::string& folder,
                                  std::unique_ptr<FileWriter>& writer) override;
  std::error_code RemoveStale(const std::string& path, bool requireMark) override;
  std::error_code Move(const std::string& from, const std::string& to) override;
  std::error_code SetWriteTime(const std::string& path, std::int64_t lastWriteTime) override;
  std::error_code RemoveEmptyFolder(const std::string& path) override;
  bool SameWriteTime(std::int64_t a, std::int64_t b) override;
  std::optional<Volume> VolumeOf(const std::string& path) override;
  std::vector<std::string> DriveRoots() override;
  std::int64_t FileTimeOf(const LocalTime& at) override;
  LocalTime LocalTimeOf(std::int64_t fileTime) override;

 private:
  unsigned temporaries_ = 0;
};

// The "\\?\" form of a drive or UNC path, taken verbatim; anything else as it is.
std::wstring LongPath(const std::string& path);

// A full path through a mapped network letter, said by its network path
// ("\\server\share\..."), which reaches the folder without the letter;
// any other path as it is.
std::string UniversalPath(const std::string& path);

}  // namespace stowlark::win32
