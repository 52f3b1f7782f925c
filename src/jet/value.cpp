#include "jet/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace jet {
namespace {

// Days since 1970-01-01 to a calendar date (proleptic Gregorian).
void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  auto doe = static_cast<unsigned>(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(year + (m <= 2));
}

constexpr std::int64_t kOleEpochFromUnixDays = -25569;  // 1899-12-30
constexpr double kMaxOleDays = 3e6;                     // far past year 9999; beyond is nonsense

}  // namespace

CivilTime ToCivil(double ole) {
  if (!std::isfinite(ole) || std::fabs(ole) > kMaxOleDays) ole = 0;
  double whole = std::trunc(ole);
  // The fraction always counts forward from the day's midnight.
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(ole - whole) * 86400.0));
  auto days = static_cast<std::int64_t>(whole);
  days += seconds / 86400;
  seconds %= 86400;
  CivilTime t{};
  CivilFromDays(days + kOleEpochFromUnixDays, t.year, t.month, t.day);
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  return t;
}

double OleDateNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // Days from 1899-12-30 to the local calendar date, plus the time of day.
  std::tm day = local;
  day.tm_hour = 12;
  day.tm_min = day.tm_sec = 0;
  std::time_t noon = timegm(&day);
  double days = std::floor(static_cast<double>(noon) / 86400.0) + 25569.0;
  return days + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

std::string DateText(double ole) {
  CivilTime t = ToCivil(ole);
  bool hasTime = t.hour || t.minute || t.second;
  bool timeOnly = hasTime && t.year == 1899 && t.month == 12 && t.day == 30;
  char buf[48];
  if (timeOnly)
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  else if (hasTime)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
  return buf;
}

namespace {

// Digits of `magnitude` with a point `scale` digits from the right, trailing
// fraction zeros removed.
std::string ScaledText(bool negative, unsigned __int128 magnitude, unsigned scale) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (digits.size() <= scale) digits.insert(0, scale - digits.size() + 1, '0');
  std::string text = digits.substr(0, digits.size() - scale);
  std::string fraction = digits.substr(digits.size() - scale);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  bool zero = text == "0";
  return (negative && !zero ? "-" : "") + text;
}

}  // namespace

std::string CurrencyText(std::int64_t v) {
  bool negative = v < 0;
  unsigned __int128 magnitude = negative ? static_cast<unsigned __int128>(-(v + 1)) + 1 : static_cast<unsigned __int128>(v);
  return ScaledText(negative, magnitude, 4);
}

std::string DecimalText(const Decimal& d) { return ScaledText(d.negative, d.magnitude, d.scale); }

std::string GuidText(const Guid& g) {
  static const char kHex[] = "0123456789ABCDEF";
  static const int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string s = "{";
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
    std::uint8_t b = g.bytes[kOrder[i]];
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s + "}";
}

std::string HexText(const std::vector<std::uint8_t>& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "0x";
  s.reserve(2 + 2 * bytes.size());
  for (std::uint8_t b : bytes) {
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

std::string DoubleText(double d) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

std::string SingleText(float f) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, f);
  return std::string(buf, r.ptr);
}

std::string ToText(const Value& v) {
  struct Visitor {
    std::string operator()(const Null&) const { return {}; }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(std::uint8_t x) const { return std::to_string(x); }
    std::string operator()(std::int16_t x) const { return std::to_string(x); }
    std::string operator()(std::int32_t x) const { return std::to_string(x); }
    std::string operator()(const Currency& c) const { return CurrencyText(c.tenThousandths); }
    std::string operator()(float f) const { return SingleText(f); }
    std::string operator()(double d) const { return DoubleText(d); }
    std::string operator()(const DateTime& d) const { return DateText(d.oleDate); }
    std::string operator()(const Binary& b) const { return HexText(b.bytes); }
    std::string operator()(const Text& t) const { return t.text; }
    std::string operator()(const Ole& o) const { return HexText(o.bytes); }
    std::string operator()(const Memo& m) const { return m.text; }
    std::string operator()(const Guid& g) const { return GuidText(g); }
    std::string operator()(const Decimal& d) const { return DecimalText(d); }
  };
  return std::visit(Visitor{}, v);
}

}  // namespace jet
