#include "platform/Clock.h"

namespace stowlark {
namespace {

constexpr std::int64_t kSecondsADay = 24 * 60 * 60;

// Days since 1970-01-01 of a date, counted in eras of 400 years, which
// repeat exactly.
std::int64_t DaysOf(int year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int number = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    number = number * 10 + (text[i] - '0');
  }
  return number;
}

}  // namespace

std::optional<LocalTime> ReadLocalTime(std::string_view text) {
  // "2026-12-07 19:46", then ":05" or ".05" where seconds are given.
  if (text.size() != 16 && text.size() != 19) return std::nullopt;
  const char separator = text[13];
  if (text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
      (separator != ':' && separator != '.') || (text.size() == 19 && text[16] != separator)) {
    return std::nullopt;
  }
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2),
             hour = Digits(text, 11, 2), minute = Digits(text, 14, 2),
             second = text.size() == 19 ? Digits(text, 17, 2) : std::optional(0);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  return LocalTime{*year, *month, *day, *hour, *minute, *second};
}

bool DateExists(const LocalTime& at) {
  if (at.year < kFirstYear || at.year > kLastYear || at.month < 1 || at.month > 12 || at.day < 1) {
    return false;
  }
  const bool leap = at.year % 4 == 0 && (at.year % 100 != 0 || at.year % 400 == 0);
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return at.day <= kDays[at.month - 1] + (leap && at.month == 2);
}

bool TimeOfDayExists(const LocalTime& at) {
  return at.hour >= 0 && at.hour <= 23 && at.minute >= 0 && at.minute <= 59 && at.second >= 0 &&
         at.second <= 59;
}

std::optional<LocalTime> ParseLocalTime(std::string_view text) {
  const auto at = ReadLocalTime(text);
  if (!at || !DateExists(*at) || !TimeOfDayExists(*at)) return std::nullopt;
  return at;
}

std::int64_t SecondsOf(const LocalTime& time) {
  return DaysOf(time.year, time.month, time.day) * kSecondsADay + time.hour * 3600 +
         time.minute * 60 + time.second;
}

LocalTime TimeOfSeconds(std::int64_t seconds) {
  std::int64_t days = seconds / kSecondsADay;
  std::int64_t rest = seconds % kSecondsADay;
  if (rest < 0) {
    rest += kSecondsADay;
    --days;
  }
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
  const int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
  return {static_cast<int>(yearOfEra + era * 400 + (month <= 2)),
          month,
          static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1),
          static_cast<int>(rest / 3600),
          static_cast<int>(rest % 3600 / 60),
          static_cast<int>(rest % 60)};
}

}  // namespace stowlark
