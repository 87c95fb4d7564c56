#include "platform/native/DriveMappedFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

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

// Windows refuses to replace a read-only file unless its flag is lifted
// first, which the caller asks for; refusing here too keeps the walks honest.
std::error_code RefuseReadOnly(const std::filesystem::path& target, bool lifted) {
  struct stat existing {};
  if (!lifted && ::lstat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      (existing.st_mode & S_IWUSR) == 0) {
    return std::make_error_code(std::errc::permission_denied);
  }
  return {};
}

// A rename that never replaces: where the file system cannot refuse that
// itself, a hard link, which fails on anything there, then the old name gone.
std::error_code RenameNoReplace(const std::filesystem::path& from,
                                const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return LastError();
  if (::link(from.c_str(), to.c_str()) != 0) return LastError();
  return ::unlink(from.c_str()) == 0 ? std::error_code{} : LastError();
}

FileStamp StampOf(const struct stat& info) {
  return {info.st_mtim.tv_sec * 1'000'000'000 + info.st_mtim.tv_nsec,
          static_cast<std::uint32_t>(info.st_mode & 07777),
          static_cast<std::uint64_t>(info.st_size)};
}

// Reads no further than the size the file had when it was opened, which
// spares the last read that would only find the end.
class NativeReader : public FileReader {
 public:
  NativeReader(int fd, FileStamp stamp) : fd_(fd), stamp_(stamp), remaining_(stamp.size) {}
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    count = 0;
    if (remaining_ == 0) return {};
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
  std::error_code StampNow(FileStamp& now) override {
    struct stat info {};
    if (::fstat(fd_.Get(), &info) != 0) return LastError();
    now = StampOf(info);
    return {};
  }

 private:
  Descriptor fd_;
  FileStamp stamp_;
  std::uint64_t remaining_;
};

constexpr std::int64_t kNanosecondsASecond = 1'000'000'000;

