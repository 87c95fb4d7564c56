#include "platform/win32/Win32CopyLock.h"

#include <sddl.h>

#include <vector>

namespace stowlark::win32 {
namespace {

std::wstring UserSid() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return L"";
  const UniqueFile token(raw);
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<std::uint64_t> buffer(size / 8 + 1);
  wchar_t* text = nullptr;
  if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size) ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return L"";
  }
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

}  // namespace

std::wstring CopyLockName() { return L"Global\\Stowlark.Copying." + UserSid(); }

bool Win32CopyLock::TryAcquire() {
  if (!mutex_) mutex_ = UniqueFile(CreateMutexW(nullptr, FALSE, CopyLockName().c_str()));
  // Without the mutex nothing can be known of other runs; the temporary
  // files of each run are their own either way.
  if (!mutex_) return true;
  const DWORD result = WaitForSingleObject(mutex_.Get(), 0);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void Win32CopyLock::Release() {
  if (mutex_) ReleaseMutex(mutex_.Get());
}

}  // namespace stowlark::win32
