#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace stowlark {

// Paths are Windows paths ("C:\a\b") in UTF-8, without a trailing separator.
// Errors carry the system's own category, so message() is the system's reason.

enum class EntryKind { Missing, File, Folder };

struct PathInfo {
  EntryKind kind = EntryKind::Missing;
  bool isLink = false;  // a symbolic link, junction or other reparse point
};

struct Entry {
  std::string name;
  EntryKind kind = EntryKind::File;
  bool isLink = false;
};

// What travels with a file besides its bytes. The meaning of the fields
// belongs to the adapter that produced them; the walks only pass them on.
struct FileStamp {
  std::int64_t lastWriteTime = 0;
  std::uint32_t attributes = 0;
};

class FileReader {
 public:
  virtual ~FileReader() = default;
  // Sets `count` to the bytes read; 0 at the end of the file.
  virtual std::error_code Read(std::span<char> buffer, std::size_t& count) = 0;
  virtual FileStamp Stamp() const = 0;
};

class FileWriter {
 public:
  virtual ~FileWriter() = default;
  virtual std::error_code Write(std::span<const char> data) = 0;
  // Applies the stamp and closes the file. A writer dropped without Finish
  // leaves an incomplete file that the caller must remove.
  virtual std::error_code Finish(const FileStamp& stamp) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual PathInfo Inspect(const std::string& path) = 0;
  // One folder, whose parent must exist; fails when it exists already.
  virtual std::error_code CreateFolder(const std::string& path) = 0;
  // On failure `entries` keeps what was listed before the failure.
  virtual std::error_code List(const std::string& folder, std::vector<Entry>& entries) = 0;
  virtual std::error_code OpenRead(const std::string& path,
                                   std::unique_ptr<FileReader>& reader) = 0;
  // Creates or truncates.
  virtual std::error_code Create(const std::string& path, std::unique_ptr<FileWriter>& writer) = 0;
  // Moves `from` over `to` in one step, a read-only `to` included; on failure
  // `to` is as it was.
  virtual std::error_code Replace(const std::string& from, const std::string& to) = 0;
  virtual std::error_code Remove(const std::string& path) = 0;
};

}  // namespace stowlark
