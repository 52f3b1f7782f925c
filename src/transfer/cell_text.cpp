#include "transfer/cell_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace transfer {
namespace {

template <typename Float>
std::string ShortestText(Float value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Digits with `scale` of them after the point, trailing fraction zeros dropped.
std::string ScaledText(bool negative, std::string digits, int scale) {
  if (static_cast<int>(digits.size()) <= scale) {
    digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
  }
  std::string whole = digits.substr(0, digits.size() - static_cast<std::size_t>(scale));
  std::string fraction = digits.substr(whole.size());
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::size_t firstNonZero = whole.find_first_not_of('0');
  whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
  bool zero = whole == "0" && fraction.empty();
  std::string text = (negative && !zero) ? "-" : "";
  text += whole;
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

std::string CurrencyText(dataaccess::Currency money) {
  bool negative = money.tenThousandths < 0;
  // Through unsigned so that the most negative amount keeps its magnitude.
  std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(money.tenThousandths)
                                     : static_cast<std::uint64_t>(money.tenThousandths);
  return ScaledText(negative, std::to_string(magnitude), 4);
}

// Civil date of a count of days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
  days += 719468;
  std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  std::int64_t dayOfEra = days - era * 146097;
  std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

std::string DateTimeText(dataaccess::DateTime when) {
  // Beyond any calendar a date can name (and the 64-bit day count below),
  // the number itself is the only faithful text.
  constexpr double kDaysBeyondAnyDate = 1e12;
  if (!std::isfinite(when.oleDate) || std::fabs(when.oleDate) > kDaysBeyondAnyDate) return ShortestText(when.oleDate);
  // The whole part counts days from 1899-12-30; the fraction is the time of
  // day counting forward from midnight even for days before that date.
  double wholeDays = std::trunc(when.oleDate);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(when.oleDate - wholeDays) * 86400.0));
  auto days = static_cast<std::int64_t>(wholeDays);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += 1;
  }
  constexpr std::int64_t kOleEpochFromUnixEpoch = -25569;  // 1899-12-30
  std::int64_t year;
  int month, day;
  CivilFromDays(days + kOleEpochFromUnixEpoch, year, month, day);
  char buffer[64];
  int hours = static_cast<int>(seconds / 3600), minutes = static_cast<int>(seconds / 60 % 60),
      secs = static_cast<int>(seconds % 60);
  if (days == 0 && seconds != 0) {
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hours, minutes, secs);
  } else if (seconds == 0 && days != 0) {
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d", static_cast<long long>(year), month, day);
  } else if (days == 0) {
    std::snprintf(buffer, sizeof buffer, "00:00:00");
  } else {
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02d:%02d:%02d",
                  static_cast<long long>(year), month, day, hours, minutes, secs);
  }
  return buffer;
}

std::string HexText(const dataaccess::Bytes& bytes) {
  if (bytes.empty()) return {};
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  text.reserve(2 + 2 * bytes.size());
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

struct TextOf {
  std::string operator()(const dataaccess::Null&) const { return {}; }
  std::string operator()(bool b) const { return b ? "True" : "False"; }
  std::string operator()(std::int64_t i) const { return std::to_string(i); }
  std::string operator()(float f) const { return ShortestText(f); }
  std::string operator()(double d) const { return ShortestText(d); }
  std::string operator()(const dataaccess::Currency& c) const { return CurrencyText(c); }
  std::string operator()(const dataaccess::Decimal& d) const {
    return ScaledText(d.negative, d.digits.empty() ? "0" : d.digits, d.scale);
  }
  std::string operator()(const dataaccess::DateTime& t) const { return DateTimeText(t); }
  std::string operator()(const std::string& s) const { return s; }
  std::string operator()(const dataaccess::Bytes& b) const { return HexText(b); }
};

}  // namespace

std::string CellText(const dataaccess::Value& value) { return std::visit(TextOf{}, value); }

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++units;  // one per lead byte
    if ((c & 0xF8) == 0xF0) ++units;  // four-byte sequences need a surrogate pair
  }
  return units;
}

}  // namespace transfer
