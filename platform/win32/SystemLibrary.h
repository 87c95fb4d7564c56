#pragma once

#include <windows.h>

namespace stowlark::win32 {

// Narrows where Windows looks for the libraries that the program, and the
// system libraries it calls, load by name: never the current folder, and
// where the system can (Windows 8, or 7 with KB2533623), only the system
// folder. Called before anything else can load one.
void KeepLibrarySearchInSystemFolder();

// A system library by its full path in the system folder, so that a file of
// the same name beside the program, as in a Downloads folder, is never run.
// Loaded for the rest of the program's life: nothing unloads it.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a system library, or null where this Windows has none.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(LoadSystemLibrary(library), name)));
}

}  // namespace stowlark::win32
