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

}  // namespace

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
