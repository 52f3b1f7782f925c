// The value of one field as the engine hands it out, one alternative per
// Jet 4 column type, and the exact text forms of those values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace jet {

struct Null {
  bool operator==(const Null&) const = default;
};
// Money: a 64-bit count of ten-thousandths.
struct Currency {
  std::int64_t tenThousandths = 0;
  bool operator==(const Currency&) const = default;
};
// An OLE automation date: days since 1899-12-30; the fraction is the time of
// day, counting forward from midnight even when the day count is negative.
struct DateTime {
  double oleDate = 0;
  bool operator==(const DateTime&) const = default;
};
struct Binary {
  std::vector<std::uint8_t> bytes;
  bool operator==(const Binary&) const = default;
};
struct Text {  // UTF-8
  std::string text;
  bool operator==(const Text&) const = default;
};
struct Ole {
  std::vector<std::uint8_t> bytes;
  bool operator==(const Ole&) const = default;
};
struct Memo {  // UTF-8
  std::string text;
  bool operator==(const Memo&) const = default;
};
// A replication ID as stored: 16 bytes (u32, u16, u16 little-endian, then 8 bytes).
struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const Guid&) const = default;
};
// An exact decimal: magnitude / 10^scale, negated when `negative`.
struct Decimal {
  bool negative = false;
  std::uint8_t scale = 0;
  std::uint8_t precision = 0;
  unsigned __int128 magnitude = 0;
  bool operator==(const Decimal&) const = default;
};

using Value = std::variant<Null, bool, std::uint8_t, std::int16_t, std::int32_t, Currency, float, double, DateTime,
                           Binary, Text, Ole, Memo, Guid, Decimal>;

inline bool IsNull(const Value& v) { return std::holds_alternative<Null>(v); }

// Text forms: dates "yyyy-mm-dd hh:mm:ss" (date alone without a time of day,
// time alone for a time-only value) with the milliseconds after the seconds
// when there are any (".fff"); numbers in plain decimal
// with "." and no grouping, in the fewest digits that read back as the same
// Double or Single, and in E notation ("1E+300", "1.5E-20") only where the
// plain form would need more than 15 digits before the point or more than 15
// zeros after it; Currency and Decimal exact without trailing zeros,
// Booleans "True"/"False", binary values as 0x + hexadecimal, replication IDs
// as {XXXXXXXX-XXXX-...}. Null gives the empty text.
std::string ToText(const Value& v);

std::string DateText(double oleDate);
std::string CurrencyText(std::int64_t tenThousandths);
// Decimal digits with a point `scale` digits from the right, without leading
// zeros before the point or trailing zeros after it; "-" unless it is zero.
std::string ScaledDigitsText(bool negative, std::string_view digits, unsigned scale);
std::string DecimalText(const Decimal& d);
std::string GuidText(const Guid& g);
std::string HexText(const std::vector<std::uint8_t>& bytes);
std::string DoubleText(double d);
std::string SingleText(float f);

// Now as an OLE automation date in local time, as Access stamps objects and
// as Now() gives it.
double OleDateNow();

// A calendar date and time of day from an OLE date, to the millisecond: the
// finest step Access stores, and never rounded into the next second or day.
struct CivilTime {
  int year, month, day, hour, minute, second, millisecond;
};
CivilTime ToCivil(double oleDate);

}  // namespace jet
