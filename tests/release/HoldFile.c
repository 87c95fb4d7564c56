/* Holds a file open for reading as a virus scanner or an indexer does, with
 * delete sharing ("delete") or with none ("none"), until it is ended; once it
 * holds the file it makes the file named third, for the test to wait on. */
#include <windows.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const DWORD share = wcscmp(argv[2], L"delete") == 0 ? FILE_SHARE_READ | FILE_SHARE_DELETE : 0;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(CreateFileW(argv[3], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  Sleep(INFINITE);
  return 0;
}
