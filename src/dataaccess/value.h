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

using Bytes = std::vector<std::uint8_t>;

using Value = std::variant<Null, bool, std::int64_t, float, double, Currency, Decimal,
                           DateTime, std::string, Bytes>;

inline bool IsNull(const Value& v) { return std::holds_alternative<Null>(v); }

}  // namespace dataaccess
