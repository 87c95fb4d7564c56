#include "platform/win32/Win32FileSystem.h"

#include <windows.h>
// after windows.h, which it needs
#include <winnetwk.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/NtFile.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Clock.h"

namespace stowlark::win32 {
namespace {

constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// Set on every temporary file as it is created and replaced by the source's
// own attributes when it is committed. Wine keeps just these two of all
// attributes, so Windows and Wine both tell a stale temporary file by them.
constexpr DWORD kTemporaryMark = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// A read that bypasses the cache takes whole sectors into memory aligned to
// them: a page-aligned megabyte serves every sector size.
constexpr DWORD kUncachedChunk = 1 << 20;
// Last-write times count 100-nanosecond ticks.
constexpr std::int64_t kTicksASecond = 10'000'000;

bool HasTemporaryMark(DWORD attributes) {
  return (attributes & (kTemporaryMark | FILE_ATTRIBUTE_DIRECTORY)) == kTemporaryMark;
}

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

std::uint64_t Join64(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Upper case as the file system folds names, the same in every locale.
std::wstring UpperCase(std::wstring_view text) {
  std::wstring upper(text.size(), L'\0');
  const int length = static_cast<int>(text.size());
  if (length > 0) {
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), length, upper.data(), length);
  }
  return upper;
}

// A zero time is left as it is; no attributes at all must be said as "normal".
bool SetStampAndAttributes(HANDLE file, std::int64_t lastWriteTime, DWORD attributes) {
  return SetBasicInfo(file, {lastWriteTime, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL});
}

// The path by which the system reaches the folder of `path`, followed by
// the name `path` ends in: the final path of the file that name lists, for
// a name that is no link itself, whatever links, junctions, SUBST drives or
// short names lead to the folder.
std::optional<std::wstring> ListedFinalPath(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L'\\');
  std::wstring folderPath = path.substr(0, cut);
  if (folderPath.ends_with(L':')) folderPath += L'\\';
  const UniqueFile folder(
      ValidOrNull(CreateFileW(folderPath.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
  auto final = folder ? FinalPath(folder.Get()) : std::nullopt;
  if (!final) return std::nullopt;
  if (!final->ends_with(L'\\')) *final += L'\\';
  return *final + path.substr(cut + 1);
}

// Opens what stands at `path` only when it is a plain file reached by that
// very name: no folder, no reparse point, and, because Wine shows a Unix
// symbolic link as the file it points to, no file whose final path is not
// the one its folder lists it under.
UniqueFile OpenPlainFile(const std::wstring& path, DWORD access, DWORD share,
                         BY_HANDLE_FILE_INFORMATION& info, std::error_code& error) {
  UniqueFile file(ValidOrNull(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
  if (!file || !GetFileInformationByHandle(file.Get(), &info)) {
    error = LastError();
    return {};
  }
  const auto final = FinalPath(file.Get());
  const auto listed = final ? ListedFinalPath(path) : std::nullopt;
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
      (final && (!listed || UpperCase(*final) != UpperCase(*listed)))) {
    error = MakeError(ERROR_ACCESS_DENIED);
    return {};
  }
  return file;
}

std::error_code SetReadOnly(const std::wstring& path, bool readOnly) {
  BY_HANDLE_FILE_INFORMATION info;
  std::error_code error;
  const UniqueFile file =
      OpenPlainFile(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, info, error);
  if (error) return error;
  const DWORD attributes = readOnly ? info.dwFileAttributes | FILE_ATTRIBUTE_READONLY
                                    : info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
  return SetStampAndAttributes(file.Get(), 0, attributes) ? std::error_code{} : LastError();
}

class Win32Reader : public FileReader {
 public:
  Win32Reader(UniqueFile file, FileStamp stamp) : file_(std::move(file)), stamp_(stamp) {}
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    const auto request =
        static_cast<DWORD>(std::min<std::size_t>(buffer.size(), std::numeric_limits<DWORD>::max()));
    DWORD got = 0;
    if (!ReadFile(file_.Get(), buffer.data(), request, &got, nullptr)) return LastError();
    count = got;
    return {};
  }
  FileStamp Stamp() const override { return stamp_; }
  std::error_code StampNow(FileStamp& now) override { return StampOf(file_.Get(), now); }

  // Basic information and size alone: the full record costs several times
  // as much under Wine.
  static std::error_code StampOf(HANDLE file, FileStamp& stamp) {
    BasicInfo info;
    LARGE_INTEGER size;
    if (!QueryBasicInfo(file, info) || !GetFileSizeEx(file, &size)) return LastError();
    stamp = {info.lastWriteTime, info.attributes, static_cast<std::uint64_t>(size.QuadPart)};
    return {};
  }

 private:
  UniqueFile file_;
  FileStamp stamp_;
};

// Reads a file from the device, not from the cache, through a buffer of the
// alignment such reads need.
class UncachedReader : public FileReader {
 public:
  UncachedReader(UniqueFile file, FileStamp stamp)
      : file_(std::move(file)),
        stamp_(stamp),
        buffer_(static_cast<char*>(
            VirtualAlloc(nullptr, kUncachedChunk, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
  UncachedReader(const UncachedReader&) = delete;
  UncachedReader& operator=(const UncachedReader&) = delete;
  ~UncachedReader() override {
    if (buffer_ != nullptr) VirtualFree(buffer_, 0, MEM_RELEASE);
  }
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    count = 0;
    if (buffer_ == nullptr) return MakeError(ERROR_NOT_ENOUGH_MEMORY);
    if (next_ == held_) {
      DWORD got = 0;
      if (!ReadFile(file_.Get(), buffer_, kUncachedChunk, &got, nullptr)) return LastError();
      next_ = 0;
      held_ = got;
    }
    count = std::min<std::size_t>(buffer.size(), held_ - next_);
    std::copy_n(buffer_ + next_, count, buffer.data());
    next_ += static_cast<DWORD>(count);
    return {};
  }
  FileStamp Stamp() const override { return stamp_; }
  std::error_code StampNow(FileStamp& now) override {
    return Win32Reader::StampOf(file_.Get(), now);
  }

 private:
  UniqueFile file_;
  FileStamp stamp_;
  char* buffer_;
  DWORD held_ = 0;
  DWORD next_ = 0;
};

// Everything after the create goes through the one handle, so no later
// step can be turned, by a name swapped in meanwhile, onto another file.
class Win32Writer : public FileWriter {
 public:
  Win32Writer(UniqueFile file, std::wstring path)
      : file_(std::move(file)), path_(std::move(path)) {}
  ~Win32Writer() override {
    if (!file_) return;
    SetStampAndAttributes(file_.Get(), 0, 0);  // a read-only file cannot be deleted
    SetDeleteOnClose(file_.Get());
  }
  std::error_code Write(std::span<const char> data) override {
    while (!data.empty()) {
      const auto request =
          static_cast<DWORD>(std::min<std::size_t>(data.size(), std::numeric_limits<DWORD>::max()));
      DWORD put = 0;
      if (!WriteFile(file_.Get(), data.data(), request, &put, nullptr)) return LastError();
      data = data.subspan(put);
    }
    return {};
  }
  std::error_code Commit(const FileStamp& stamp, const std::string& target,
                         AtTarget there) override {
    // Windows refuses to replace a read-only file; Wine does not, so the
    // flag is lifted whenever the listing shows it, and both take one path.
    const std::wstring path = LongPath(target);
    const bool readOnly = there == AtTarget::ReadOnlyFile;
    if (readOnly) {
      if (const auto error = SetReadOnly(path, false)) return error;
    }
    if (!Rename(file_.Get(), path, there != AtTarget::Nothing)) {
      const auto error = LastError();
      if (readOnly) SetReadOnly(path, true);
      return error;
    }
    // Stamped only once in place: stamped first, the temporary file would
    // lose its mark, and a kill before the rename would leave it looking like
    // a user's file. Once in place the file is whole: a stamp that fails, as
    // a kill after the rename would leave it, only has the next run compare
    // its bytes and set its time. Where attributes cannot be set (a FAT drive
    // through Wine's FUSE), the time alone is.
    if (!SetStampAndAttributes(file_.Get(), stamp.lastWriteTime,
                               stamp.attributes & kCarriedAttributes)) {
      SetBasicInfo(file_.Get(), {stamp.lastWriteTime, 0});
    }
    file_.Reset();
    return {};
  }
  std::error_code Flush() override {
    return FlushFileBuffers(file_.Get()) ? std::error_code{} : LastError();
  }
  std::error_code OpenReadBack(std::unique_ptr<FileReader>& reader) override {
    UniqueFile file(ValidOrNull(CreateFileW(
        path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
    FileStamp stamp;
    if (!file) return LastError();
    if (const auto error = Win32Reader::StampOf(file.Get(), stamp)) return error;
    reader = std::make_unique<UncachedReader>(std::move(file), stamp);
    return {};
  }

 private:
  UniqueFile file_;
  std::wstring path_;
};

}  // namespace

std::wstring LongPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (wide.starts_with(L"\\\\?\\")) return wide;
  if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
  if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
  return wide;
}

std::string UniversalPath(const std::string& path) {
  using Function = DWORD(WINAPI*)(LPCWSTR, DWORD, LPVOID, LPDWORD);
  const auto universal = SystemFunction<Function>(L"mpr.dll", "WNetGetUniversalNameW");
  std::vector<std::uint64_t> buffer(512);
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(buffer[0]));
  if (universal == nullptr ||
      universal(Widen(path).c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size) != NO_ERROR) {
    return path;
  }
  return Narrow(reinterpret_cast<const UNIVERSAL_NAME_INFOW*>(buffer.data())->lpUniversalName);
}

std::string Win32FileSystem::Resolve(const std::string& path) {
  const std::wstring wide = Widen(path);
  std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
  full.resize(
      GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
  return full.empty() ? path : Narrow(full);
}

std::string Win32FileSystem::NameKey(std::string_view name) {
  return Narrow(UpperCase(Widen(name)));
}

PathInfo Win32FileSystem::Inspect(const std::string& path) {
  const std::wstring target = LongPath(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  bool isLink = false;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    WIN32_FIND_DATAW data;
    const UniqueFind find(ValidOrNull(FindFirstFileW(target.c_str(), &data)));
    isLink = !find || IsLinkTag(data.dwReserved0);
  }
  return {(attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File, isLink};
}

std::error_code Win32FileSystem::Identify(const std::string& path, FileId& id) {
  const UniqueFile file(
      ValidOrNull(CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.Get(), &info)) return LastError();
  id = {info.dwVolumeSerialNumber, Join64(info.nFileIndexHigh, info.nFileIndexLow)};
  return {};
}

std::error_code Win32FileSystem::CreateFolder(const std::string& path) {
  if (!CreateDirectoryW(LongPath(path).c_str(), nullptr)) return LastError();
  return {};
}

std::error_code Win32FileSystem::List(const std::string& folder, std::vector<Entry>& entries) {
  const std::wstring pattern = LongPath(folder) + L"\\*";
  WIN32_FIND_DATAW data;
  UniqueFind find(
      ValidOrNull(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH)));
  // Before Windows 7 the faster form is refused as an invalid parameter.
  if (!find && GetLastError() == ERROR_INVALID_PARAMETER) {
    find = UniqueFind(ValidOrNull(FindFirstFileW(pattern.c_str(), &data)));
  }
  if (!find) return LastError();
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const DWORD attributes = data.dwFileAttributes;
    entries.push_back(
        {Narrow(name),
         (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File,
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLinkTag(data.dwReserved0),
         (attributes & FILE_ATTRIBUTE_READONLY) != 0,
         {Ticks(data.ftLastWriteTime), attributes, Join64(data.nFileSizeHigh, data.nFileSizeLow),
          Ticks(data.ftCreationTime)},
         HasTemporaryMark(attributes)});
  } while (FindNextFileW(find.Get(), &data));
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES ? std::error_code{} : MakeError(error);
}

std::error_code Win32FileSystem::OpenRead(const std::string& path,
                                          std::unique_ptr<FileReader>& reader) {
  const std::wstring source = LongPath(path);
  const auto open = [&](DWORD flags) {
    return UniqueFile(ValidOrNull(
        CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | flags, nullptr)));
  };
  UniqueFile file = open(FILE_FLAG_OPEN_REPARSE_POINT);
  FileStamp stamp;
  if (!file) return LastError();
  if (const auto error = Win32Reader::StampOf(file.Get(), stamp)) return error;
  if (stamp.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // A cloud placeholder or a deduplicated file is read through its
    // filter; a link that appeared since the listing is not followed.
    DWORD tag = 0;
    if (!QueryReparseTag(file.Get(), tag)) return LastError();
    if (IsLinkTag(tag)) return MakeError(ERROR_CANT_ACCESS_FILE);
    file = open(0);
    if (!file) return LastError();
  }
  reader = std::make_unique<Win32Reader>(std::move(file), stamp);
  return {};
}

std::error_code Win32FileSystem::CreateTemporary(const std::string& folder,
                                                 std::unique_ptr<FileWriter>& writer) {
  const std::wstring stem = LongPath(folder) + L"\\";
  for (;;) {
    const std::wstring path = stem + Widen(TemporaryName(GetCurrentProcessId(), temporaries_++));
    // Shared for reading alone: the run reads back what it wrote.
    UniqueFile file(
        ValidOrNull(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, kTemporaryMark | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
    if (file) {
      writer = std::make_unique<Win32Writer>(std::move(file), path);
      return {};
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      return LastError();
    }
  }
}

std::error_code Win32FileSystem::RemoveStale(const std::string& path, bool requireMark) {
  BY_HANDLE_FILE_INFORMATION info;
  std::error_code error;
  // Without sharing, the open fails while anybody else holds the file.
  const UniqueFile file = OpenPlainFile(
      LongPath(path), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, info, error);
  if (error) return error;
  if (requireMark && !HasTemporaryMark(info.dwFileAttributes)) {
    return MakeError(ERROR_ACCESS_DENIED);
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetStampAndAttributes(file.Get(), 0, 0);
  return SetDeleteOnClose(file.Get()) ? std::error_code{} : LastError();
}

std::error_code Win32FileSystem::Move(const std::string& from, const std::string& to) {
  BY_HANDLE_FILE_INFORMATION info;
  std::error_code error;
  const UniqueFile file =
      OpenPlainFile(LongPath(from), DELETE | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, info, error);
  if (error) return error;
  if (Rename(file.Get(), LongPath(to), false)) return {};
  const DWORD code = GetLastError();
  if (code == ERROR_NOT_SAME_DEVICE) return std::make_error_code(std::errc::cross_device_link);
  return MakeError(code);
}

std::error_code Win32FileSystem::SetWriteTime(const std::string& path, std::int64_t lastWriteTime) {
  BY_HANDLE_FILE_INFORMATION info;
  std::error_code error;
  // Writing attributes is not subject to sharing, so a file that another
  // program holds open takes its time all the same.
  const UniqueFile file =
      OpenPlainFile(LongPath(path), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, info, error);
  if (error) return error;
  return SetBasicInfo(file.Get(), {lastWriteTime, 0}) ? std::error_code{} : LastError();
}

std::error_code Win32FileSystem::RemoveEmptyFolder(const std::string& path) {
  if (!RemoveDirectoryW(LongPath(path).c_str())) return LastError();
  return {};
}

bool Win32FileSystem::SameWriteTime(std::int64_t a, std::int64_t b) {
  return SameWriteTimeIn(a, b, kTicksASecond);
}

// A volume mounted in a folder has that folder for its root; where none is
// mounted there now, the folder's own volume is the answer. An existing
// folder reached through a link or junction is on the volume the link leads
// to: that is where what is written there would be.
std::optional<Volume> Win32FileSystem::VolumeOf(const std::string& path) {
  wchar_t root[MAX_PATH + 1];
  wchar_t holding[MAX_PATH + 1];
  wchar_t label[MAX_PATH + 1];
  wchar_t fileSystem[MAX_PATH + 1];
  DWORD serial = 0;
  const UniqueFile folder(
      ValidOrNull(CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
  const auto final = folder ? FinalPath(folder.Get()) : std::nullopt;
  const std::wstring reached = final && !final->empty() ? *final : Widen(path);
  if (!GetVolumePathNameW(Widen(path).c_str(), root, MAX_PATH + 1) ||
      !GetVolumePathNameW(reached.c_str(), holding, MAX_PATH + 1) ||
      !GetVolumeInformationW(holding, label, MAX_PATH + 1, &serial, nullptr, nullptr, fileSystem,
                             MAX_PATH + 1)) {
    return std::nullopt;
  }
  return Volume{Narrow(root), static_cast<std::uint32_t>(serial), Narrow(label), Narrow(fileSystem),
                GetDriveTypeW(holding) == DRIVE_REMOVABLE};
}

// Through the time zone's rules for that date, so that a time in summer is
// converted by summer's offset whatever the date today.
std::int64_t Win32FileSystem::FileTimeOf(const LocalTime& at) {
  const SYSTEMTIME local = SystemTimeOf(at);
  SYSTEMTIME universal;
  FILETIME time;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) ||
      !SystemTimeToFileTime(&universal, &time)) {
    return 0;
  }
  return Ticks(time);
}

LocalTime Win32FileSystem::LocalTimeOf(std::int64_t fileTime) {
  const auto ticks = static_cast<std::uint64_t>(fileTime);
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME universal;
  SYSTEMTIME local;
  if (!FileTimeToSystemTime(&time, &universal) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
    return {};
  }
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::vector<std::string> Win32FileSystem::DriveRoots() {
  std::vector<std::string> roots;
  const DWORD drives = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (drives & (1u << (letter - 'A'))) roots.push_back(std::string(1, letter) + ":\\");
  }
  return roots;
}

}  // namespace stowlark::win32
