#include "platform/fake/FaultyFileSystem.h"

#include <algorithm>

namespace stowlark {
namespace {

class FaultyReader : public FileReader {
 public:
  FaultyReader(std::unique_ptr<FileReader> inner, const Fault* fault,
               std::function<void()> afterRead)
      : inner_(std::move(inner)), fault_(fault), afterRead_(std::move(afterRead)) {}
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    if (fault_ != nullptr) {
      if (passed_ >= fault_->afterBytes) return fault_->error;
      buffer = buffer.first(std::min(buffer.size(), fault_->afterBytes - passed_));
    }
    const auto error = inner_->Read(buffer, count);
    passed_ += count;
    if (afterRead_) afterRead_();
    return error;
  }
  FileStamp Stamp() const override { return inner_->Stamp(); }
  std::error_code StampNow(FileStamp& now) override { return inner_->StampNow(now); }

 private:
  std::unique_ptr<FileReader> inner_;
  const Fault* fault_;
  std::function<void()> afterRead_;
  std::size_t passed_ = 0;
};

// Reads the file back with its first byte changed, as a failing drive might.
class DifferentReader : public FileReader {
 public:
  explicit DifferentReader(std::unique_ptr<FileReader> inner) : inner_(std::move(inner)) {}
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    const auto error = inner_->Read(buffer, count);
    if (!changed_ && count > 0) buffer[0] = static_cast<char>(~buffer[0]);
    changed_ = changed_ || count > 0;
    return error;
  }
  FileStamp Stamp() const override { return inner_->Stamp(); }
  std::error_code StampNow(FileStamp& now) override { return inner_->StampNow(now); }

 private:
  std::unique_ptr<FileReader> inner_;
  bool changed_ = false;
};

class FaultyWriter : public FileWriter {
 public:
  FaultyWriter(std::unique_ptr<FileWriter> inner, const Fault* fault,
               std::function<const Fault*(const std::string&)> commitFault,
               std::function<const Fault*(Operation)> folderFault)
      : inner_(std::move(inner)),
        fault_(fault),
        commitFault_(std::move(commitFault)),
        folderFault_(std::move(folderFault)) {}
  std::error_code Write(std::span<const char> data) override {
    if (fault_ == nullptr) return inner_->Write(data);
    const std::size_t room = fault_->afterBytes - std::min(passed_, fault_->afterBytes);
    const auto allowed = data.first(std::min(data.size(), room));
    passed_ += allowed.size();
    if (const auto error = inner_->Write(allowed)) return error;
    return allowed.size() < data.size() ? fault_->error : std::error_code{};
  }
  std::error_code Commit(const FileStamp& stamp, const std::string& target,
                         AtTarget there) override {
    if (const auto* fault = commitFault_(target)) return fault->error;
    return inner_->Commit(stamp, target, there);
  }
  std::error_code Flush() override {
    if (const auto* fault = folderFault_(Operation::Flush)) return fault->error;
    return inner_->Flush();
  }
  std::error_code OpenReadBack(std::unique_ptr<FileReader>& reader) override {
    if (const auto* fault = folderFault_(Operation::ReadBack)) return fault->error;
    if (const auto error = inner_->OpenReadBack(reader)) return error;
    if (folderFault_(Operation::ReadBackDiffers)) {
      reader = std::make_unique<DifferentReader>(std::move(reader));
    }
    return {};
  }

 private:
  std::unique_ptr<FileWriter> inner_;
  const Fault* fault_;
  std::function<const Fault*(const std::string&)> commitFault_;
  std::function<const Fault*(Operation)> folderFault_;
  std::size_t passed_ = 0;
};

}  // namespace

const Fault* FaultyFileSystem::Find(Operation operation, const std::string& path) {
  ++calls_;
  for (const auto& hook : before_) {
    if (hook.operation == operation && path.ends_with(hook.pathEnding)) hook.action();
  }
  for (const auto& fault : faults_) {
    if (fault.operation == operation && path.ends_with(fault.pathEnding)) return &fault;
  }
  return nullptr;
}

PathInfo FaultyFileSystem::Inspect(const std::string& path) {
  if (Find(Operation::Inspect, path)) return {};
  return inner_.Inspect(path);
}

std::error_code FaultyFileSystem::Identify(const std::string& path, FileId& id) {
  if (const auto* fault = Find(Operation::Identify, path)) return fault->error;
  return inner_.Identify(path, id);
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
  const bool watched = whileReading_.second && path.ends_with(whileReading_.first);
  reader = std::make_unique<FaultyReader>(std::move(inner), Find(Operation::Read, path),
                                          watched ? whileReading_.second : nullptr);
  return {};
}

std::error_code FaultyFileSystem::CreateTemporary(const std::string& folder,
                                                  std::unique_ptr<FileWriter>& writer) {
  if (const auto* fault = Find(Operation::CreateTemporary, folder)) return fault->error;
  std::unique_ptr<FileWriter> inner;
  if (const auto error = inner_.CreateTemporary(folder, inner)) return error;
  writer = std::make_unique<FaultyWriter>(
      std::move(inner), Find(Operation::Write, folder),
      [this](const std::string& target) { return Find(Operation::Commit, target); },
      [this, folder](Operation operation) { return Find(operation, folder); });
  return {};
}

std::error_code FaultyFileSystem::RemoveStale(const std::string& path, bool requireMark) {
  if (const auto* fault = Find(Operation::RemoveStale, path)) return fault->error;
  return inner_.RemoveStale(path, requireMark);
}

std::error_code FaultyFileSystem::Move(const std::string& from, const std::string& to) {
  if (const auto* fault = Find(Operation::Move, from)) return fault->error;
  return inner_.Move(from, to);
}

std::error_code FaultyFileSystem::SetWriteTime(const std::string& path,
                                               std::int64_t lastWriteTime) {
  if (const auto* fault = Find(Operation::SetWriteTime, path)) return fault->error;
  return inner_.SetWriteTime(path, lastWriteTime);
}

std::error_code FaultyFileSystem::RemoveEmptyFolder(const std::string& path) {
  if (const auto* fault = Find(Operation::RemoveEmptyFolder, path)) return fault->error;
  return inner_.RemoveEmptyFolder(path);
}

}  // namespace stowlark
