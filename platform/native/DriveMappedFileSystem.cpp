#include "platform/native/DriveMappedFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace stowlark {
namespace {

std::error_code LastError() { return {errno, std::system_category()}; }

std::error_code NoDrive() { return std::make_error_code(std::errc::invalid_argument); }

// Owns a file descriptor.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int Get() const { return fd_; }
  int Close() {
    const int result = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// Reads no further than the size the file had when it was opened, which
// spares the last read that would only find the end.
class NativeReader : public FileReader {
 public:
  NativeReader(int fd, FileStamp stamp, std::uint64_t size)
      : fd_(fd), stamp_(stamp), remaining_(size) {}
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    if (remaining_ == 0) {
      count = 0;
      return {};
    }
    buffer =
        buffer.first(static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining_)));
    ssize_t got;
    do {
      got = ::read(fd_.Get(), buffer.data(), buffer.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) return LastError();
    count = static_cast<std::size_t>(got);
    remaining_ = count == 0 ? 0 : remaining_ - count;
    return {};
  }
  FileStamp Stamp() const override { return stamp_; }

 private:
  Descriptor fd_;
  FileStamp stamp_;
  std::uint64_t remaining_;
};

class NativeWriter : public FileWriter {
 public:
  explicit NativeWriter(int fd) : fd_(fd) {}
  std::error_code Write(std::span<const char> data) override {
    while (!data.empty()) {
      const ssize_t put = ::write(fd_.Get(), data.data(), data.size());
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return LastError();
      data = data.subspan(static_cast<std::size_t>(put));
    }
    return {};
  }
  std::error_code Finish(const FileStamp& stamp) override {
    const timespec times[2] = {{0, UTIME_OMIT},
                               {stamp.lastWriteTime / 1'000'000'000,
                                static_cast<long>(stamp.lastWriteTime % 1'000'000'000)}};
    if (::futimens(fd_.Get(), times) != 0 || ::fchmod(fd_.Get(), stamp.attributes & 07777) != 0) {
      return LastError();
    }
    if (fd_.Close() != 0) return LastError();
    return {};
  }

 private:
  Descriptor fd_;
};

EntryKind KindOf(const struct stat& info) {
  return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::File;
}

}  // namespace

DriveMappedFileSystem::DriveMappedFileSystem(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path DriveMappedFileSystem::HostPath(const std::string& path) const {
  const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                     path[1] == ':' && path[2] == '\\';
  if (!drive) return {};
  std::string rest = path.substr(3);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  return root_ / std::string(1, static_cast<char>(std::tolower(path[0]))) / rest;
}

PathInfo DriveMappedFileSystem::Inspect(const std::string& path) {
  const auto host = HostPath(path);
  struct stat info {};
  if (host.empty() || ::lstat(host.c_str(), &info) != 0) return {};
  if (!S_ISLNK(info.st_mode)) return {KindOf(info), false};
  const bool resolves = ::stat(host.c_str(), &info) == 0;
  return {resolves ? KindOf(info) : EntryKind::File, true};
}

std::error_code DriveMappedFileSystem::CreateFolder(const std::string& path) {
  const auto host = HostPath(path);
  if (host.empty()) return NoDrive();
  return ::mkdir(host.c_str(), 0755) == 0 ? std::error_code{} : LastError();
}

std::error_code DriveMappedFileSystem::List(const std::string& folder,
                                            std::vector<Entry>& entries) {
  const auto host = HostPath(folder);
  if (host.empty()) return NoDrive();
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(host.c_str()), ::closedir);
  if (!dir) return LastError();
  errno = 0;
  while (const dirent* item = ::readdir(dir.get())) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") {
      // not entries of their own
    } else if (item->d_type == DT_DIR || item->d_type == DT_REG) {
      entries.push_back(
          {name, item->d_type == DT_DIR ? EntryKind::Folder : EntryKind::File, false});
    } else {
      const auto info = Inspect(folder + "\\" + name);
      entries.push_back({name, info.kind, info.isLink});
    }
    errno = 0;
  }
  return errno != 0 ? LastError() : std::error_code{};
}

std::error_code DriveMappedFileSystem::OpenRead(const std::string& path,
                                                std::unique_ptr<FileReader>& reader) {
  const auto host = HostPath(path);
  if (host.empty()) return NoDrive();
  const int fd = ::open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return LastError();
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const auto error = LastError();
    ::close(fd);
    return error;
  }
  const FileStamp stamp{info.st_mtim.tv_sec * 1'000'000'000 + info.st_mtim.tv_nsec,
                        static_cast<std::uint32_t>(info.st_mode & 07777)};
  reader = std::make_unique<NativeReader>(fd, stamp, static_cast<std::uint64_t>(info.st_size));
  return {};
}

std::error_code DriveMappedFileSystem::Create(const std::string& path,
                                              std::unique_ptr<FileWriter>& writer) {
  const auto host = HostPath(path);
  if (host.empty()) return NoDrive();
  const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return LastError();
  writer = std::make_unique<NativeWriter>(fd);
  return {};
}

std::error_code DriveMappedFileSystem::Replace(const std::string& from, const std::string& to) {
  const auto source = HostPath(from);
  const auto target = HostPath(to);
  if (source.empty() || target.empty()) return NoDrive();
  return ::rename(source.c_str(), target.c_str()) == 0 ? std::error_code{} : LastError();
}

std::error_code DriveMappedFileSystem::Remove(const std::string& path) {
  const auto host = HostPath(path);
  if (host.empty()) return NoDrive();
  return ::unlink(host.c_str()) == 0 ? std::error_code{} : LastError();
}

}  // namespace stowlark
