#include "platform/win32/Win32FileSystem.h"

#include <algorithm>
#include <limits>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace stowlark::win32 {
namespace {

constexpr DWORD kCarriedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

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

// Reads no further than the size the file had when it was opened, which
// spares the last read that would only find the end.
class Win32Reader : public FileReader {
 public:
  Win32Reader(UniqueFile file, FileStamp stamp, std::uint64_t size)
      : file_(std::move(file)), stamp_(stamp), remaining_(size) {}
  std::error_code Read(std::span<char> buffer, std::size_t& count) override {
    count = 0;
    if (remaining_ == 0) return {};
    const auto request = static_cast<DWORD>(
        std::min<std::uint64_t>({buffer.size(), remaining_, std::numeric_limits<DWORD>::max()}));
    DWORD got = 0;
    if (!ReadFile(file_.Get(), buffer.data(), request, &got, nullptr)) return LastError();
    count = got;
    remaining_ = got == 0 ? 0 : remaining_ - got;
    return {};
  }
  FileStamp Stamp() const override { return stamp_; }

 private:
  UniqueFile file_;
  FileStamp stamp_;
  std::uint64_t remaining_;
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
    // A new file is created with the archive flag alone; most need no change.
    const DWORD attributes = stamp.attributes & kCarriedAttributes;
    if (attributes == FILE_ATTRIBUTE_ARCHIVE) return {};
    if (!SetFileAttributesW(path_.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL)) {
      return LastError();
    }
    return {};
  }

 private:
  UniqueFile file_;
  std::wstring path_;
};

// True for "X:\a\b" with no empty, "." or ".." component and no name that
// Windows would trim, which the "\\?\" form can take as it stands.
bool IsPlainDrivePath(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
  std::size_t start = 3;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(L'\\', start), path.size());
    const std::wstring_view name(path.data() + start, end - start);
    if (name.empty() || name == L"." || name == L".." || name.back() == L'.' ||
        name.back() == L' ' || name.find(L'/') != std::wstring_view::npos) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

std::wstring LongPath(const std::string& path) {
  const std::wstring wide = Widen(path);
  if (wide.starts_with(L"\\\\?\\")) return wide;
  if (IsPlainDrivePath(wide)) return L"\\\\?\\" + wide;
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
  // Basic information and size alone: the full record costs several times
  // as much under Wine.
  FILE_BASIC_INFO info;
  LARGE_INTEGER size;
  if (!GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &info, sizeof(info)) ||
      !GetFileSizeEx(file.Get(), &size)) {
    return LastError();
  }
  reader = std::make_unique<Win32Reader>(
      std::move(file), FileStamp{info.LastWriteTime.QuadPart, info.FileAttributes},
      static_cast<std::uint64_t>(size.QuadPart));
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
  const std::wstring source = LongPath(from);
  const std::wstring target = LongPath(to);
  if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
  if (GetLastError() != ERROR_ACCESS_DENIED) return LastError();
  // Perhaps a read-only target: lift the flag for the move and try again.
  WritableWhileHeld unlocked(target);
  if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
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