class NativeWriter : public FileWriter {
 public:
  NativeWriter(int fd, std::filesystem::path path, const DriveMappedFileSystem& files)
      : fd_(fd), path_(std::move(path)), files_(files) {}
  ~NativeWriter() override {
    if (!committed_) ::unlink(path_.c_str());
  }
  std::error_code Write(std::span<const char> data) override {
    while (!data.empty()) {
      const ssize_t put = ::write(fd_.Get(), data.data(), data.size());
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return LastError();
      data = data.subspan(static_cast<std::size_t>(put));
    }
    return {};
  }
  std::error_code Commit(const FileStamp& stamp, const std::string& target,
                         AtTarget there) override {
    const timespec times[2] = {{0, UTIME_OMIT},
                               {stamp.lastWriteTime / 1'000'000'000,
                                static_cast<long>(stamp.lastWriteTime % 1'000'000'000)}};
    const auto host = files_.HostPath(target);
    if (const auto refused = RefuseReadOnly(host, there == AtTarget::ReadOnlyFile)) {
      return refused;
    }
    // Stamped only once in place, as the Windows adapter does: the mode
    // would clear the mark, and a kill before the rename would leave the
    // temporary file looking like a user's.
    if (there == AtTarget::Nothing) {
      if (const auto error = RenameNoReplace(path_, host)) return error;
    } else if (::rename(path_.c_str(), host.c_str()) != 0) {
      return LastError();
    }
    committed_ = true;
    // No attributes at all is a plain file, as on Windows.
    const mode_t mode = stamp.attributes != 0 ? stamp.attributes & 0777 : 0644;
    if (::futimens(fd_.Get(), times) != 0 || ::fchmod(fd_.Get(), mode) != 0 || fd_.Close() != 0) {
      return LastError();
    }
    return {};
  }
  std::error_code Flush() override {
    return ::fsync(fd_.Get()) == 0 ? std::error_code{} : LastError();
  }
  // The pages just flushed are dropped first, so that the read goes to the disk.
  std::error_code OpenReadBack(std::unique_ptr<FileReader>& reader) override {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) return LastError();
    if (::fstat(fd, &info) != 0) {
      const auto error = LastError();
      ::close(fd);
      return error;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    reader = std::make_unique<NativeReader>(fd, StampOf(info));
    return {};
  }

 private:
  Descriptor fd_;
  std::filesystem::path path_;
  const DriveMappedFileSystem& files_;
  bool committed_ = false;
};

std::string FirstLine(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

// The stand-in's mark on its temporary files, which no file of a user's
// carries: the sticky bit means nothing on a Linux file.
bool HasTemporaryMark(const struct stat& info) {
  return S_ISREG(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
}

EntryKind KindOf(const struct stat& info) {
  return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::File;
}

}  // namespace

DriveMappedFileSystem::DriveMappedFileSystem(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path DriveMappedFileSystem::HostPath(const std::string& path) const {
  const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                     path[1] == ':' && path[2] == '\\';
  if (!drive) return {};
  // One string, parsed once: the walks ask for thousands of these.
  std::string host = root_.native() + '/' + static_cast<char>(std::tolower(path[0])) + '/';
  for (std::size_t i = 3; i < path.size(); ++i) host += path[i] == '\\' ? '/' : path[i];
  return host;
}

std::string DriveMappedFileSystem::Resolve(const std::string& path) {
  if (HostPath(path).empty()) return path;
  std::vector<std::string> names;
  std::size_t start = 3;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    const std::string name = path.substr(start, end - start);
    if (name == ".." && !names.empty()) {
      names.pop_back();
    } else if (!name.empty() && name != "." && name != "..") {
      names.push_back(name);
    }
    start = end + 1;
  }
  std::string resolved = path.substr(0, 3);
  for (const auto& name : names) resolved += (resolved.size() > 3 ? "\\" : "") + name;
  return resolved;
}

std::string DriveMappedFileSystem::NameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

PathInfo DriveMappedFileSystem::Inspect(const std::string& path) {
  const auto host = HostPath(path);
  struct stat info {};
  if (host.empty() || ::lstat(host.c_str(), &info) != 0) return {};
  if (!S_ISLNK(info.st_mode)) return {KindOf(info), false};
  const bool resolves = ::stat(host.c_str(), &info) == 0;
  return {resolves ? KindOf(info) : EntryKind::File, true};
}

std::error_code DriveMappedFileSystem::Identify(const std::string& path, FileId& id) {
  const auto host = HostPath(path);
  struct stat info {};
  if (host.empty()) return NoDrive();
  if (::stat(host.c_str(), &info) != 0) return LastError();
  id = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  return {};
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
    struct stat info {};
    if (name == "." || name == "..") {
      // not entries of their own
    } else if (::fstatat(::dirfd(dir.get()), item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      return LastError();
    } else if (S_ISLNK(info.st_mode)) {
      entries.push_back({name, Inspect(folder + "\\" + name).kind, true, false, {}});
    } else {
      FileStamp stamp = StampOf(info);
      struct statx birth {};
      if (::statx(::dirfd(dir.get()), item->d_name, AT_SYMLINK_NOFOLLOW, STATX_BTIME, &birth) ==
              0 &&
          (birth.stx_mask & STATX_BTIME)) {
        stamp.creationTime = birth.stx_btime.tv_sec * kNanosecondsASecond + birth.stx_btime.tv_nsec;
      }
      entries.push_back({name, KindOf(info), false, (info.st_mode & S_IWUSR) == 0, stamp,
                         HasTemporaryMark(info)});
    }
    errno = 0;
  }
  return errno != 0 ? LastError() : std::error_code{};
}

std::error_code DriveMappedFileSystem::OpenRead(const std::string& path,
                                                std::unique_ptr<FileReader>& reader) {
  const auto host = HostPath(path);
  if (host.empty()) return NoDrive();
  // Reading leaves the access time alone, as Windows does by default; only the
  // file's owner may ask for that, so anyone else reads the ordinary way.
  int fd = ::open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = ::open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return LastError();
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const auto error = LastError();
    ::close(fd);
    return error;
  }
  reader = std::make_unique<NativeReader>(fd, StampOf(info));
  return {};
}

std::error_code DriveMappedFileSystem::CreateTemporary(const std::string& folder,
                                                       std::unique_ptr<FileWriter>& writer) {
  const auto host = HostPath(folder);
  if (host.empty()) return NoDrive();
  for (;;) {
    const auto path = host / TemporaryName(static_cast<unsigned long>(::getpid()), temporaries_++);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_ISVTX | S_IRUSR | S_IWUSR);
    if (fd >= 0) {
      writer = std::make_unique<NativeWriter>(fd, path, *this);
      return {};
    }
    if (errno != EEXIST) return LastError();
  }
}

std::error_code DriveMappedFileSystem::RemoveStale(const std::string& path, bool requireMark) {
  const auto host = HostPath(path);
  struct stat info {};
  if (host.empty()) return NoDrive();
  if (::lstat(host.c_str(), &info) != 0) return LastError();
  if (!S_ISREG(info.st_mode) || (requireMark && !HasTemporaryMark(info))) {
    return std::make_error_code(std::errc::operation_not_permitted);
  }
  return ::unlink(host.c_str()) == 0 ? std::error_code{} : LastError();
}

std::error_code DriveMappedFileSystem::Move(const std::string& from, const std::string& to) {
  const auto source = HostPath(from);
  const auto target = HostPath(to);
  struct stat info {};
  if (source.empty() || target.empty()) return NoDrive();
  if (::lstat(source.c_str(), &info) != 0) return LastError();
  if (!S_ISREG(info.st_mode)) return std::make_error_code(std::errc::permission_denied);
  return RenameNoReplace(source, target);
}

std::error_code DriveMappedFileSystem::SetWriteTime(const std::string& path,
                                                    std::int64_t lastWriteTime) {
  const auto host = HostPath(path);
  struct stat info {};
  if (host.empty()) return NoDrive();
  if (::lstat(host.c_str(), &info) != 0) return LastError();
  if (!S_ISREG(info.st_mode)) return std::make_error_code(std::errc::permission_denied);
  const timespec times[2] = {
      {0, UTIME_OMIT},
      {lastWriteTime / 1'000'000'000, static_cast<long>(lastWriteTime % 1'000'000'000)}};
  return ::utimensat(AT_FDCWD, host.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? std::error_code{}
                                                                              : LastError();
}

std::error_code DriveMappedFileSystem::RemoveEmptyFolder(const std::string& path) {
  const auto host = HostPath(path);
  if (host.empty()) return NoDrive();
  return ::rmdir(host.c_str()) == 0 ? std::error_code{} : LastError();
}

bool DriveMappedFileSystem::SameWriteTime(std::int64_t a, std::int64_t b) {
  return SameWriteTimeIn(a, b, kNanosecondsASecond);
}

std::optional<Volume> DriveMappedFileSystem::VolumeOf(const std::string& path) {
  if (HostPath(path).empty()) return std::nullopt;
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
  const auto drive = root_ / std::string(1, letter);
  if (!std::filesystem::is_directory(drive)) return std::nullopt;
  const std::string serial = FirstLine(drive / ".windows-serial");
  const auto named = fileSystems.find(letter);
  return Volume{std::string(1, static_cast<char>(std::toupper(letter))) + ":\\",
                serial.empty()
                    ? static_cast<std::uint32_t>(letter)
                    : static_cast<std::uint32_t>(std::strtoul(serial.c_str(), nullptr, 16)),
                FirstLine(drive / ".windows-label"),
                named == fileSystems.end() ? "NTFS" : named->second, false};
}

std::int64_t DriveMappedFileSystem::FileTimeOf(const LocalTime& at) {
  std::tm local{};
  local.tm_year = at.year - 1900;
  local.tm_mon = at.month - 1;
  local.tm_mday = at.day;
  local.tm_hour = at.hour;
  local.tm_min = at.minute;
  local.tm_sec = at.second;
  local.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&local)) * kNanosecondsASecond;
}

LocalTime DriveMappedFileSystem::LocalTimeOf(std::int64_t fileTime) {
  const std::time_t seconds = static_cast<std::time_t>(fileTime / kNanosecondsASecond);
  std::tm local{};
  ::localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::vector<std::string> DriveMappedFileSystem::DriveRoots() {
  std::vector<std::string> roots;
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    if (std::filesystem::is_directory(root_ / std::string(1, letter))) {
      roots.push_back(std::string(1, static_cast<char>(std::toupper(letter))) + ":\\");
    }
  }
  return roots;
}

}  // namespace stowlark
