#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace stowlark {

// A source tree "C:\S" of `depth` nested folders "d" with one file "f" at the
// bottom, made up as it is listed, and a target "C:\T" that only counts what
// is made in it: deeper than any real file system lets a test build.
class DeepFileSystem : public FileSystem {
 public:
  explicit DeepFileSystem(int depth) : depth_(depth) {}

  int foldersMade = 0;
  std::string fileCommitted;

  std::string Resolve(const std::string& path) override { return path; }
  std::string NameKey(std::string_view name) override { return std::string(name); }
  PathInfo Inspect(const std::string&) override { return {EntryKind::Folder, false}; }
  std::error_code Identify(const std::string& path, FileId& id) override {
    id = {static_cast<std::uint64_t>(path[3]), path.size()};
    return {};
  }
  std::error_code CreateFolder(const std::string&) override {
    ++foldersMade;
    return {};
  }
  std::error_code List(const std::string& folder, std::vector<Entry>& entries) override {
    if (folder.starts_with("C:\\T")) return {};
    const bool bottom = static_cast<int>((folder.size() - 4) / 2) == depth_;
    entries.push_back({bottom ? "f" : "d",
                       bottom ? EntryKind::File : EntryKind::Folder,
                       false,
                       false,
                       {0, 0, 1}});
    return {};
  }
  std::error_code OpenRead(const std::string&, std::unique_ptr<FileReader>& reader) override {
    reader = std::make_unique<OneByte>();
    return {};
  }
  std::error_code CreateTemporary(const std::string&,
                                  std::unique_ptr<FileWriter>& writer) override {
    writer = std::make_unique<Recorder>(fileCommitted);
    return {};
  }
  std::error_code RemoveStale(const std::string&, bool) override { return {}; }
  std::error_code Move(const std::string&, const std::string&) override { return {}; }
  std::error_code SetWriteTime(const std::string&, std::int64_t) override { return {}; }
  std::error_code RemoveEmptyFolder(const std::string&) override { return {}; }
  bool SameWriteTime(std::int64_t a, std::int64_t b) override { return a == b; }
  std::optional<Volume> VolumeOf(const std::string&) override { return std::nullopt; }
  std::vector<std::string> DriveRoots() override { return {}; }
  std::int64_t FileTimeOf(const LocalTime&) override { return 0; }
  LocalTime LocalTimeOf(std::int64_t) override { return {}; }

 private:
  struct OneByte : FileReader {
    std::error_code Read(std::span<char> buffer, std::size_t& count) override {
      count = std::exchange(left, 0);
      if (count) buffer[0] = 'x';
      return {};
    }
    FileStamp Stamp() const override { return {0, 0, 1}; }
    std::error_code StampNow(FileStamp& now) override {
      now = Stamp();
      return {};
    }
    std::size_t left = 1;
  };
  struct Recorder : FileWriter {
    explicit Recorder(std::string& committed) : committed(committed) {}
    std::error_code Write(std::span<const char>) override { return {}; }
    std::error_code Commit(const FileStamp&, const std::string& target, AtTarget) override {
      committed = target;
      return {};
    }
    std::error_code Flush() override { return {}; }
    std::error_code OpenReadBack(std::unique_ptr<FileReader>& reader) override {
      reader = std::make_unique<OneByte>();
      return {};
    }
    std::string& committed;
  };

  int depth_;
};

}  // namespace stowlark
