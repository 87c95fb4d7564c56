#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ForwardingFileSystem.h"

namespace stowlark {

// CreateTemporary, Write, Flush and ReadBack match the folder the temporary
// file goes in (ReadBackDiffers reads it back with its first byte changed);
// Commit matches the target it would replace; Move the file it moves.
enum class Operation {
  Inspect,
  Identify,
  CreateFolder,
  List,
  OpenRead,
  Read,
  CreateTemporary,
  Write,
  Commit,
  RemoveStale,
  Move,
  SetWriteTime,
  RemoveEmptyFolder,
  Flush,
  ReadBack,
  ReadBackDiffers
};

// Fails the chosen operation on paths ending with `pathEnding`. A Read or
// Write fault lets `afterBytes` through first; a List fault keeps the first
// `afterEntries` entries.
struct Fault {
  Operation operation;
  std::string pathEnding;
  std::error_code error;
  std::size_t afterBytes = 0;
  std::size_t afterEntries = 0;
};

// Wraps a real file system and fails chosen operations with chosen errors;
// counts every call that reaches the disk, so a test can also tell that
// nothing was touched.
class FaultyFileSystem : public ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  void Inject(Fault fault) { faults_.push_back(std::move(fault)); }
  // Runs `action` after every read of a file whose path ends so, as another
  // program writing to the file while it is copied would.
  void WhileReading(std::string pathEnding, std::function<void()> action) {
    whileReading_ = {std::move(pathEnding), std::move(action)};
  }
  // Runs `action` as each call of `operation` on a path ending so begins,
  // before any fault: a test can end the process there, as a kill would.
  void Before(Operation operation, std::string pathEnding, std::function<void()> action) {
    before_.push_back({operation, std::move(pathEnding), std::move(action)});
  }
  int Calls() const { return calls_; }

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

 private:
  const Fault* Find(Operation operation, const std::string& path);

  std::vector<Fault> faults_;
  std::pair<std::string, std::function<void()>> whileReading_;
  struct Hook {
    Operation operation;
    std::string pathEnding;
    std::function<void()> action;
  };
  std::vector<Hook> before_;
  int calls_ = 0;
};

}  // namespace stowlark
