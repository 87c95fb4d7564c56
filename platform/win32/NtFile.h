#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace stowlark::win32 {

// File information by handle through the native API, which has had these
// classes since Windows 2000. The Win32 forms (SetFileInformationByHandle and
// its kin) came with Vista; this way Windows XP takes the path every later
// Windows takes. Each returns false with the thread's last error set, as a
// Win32 call does.

struct BasicInfo {
  std::int64_t lastWriteTime = 0;
  DWORD attributes = 0;
};

bool QueryBasicInfo(HANDLE file, BasicInfo& info);
// A zero time or attribute set leaves that part as it is.
bool SetBasicInfo(HANDLE file, const BasicInfo& info);
bool QueryReparseTag(HANDLE file, DWORD& tag);
bool SetDeleteOnClose(HANDLE file);
// Moves the open file to `path`, a "\\?\" path; over what is there only
// when asked to replace it, else failing with ERROR_ALREADY_EXISTS.
bool Rename(HANDLE file, const std::wstring& path, bool replace);
// The path by which the system reached the file (empty when it fails), or
// nothing where the system cannot tell: Windows XP, which has no symbolic
// links to files to fear.
std::optional<std::wstring> FinalPath(HANDLE file);

}  // namespace stowlark::win32
