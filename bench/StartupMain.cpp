// Times how long Stowlark.exe takes from its start to its shown window,
// against a minimal window program: median of 10, in turns, under the same
// Wine (or Windows) and the same running wineserver.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 10;

struct Search {
  DWORD process;
  bool found = false;
};

BOOL CALLBACK FindShown(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  search.found = owner == search.process && IsWindowVisible(window);
  return !search.found;
}

// Milliseconds from CreateProcess to a visible window of the process, or a
// negative number when none showed within ten seconds.
double TimeToShownWindow(const std::wstring& program) {
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  Search search{process.dwProcessId};
  double elapsed = 0;
  do {
    EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
    QueryPerformanceCounter(&now);
    elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
              static_cast<double>(frequency.QuadPart);
    if (!search.found) Sleep(1);
  } while (!search.found && elapsed < 10000);
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return search.found ? elapsed : -1;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
}

}  // namespace

int main() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.resize(folder.find_last_of(L'\\') + 1);
  const std::wstring programs[] = {folder + L"Stowlark.exe", folder + L"minimal_window.exe"};
  std::vector<double> times[2];
  TimeToShownWindow(programs[0]);  // the first start of all pays for loading Wine's DLLs
  for (int run = 0; run < kRuns; ++run) {
    for (int i = 0; i < 2; ++i) times[i].push_back(TimeToShownWindow(programs[i]));
  }
  for (const auto& series : times) {
    if (*std::min_element(series.begin(), series.end()) < 0) {
      std::printf("A program showed no window within ten seconds\n");
      return 1;
    }
  }
  std::printf("Start to shown window, median of %d in turns:\n", kRuns);
  std::printf("  Stowlark.exe        %7.1f ms\n", Median(times[0]));
  std::printf("  minimal window      %7.1f ms\n", Median(times[1]));
  std::printf("  ratio               %7.2f x\n", Median(times[0]) / Median(times[1]));
  return 0;
}
