// The static winpthreads that libstdc++ and libgcc's unwinder pull in reads
// the time through GetTickCount64, which Windows XP lacks; imported as it
// is, the program would not start there. This definition of the import's
// pointer is found before the system's import library is searched, so the
// link takes it instead: it calls the real function where there is one and
// GetTickCount, which wraps after 49 days, on XP.
#include <windows.h>

namespace {

// Looked up on every call, without a guarded static: the guard's own waits
// may be what asks for the time.
ULONGLONG WINAPI TickCount64() {
  using Function = ULONGLONG(WINAPI*)();
  const auto real = reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  return real != nullptr ? real() : GetTickCount();
}

}  // namespace

// The import's pointer, under the name the system's import library gives it.
#ifdef _WIN64
extern ULONGLONG(WINAPI* tickCount64Import)() __asm__("__imp_GetTickCount64");
#else
extern ULONGLONG(WINAPI* tickCount64Import)() __asm__("__imp__GetTickCount64@0");
#endif
ULONGLONG(WINAPI* tickCount64Import)() = TickCount64;
