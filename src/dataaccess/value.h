// The value of one field, as a result set hands it to the program: Null or one
// typed value. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace dataaccess {

struct Null {
  bool operator==(const Null&) const = default;
};

// Money as Access keeps it: a 64-bit count of ten-thousandths.
struct Currency {
  std::int64_t tenThousandths = 0;
  bool operator==(const Currency&) const = default;
};

// An exact decimal: digits as text without sign or point, and how many of
// them stand after the point ("12345", scale 2 is 123.45).
struct Decimal {
  bool negative = false;
  std::string digits;
  int scale = 0;
  bool operator==(const Decimal&) const = default;
};

// A date and time as an OLE automation date: days since 1899-12-30, the
// fraction being the time of day (for negative days the fraction still counts
// forward from midnight).
struct DateTime {
  double oleDate = 0;
  bool operator==(const DateTime&) const = default;
};

// A date or time as a SQL server holds it, field by field: exact whatever an
// OLE date could hold (zero dates, years before 100, a TIME as a duration up
// to 838:59:59 or negative, six fraction digits on any day), with the kind of
// its column and the fraction digits the column shows.
struct SqlDateTime {
  enum class Kind : std::uint8_t { kDate, kDateTime, kTime };
  Kind kind = Kind::kDateTime;
  bool negative = false;  // a TIME only
  unsigned year = 0, month = 0, day = 0;
  unsigned hour = 0, minute = 0, second = 0;  // a TIME's hours go past 23
  unsigned long microsecond = 0;
  unsigned decimals = 0;  // 0 to 6
  bool operator==(const SqlDateTime&) const = default;
};

// The text MySQL shows for it: 2024-02-29, 2024-02-29 18:00:00.250,
// -838:59:59.
std::string SqlDateTimeText(const SqlDateTime& t);

using Bytes = std::vector<std::uint8_t>;

using Value = std::variant<Null, bool, std::int64_t, float, double, Currency, Decimal,
                           DateTime, SqlDateTime, std::string, Bytes>;

inline bool IsNull(const Value& v) { return std::holds_alternative<Null>(v); }

}  // namespace dataaccess
