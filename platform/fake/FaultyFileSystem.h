#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace stowlark {

enum class Operation {
  Inspect,
  CreateFolder,
  List,
  OpenRead,
  Read,
  Create,
  Write,
  Replace,
  Remove
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
// counts every call, so a test can also tell that nothing was touched.
class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

  void Inject(Fault fault) { faults_.push_back(std::move(fault)); }
  int Calls() const { return calls_; }

  PathInfo Inspect(const std::string& path) override;
  std::error_code CreateFolder(const std::string& path) override;
  std::error_code List(const std::string& folder, std::vector<Entry>& entries) override;
  std::error_code OpenRead(const std::string& path, std::unique_ptr<FileReader>& reader) override;
  std::error_code Create(const std::string& path, std::unique_ptr<FileWriter>& writer) override;
  std::error_code Replace(const std::string& from, const std::string& to) override;
  std::error_code Remove(const std::string& path) override;

 private:
  const Fault* Find(Operation operation, const std::string& path);

  FileSystem& inner_;
  std::vector<Fault> faults_;
  int calls_ = 0;
};

}  // namespace stowlark
