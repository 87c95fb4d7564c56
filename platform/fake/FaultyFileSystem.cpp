#include "platform/fake/FaultyFileSystem.h"

#include <algorithm>

namespace stowlark {
namespace {

class FaultyReader : public FileReader {
 public:
  FaultyReader(std::unique_ptr<FileReader> inner, const Fault* fault)
      : inner_(std::move(inner)), fault_(fault) {}
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    if (fault_ != nullptr) {
      if (passed_ >= fault_->afterBytes) return fault_->error;
      buffer = buffer.first(std::min(buffer.size(), fault_->afterBytes - passed_));
    }
    const auto error = inner_->Read(buffer, count);
    passed_ += count;
    return error;
  }
  FileStamp Stamp() const override { return inner_->Stamp(); }

 private:
  std::unique_ptr<FileReader> inner_;
  const Fault* fault_;
  std::size_t passed_ = 0;
};

class FaultyWriter : public FileWriter {
 public:
  FaultyWriter(std::unique_ptr<FileWriter> inner, const Fault* fault)
      : inner_(std::move(inner)), fault_(fault) {}
  std::error_code Write(std::span<const char> data) override {
    if (fault_ == nullptr) return inner_->Write(data);
    const std::size_t room = fault_->afterBytes - std::min(passed_, fault_->afterBytes);
    const auto allowed = data.first(std::min(data.size(), room));
    passed_ += allowed.size();
    if (const auto error = inner_->Write(allowed)) return error;
    return allowed.size() < data.size() ? fault_->error : std::error_code{};
  }
  std::error_code Finish(const FileStamp& stamp) override { return inner_->Finish(stamp); }

 private:
  std::unique_ptr<FileWriter> inner_;
  const Fault* fault_;
  std::size_t passed_ = 0;
};

}  // namespace

const Fault* FaultyFileSystem::Find(Operation operation, const std::string& path) {
  ++calls_;
  for (const auto& fault : faults_) {
    if (fault.operation == operation && path.ends_with(fault.pathEnding)) return &fault;
  }
  return nullptr;
}

PathInfo FaultyFileSystem::Inspect(const std::string& path) {
  if (Find(Operation::Inspect, path)) return {};
  return inner_.Inspect(path);
}

std::error_code FaultyFileSystem::CreateFolder(const std::string& path) {
  if (const auto* fault = Find(Operation::CreateFolder, path)) return fault->error;
  return inner_.CreateFolder(path);
}

std::error_code FaultyFileSystem::List(const std::string& folder, std::vector<Entry>& entries) {
  const auto* fault = Find(Operation::List, folder);
  const auto error = inner_.List(folder, entries);
  if (fault == nullptr) return error;
  if (entries.size() > fault->afterEntries) entries.resize(fault->afterEntries);
  return fault->error;
}

std::error_code FaultyFileSystem::OpenRead(const std::string& path,
                                           std::unique_ptr<FileReader>& reader) {
  if (const auto* fault = Find(Operation::OpenRead, path)) return fault->error;
  std::unique_ptr<FileReader> inner;
  if (const auto error = inner_.OpenRead(path, inner)) return error;
  reader = std::make_unique<FaultyReader>(std::move(inner), Find(Operation::Read, path));
  return {};
}

std::error_code FaultyFileSystem::Create(const std::string& path,
                                         std::unique_ptr<FileWriter>& writer) {
  if (const auto* fault = Find(Operation::Create, path)) return fault->error;
  std::unique_ptr<FileWriter> inner;
  if (const auto error = inner_.Create(path, inner)) return error;
  writer = std::make_unique<FaultyWriter>(std::move(inner), Find(Operation::Write, path));
  return {};
}

std::error_code FaultyFileSystem::Replace(const std::string& from, const std::string& to) {
  if (const auto* fault = Find(Operation::Replace, to)) return fault->error;
  return inner_.Replace(from, to);
}

std::error_code FaultyFileSystem::Remove(const std::string& path) {
  if (const auto* fault = Find(Operation::Remove, path)) return fault->error;
  return inner_.Remove(path);
}

}  // namespace stowlark
