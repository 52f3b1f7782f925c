// The text a SQL server shows for its dates and times.
#include "dataaccess/value.h"

#include <cstdio>

namespace dataaccess {

std::string SqlDateTimeText(const SqlDateTime& t) {
  char text[80];
  int used = 0;
  switch (t.kind) {
    case SqlDateTime::Kind::kDate:
      std::snprintf(text, sizeof text, "%04u-%02u-%02u", t.year, t.month, t.day);
      return text;
    case SqlDateTime::Kind::kTime:
      used = std::snprintf(text, sizeof text, "%s%02u:%02u:%02u", t.negative ? "-" : "", t.hour, t.minute, t.second);
      break;
    case SqlDateTime::Kind::kDateTime:
      used = std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                           t.minute, t.second);
      break;
  }
  if (t.decimals > 0 && t.decimals <= 6) {
    char micro[8];
    std::snprintf(micro, sizeof micro, "%06lu", t.microsecond % 1000000);
    std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), ".%.*s", static_cast<int>(t.decimals),
                  micro);
  }
  return text;
}

}  // namespace dataaccess
