#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace stowlark {

// Passes every call to another file system; a wrapper that watches or fails
// some calls overrides only those.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

  std::string Resolve(const std::string& path) override { return inner_.Resolve(path); }
  std::string NameKey(std::string_view name) override { return inner_.NameKey(name); }
  PathInfo Inspect(const std::string& path) override { return inner_.Inspect(path); }
  std::error_code Identify(const std::string& path, FileId& id) override {
    return inner_.Identify(path, id);
  }
  std::error_code CreateFolder(const std::string& path) override {
    return inner_.CreateFolder(path);
  }
  std::error_code List(const std::string& folder, std::vector<Entry>& entries) override {
    return inner_.List(folder, entries);
  }
  std::error_code OpenRead(const std::string& path, std::unique_ptr<FileReader>& reader) override {
    return inner_.OpenRead(path, reader);
  }
  std::error_code CreateTemporary(const std::string& folder,
                                  std::unique_ptr<FileWriter>& writer) override {
    return inner_.CreateTemporary(folder, writer);
  }
  std::error_code RemoveStale(const std::string& path, bool requireMark) override {
    return inner_.RemoveStale(path, requireMark);
  }
  std::error_code Move(const std::string& from, const std::string& to) override {
    return inner_.Move(from, to);
  }
  std::error_code SetWriteTime(const std::string& path, std::int64_t lastWriteTime) override {
    return inner_.SetWriteTime(path, lastWriteTime);
  }
  std::error_code RemoveEmptyFolder(const std::string& path) override {
    return inner_.RemoveEmptyFolder(path);
  }
  bool SameWriteTime(std::int64_t a, std::int64_t b) override { return inner_.SameWriteTime(a, b); }
  std::optional<Volume> VolumeOf(const std::string& path) override { return inner_.VolumeOf(path); }
  std::vector<std::string> DriveRoots() override { return inner_.DriveRoots(); }
  std::int64_t FileTimeOf(const LocalTime& at) override { return inner_.FileTimeOf(at); }
  LocalTime LocalTimeOf(std::int64_t fileTime) override { return inner_.LocalTimeOf(fileTime); }

 protected:
  FileSystem& inner_;
};

}  // namespace stowlark
