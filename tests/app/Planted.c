// A library planted beside Stowlark.exe under the name of one it uses: if it
// is ever loaded, it leaves NAME.dll.mark beside itself and ends the process.
// Without GDI, whose declaration of AlphaBlend differs.
#define NOGDI
#include <windows.h>

// What the program once imported from msimg32.dll, so that a loader that
// checks imports before running DllMain still gets that far.
__declspec(dllexport) int AlphaBlend(void) { return 0; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t mark[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
  lstrcpyW(mark + length, L".mark");
  CloseHandle(CreateFileW(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  ExitProcess(86);
}
