#pragma once

#include <windows.h>

#include <string>

#include "platform/Clock.h"

namespace stowlark::win32 {

inline SYSTEMTIME SystemTimeOf(const LocalTime& at) {
  return {static_cast<WORD>(at.year),
          static_cast<WORD>(at.month),
          0,
          static_cast<WORD>(at.day),
          static_cast<WORD>(at.hour),
          static_cast<WORD>(at.minute),
          static_cast<WORD>(at.second),
          0};
}

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
