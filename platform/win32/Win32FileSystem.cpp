#include "platform/win32/Win32FileSystem.h"

#include <limits>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace stowlark::win32 {
namespace {

constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

FILETIME FileTime(std::int64_t ticks) {
  const auto value = static_cast<std::uint64_t>(ticks);
  return {static_cast<DWORD>(value & 0xFFFFFFFF), static_cast<DWORD>(value >> 32)};
}

// A read-only file cannot be replaced or deleted; this lifts the flag and
// puts it back unless the change is kept.
class WritableWhileHeld {
 public:
  explicit WritableWhileHeld(const std::wstring& path) : path_(path) {
    attributes_ = GetFileAttributesW(path.c_str());
    lifted_ = attributes_ != INVALID_FILE_ATTRIBUTES && (attributes_ & FILE_ATTRIBUTE_READONLY) &&
              SetFileAttributesW(path.c_str(), attributes_ & ~FILE_ATTRIBUTE_READONLY);
  }
  WritableWhileHeld(const WritableWhileHeld&) = delete;
  WritableWhileHeld& operator=(const WritableWhileHeld&) = delete;
  ~WritableWhileHeld() {
    if (lifted_) SetFileAttributesW(path_.c_str(), attributes_);
  }
  void Keep() { lifted_ = false; }

 private:
  std::wstring path_;
  DWORD attributes_ = INVALID_FILE_ATTRIBUTES;
  bool lifted_ = false;
};

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

 private:
  UniqueFile file_;
  FileStamp stamp_;
};

class Win32Writer : public FileWriter {
 public:
  Win32Writer(UniqueFile file, std::wstring path)
      : file_(std::move(file)), path_(std::move(path)) {}
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
  std::error_code Finish(const FileStamp& stamp) override {
    const FILETIME written = FileTime(stamp.lastWriteTime);
    if (!SetFileTime(file_.Get(), nullptr, nullptr, &written)) return LastError();
    file_.Reset();
    const DWORD attributes = stamp.attributes & kCarriedAttributes;
    if (!SetFileAttributesW(path_.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL)) {
      return LastError();
    }
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
  // GetFullPathName collapses doubled separators, which the "\\?\" form
  // would otherwise take literally.
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return wide;
  std::wstring full(needed, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr));
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

PathInfo Win32FileSystem::Inspect(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  return {(attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File,
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
}

std::error_code Win32FileSystem::CreateFolder(const std::string& path) {
  if (!CreateDirectoryW(LongPath(path).c_str(), nullptr)) return LastError();
  return {};
}

std::error_code Win32FileSystem::List(const std::string& folder, std::vector<Entry>& entries) {
  WIN32_FIND_DATAW data;
  UniqueFind find(
      ValidOrNull(FindFirstFileExW((LongPath(folder) + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH)));
  if (!find) return LastError();
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back(
        {Narrow(name),
         (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::Folder : EntryKind::File,
         (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(find.Get(), &data));
  const DWORD error = GetLastError();
  return error == ERROR_NO_MORE_FILES ? std::error_code{} : MakeError(error);
}

std::error_code Win32FileSystem::OpenRead(const std::string& path,
                                          std::unique_ptr<FileReader>& reader) {
  UniqueFile file(ValidOrNull(CreateFileW(
      LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
  if (!file) return LastError();
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.Get(), &info)) return LastError();
  reader = std::make_unique<Win32Reader>(
      std::move(file), FileStamp{Ticks(info.ftLastWriteTime), info.dwFileAttributes});
  return {};
}

std::error_code Win32FileSystem::Create(const std::string& path,
                                        std::unique_ptr<FileWriter>& writer) {
  std::wstring target = LongPath(path);
  UniqueFile file(
      ValidOrNull(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
  if (!file) return LastError();
  writer = std::make_unique<Win32Writer>(std::move(file), std::move(target));
  return {};
}

std::error_code Win32FileSystem::Replace(const std::string& from, const std::string& to) {
  const std::wstring target = LongPath(to);
  WritableWhileHeld unlocked(target);
  if (!MoveFileExW(LongPath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return LastError();
  }
  unlocked.Keep();
  return {};
}

std::error_code Win32FileSystem::Remove(const std::string& path) {
  const std::wstring target = LongPath(path);
  WritableWhileHeld unlocked(target);
  if (!DeleteFileW(target.c_str())) return LastError();
  unlocked.Keep();
  return {};
}

}  // namespace stowlark::win32
