#pragma once

#include <filesystem>
#include <map>

#include "platform/FileSystem.h"

namespace stowlark {

// Runs the walks on real files away from Windows: "X:\a\b" lives at
// root/x/a/b. Anything that is not a drive path is refused, so a relative
// path can never land in the current directory. A drive is there while its
// folder is; as under Wine, the files ".windows-label" and ".windows-serial"
// (hexadecimal) at its top give its volume's label and serial number.
class DriveMappedFileSystem : public FileSystem {
 public:
  explicit DriveMappedFileSystem(std::filesystem::path root);

  // The file system each drive says it has, by its letter; "NTFS" if none.
  std::map<char, std::string> fileSystems;

  // The host path for a Windows path, or an empty path when it has no drive.
  std::filesystem::path HostPath(const std::string& path) const;

  // Lexical only: separators, "." and ".." as Windows folds them.
  std::string Resolve(const std::string& path) override;
  // Windows compares names without regard to case; so does this stand-in, for ASCII.
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
  std::filesystem::path root_;
  unsigned temporaries_ = 0;
};

}  // namespace stowlark
