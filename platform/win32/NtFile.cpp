#include "platform/win32/NtFile.h"

// after windows.h, which it needs
#include <winternl.h>

#include <cstring>
#include <vector>

namespace stowlark::win32 {
namespace {

bool Succeeded(NTSTATUS status) {
  if (status >= 0) return true;
  SetLastError(RtlNtStatusToDosError(status));
  return false;
}

bool Query(HANDLE file, void* data, ULONG size, FILE_INFORMATION_CLASS kind) {
  IO_STATUS_BLOCK io{};
  return Succeeded(NtQueryInformationFile(file, &io, data, size, kind));
}

bool Set(HANDLE file, void* data, ULONG size, FILE_INFORMATION_CLASS kind) {
  IO_STATUS_BLOCK io{};
  return Succeeded(NtSetInformationFile(file, &io, data, size, kind));
}

}  // namespace

bool QueryBasicInfo(HANDLE file, BasicInfo& info) {
  FILE_BASIC_INFORMATION basic{};
  if (!Query(file, &basic, sizeof(basic), FileBasicInformation)) return false;
  info = {basic.LastWriteTime.QuadPart, basic.FileAttributes};
  return true;
}

bool SetBasicInfo(HANDLE file, const BasicInfo& info) {
  FILE_BASIC_INFORMATION basic{};
  basic.LastWriteTime.QuadPart = info.lastWriteTime;
  basic.FileAttributes = info.attributes;
  return Set(file, &basic, sizeof(basic), FileBasicInformation);
}

bool QueryReparseTag(HANDLE file, DWORD& tag) {
  FILE_ATTRIBUTE_TAG_INFORMATION information{};
  if (!Query(file, &information, sizeof(information), FileAttributeTagInformation)) return false;
  tag = information.ReparseTag;
  return true;
}

bool SetDeleteOnClose(HANDLE file) {
  FILE_DISPOSITION_INFORMATION disposition{TRUE};
  return Set(file, &disposition, sizeof(disposition), FileDispositionInformation);
}

bool Rename(HANDLE file, const std::wstring& path, bool replace) {
  const std::wstring name = L"\\??\\" + path.substr(4);  // the native form of "\\?\"
  const std::size_t bytes = name.size() * sizeof(wchar_t);
  std::vector<std::uint64_t> buffer((sizeof(FILE_RENAME_INFORMATION) + bytes) / 8 + 1);
  auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
  rename->ReplaceIfExists = replace;
  rename->FileNameLength = static_cast<ULONG>(bytes);
  std::memcpy(rename->FileName, name.data(), bytes);
  return Set(file, rename, static_cast<ULONG>(buffer.size() * 8), FileRenameInformation);
}

std::optional<std::wstring> FinalPath(HANDLE file) {
  using Function = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  static const auto finalPath = reinterpret_cast<Function>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
  if (finalPath == nullptr) return std::nullopt;
  std::wstring path(finalPath(file, nullptr, 0, 0), L'\0');
  path.resize(finalPath(file, path.data(), static_cast<DWORD>(path.size()), 0));
  return path;
}

}  // namespace stowlark::win32
