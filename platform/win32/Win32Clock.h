#pragma once

#include <windows.h>

#include <string>

#include "platform/Clock.h"

namespace stowlark::win32 {

class Win32Clock : public Clock {
 public:
  LocalTime Now() override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }
  std::string Words(const LocalTime& at, bool withTime) override;
};

}  // namespace stowlark::win32
