#pragma once

#include <string>

#include "platform/CopyLock.h"
#include "platform/win32/Handles.h"

namespace stowlark::win32 {

// A named mutex per user, seen by every session of that user.
class Win32CopyLock : public CopyLock {
 public:
  bool TryAcquire() override;
  void Release() override;

 private:
  UniqueFile mutex_;
};

std::wstring CopyLockName();

}  // namespace stowlark::win32
