#include "platform/win32/Win32Clock.h"

#include "platform/win32/Text.h"

namespace stowlark::win32 {

std::string Win32Clock::Words(const LocalTime& at, bool withTime) {
  const SYSTEMTIME time = SystemTimeOf(at);
  wchar_t date[128] = L"";
  wchar_t clock[64] = L"";
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &time, nullptr, date, 128);
  if (withTime) GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, 64);
  std::string words = Narrow(date);
  return withTime ? words + " " + Narrow(clock) : words;
}

}  // namespace stowlark::win32
