// Conversion of calendar fields to OLE automation dates.
#include "dataaccess/ole_date.h"

#include <chrono>

namespace dataaccess {

namespace {

constexpr std::chrono::sys_days kOleEpoch =
    std::chrono::year{1899} / std::chrono::December / std::chrono::day{30};

}  // namespace

bool IsInOleDateRange(int year, int month, int day) {
  std::chrono::year_month_day date{std::chrono::year{year},
                                   std::chrono::month{static_cast<unsigned>(month)},
                                   std::chrono::day{static_cast<unsigned>(day)}};
  return date.ok() && year >= 100 && year <= 9999;
}

double OleTimeOfDay(int hour, int minute, int second, unsigned long microsecond) {
  double seconds = hour * 3600.0 + minute * 60.0 + second + microsecond / 1e6;
  return seconds / 86400.0;
}

double OleDateFrom(int year, int month, int day, int hour, int minute, int second,
                   unsigned long microsecond) {
  std::chrono::sys_days date = std::chrono::year{year} /
                               std::chrono::month{static_cast<unsigned>(month)} /
                               std::chrono::day{static_cast<unsigned>(day)};
  double days = static_cast<double>((date - kOleEpoch).count());
  double time = OleTimeOfDay(hour, minute, second, microsecond);
  return days < 0 ? days - time : days + time;
}

}  // namespace dataaccess
