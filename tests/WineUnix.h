#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Text.h"

namespace stowlark::testing_support {

// Wine's own path of a file of the prefix, and Unix programs started from a
// Windows program, give the tests the symbolic links that Wine hides.
inline std::string UnixPath(const std::string& path) {
  using Convert = char*(__cdecl*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return "";
  char* unix = convert(win32::Widen(path).c_str());
  const std::string result = unix != nullptr ? unix : "";
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Wine gives no process handle of a Unix program it starts, and does not wait
// for it; what it leaves in the thread handle's place is stack garbage, whose
// closing was seen to close this program's own standard output.
inline void RunUnix(const std::string& command) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  std::wstring line = win32::Widen(command);
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  if (process.hProcess == nullptr) return;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// A symbolic link made from the Unix side, which Wine shows as the folder
// or file it points to.
inline void UnixLink(const std::string& target, const std::string& link) {
  RunUnix("/bin/ln -s \"" + UnixPath(target) + "\" \"" + UnixPath(link) + "\"");
}

// From the Unix side: a Win32 delete of a link would delete what it points to.
// Waits for it to be gone, so that a folder made again at the path stays.
inline void UnixRemoveTree(const std::string& path) {
  RunUnix("/bin/rm -rf \"" + UnixPath(path) + "\"");
  const std::wstring wide = win32::Widen(path);
  for (int wait = 0; wait < 500 && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
       ++wait) {
    Sleep(20);
  }
}

// A drive S: of the prefix on another Unix file system, /dev/shm, so that a
// rename between it and C: fails as between two volumes on Windows.
class OtherDrive {
 public:
  OtherDrive()
      : folder_("/dev/shm/stowlark-" + std::to_string(GetCurrentProcessId())),
        link_(UnixPath("C:\\").substr(0, UnixPath("C:\\").rfind("c:/")) + "s:") {
    RunUnix("/bin/mkdir -p " + folder_);
    RunUnix("/bin/ln -sfn " + folder_ + " \"" + link_ + "\"");
    // Wine does not wait for a Unix program it starts: the drive comes when it comes.
    for (int wait = 0; wait < 500 && GetFileAttributesW(L"S:\\") == INVALID_FILE_ATTRIBUTES;
         ++wait) {
      Sleep(20);
    }
  }
  OtherDrive(const OtherDrive&) = delete;
  OtherDrive& operator=(const OtherDrive&) = delete;
  ~OtherDrive() { RunUnix("/bin/rm -rf " + folder_ + " \"" + link_ + "\""); }

 private:
  std::string folder_;
  std::string link_;
};

}  // namespace stowlark::testing_support
