// Times Stowlark's walks against robocopy and xcopy on the same tree, under
// Wine or on Windows.
#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include "bench/Benchmark.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32FileSystem.h"

namespace {

bool Run(std::wstring command, DWORD successBelow) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  const HANDLE nul =
      CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  DWORD code = 1;
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(nul);
  return started && code < successBelow;
}

void RemoveTree(stowlark::FileSystem& files, const std::string& folder) {
  std::vector<stowlark::Entry> entries;
  files.List(folder, entries);
  for (const auto& entry : entries) {
    const std::string path = folder + "\\" + entry.name;
    if (entry.kind == stowlark::EntryKind::Folder && !entry.isLink) {
      RemoveTree(files, path);
    } else {
      DeleteFileW(stowlark::win32::LongPath(path).c_str());
    }
  }
  RemoveDirectoryW(stowlark::win32::LongPath(folder).c_str());
}

}  // namespace

int main() {
  using stowlark::win32::Widen;
  stowlark::win32::Win32FileSystem files;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const auto quoted = [](const std::string& path) { return L"\"" + Widen(path) + L"\""; };
  stowlark::bench::Platform platform{
      files,
      stowlark::win32::Narrow(temp) + "stowlark-bench",
      [&](const std::string& folder) { RemoveTree(files, folder); },
      [] {
        PROCESS_MEMORY_COUNTERS counters{};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
        return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
      },
      {{"robocopy /E",
        [&](const std::string& from, const std::string& to) {
          // robocopy's exit codes below 8 mean success.
          return Run(L"robocopy " + quoted(from) + L" " + quoted(to) + L" /E", 8);
        }},
       {"xcopy /E /I /Y",
        [&](const std::string& from, const std::string& to) {
          return Run(L"xcopy " + quoted(from) + L" " + quoted(to) + L" /E /I /Y /Q", 1);
        }}},
      {}};
  return stowlark::bench::RunBenchmark(platform);
}
