#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stowlark {

// The date and time on the user's own clock, to name what a run keeps.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  auto operator<=>(const LocalTime&) const = default;
};

// Seconds from 1970-01-01 00:00:00 on the same clock, and back: the days of
// the proleptic Gregorian calendar, so that a time can be stepped and two
// compared across months and years.
std::int64_t SecondsOf(const LocalTime& time);
LocalTime TimeOfSeconds(std::int64_t seconds);

// "07": the form of every part of a date or time the program writes.
inline std::string TwoDigits(int number) {
  std::string digits = std::to_string(number);
  // Inserted, not joined with +: GCC 12 takes the inlined join for an
  // overlapping copy and refuses the optimised build.
  if (digits.size() < 2) digits.insert(digits.begin(), '0');
  return digits;
}

// "2026-12-07", which sorts as the dates do.
inline std::string DateText(const LocalTime& at) {
  std::string text = std::to_string(at.year);
  text.append("-").append(TwoDigits(at.month)).append("-").append(TwoDigits(at.day));
  return text;
}

// "2026-12-07 19:46": when a run ended or a copy was last made, as records keep it.
inline std::string DateAndMinute(const LocalTime& at) {
  return DateText(at) + " " + TwoDigits(at.hour) + ":" + TwoDigits(at.minute);
}

// A time written "2026-12-07 19:46" (or with "." between the parts of the
// time, or ":SS" or ".SS" after the minutes) back into a time; nothing for
// anything else, a date or time that does not exist included.
std::optional<LocalTime> ParseLocalTime(std::string_view text);
// The same form read into its parts, whether or not they exist, so that a
// date that does not exist can be told apart from one written wrong.
std::optional<LocalTime> ReadLocalTime(std::string_view text);

// The years a Windows file time and system time both hold.
inline constexpr int kFirstYear = 1601;
inline constexpr int kLastYear = 9999;
// Whether the calendar has that day (leap years counted) within those
// years, and the clock that time of day.
bool DateExists(const LocalTime& at);
bool TimeOfDayExists(const LocalTime& at);

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
  // A date, and its time of day where asked, as the user's own settings
  // write them: "9 December 2026 10:03".
  virtual std::string Words(const LocalTime& at, bool withTime) = 0;
};

}  // namespace stowlark
