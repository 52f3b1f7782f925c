#include "jet/value.h"

#include <algorithm>
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
constexpr std::int64_t kMsPerDay = 86400 * 1000;

}  // namespace

CivilTime ToCivil(double ole) {
  if (!std::isfinite(ole) || std::fabs(ole) > kMaxOleDays) ole = 0;
  double whole = std::trunc(ole);
  // The fraction always counts forward from the day's midnight. It is kept
  // to the millisecond, the finest step Access itself stores: finer digits
  // are the noise of its arithmetic, not part of the time.
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(ole - whole) * static_cast<double>(kMsPerDay)));
  auto days = static_cast<std::int64_t>(whole);
  days += ms / kMsPerDay;
  ms %= kMsPerDay;
  CivilTime t{};
  CivilFromDays(days + kOleEpochFromUnixDays, t.year, t.month, t.day);
  std::int64_t seconds = ms / 1000;
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  t.millisecond = static_cast<int>(ms % 1000);
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
  bool hasTime = t.hour || t.minute || t.second || t.millisecond;
  bool timeOnly = hasTime && t.year == 1899 && t.month == 12 && t.day == 30;
  char buf[64];
  int used;
  if (timeOnly)
    used = std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  else if (hasTime)
    used = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                         t.second);
  else
    used = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
  if (t.millisecond != 0) std::snprintf(buf + used, sizeof buf - static_cast<std::size_t>(used), ".%03d", t.millisecond);
  return buf;
}

std::string ScaledDigitsText(bool negative, std::string_view digits, unsigned scale) {
  std::string all(digits);
  if (all.size() <= scale) all.insert(0, scale + 1 - all.size(), '0');
  std::size_t point = all.size() - scale;
  std::size_t firstNonZero = all.find_first_not_of('0');
  std::string text = all.substr(std::min(firstNonZero, point - 1), point - std::min(firstNonZero, point - 1));
  std::string_view fraction = std::string_view(all).substr(point);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  if (!fraction.empty()) text += "." + std::string(fraction);
  bool zero = text == "0";
  return (negative && !zero ? "-" : "") + text;
}

namespace {

std::string Digits(unsigned __int128 magnitude) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  return digits;
}

}  // namespace

std::string CurrencyText(std::int64_t v) {
  bool negative = v < 0;
  unsigned __int128 magnitude = negative ? static_cast<unsigned __int128>(-(v + 1)) + 1 : static_cast<unsigned __int128>(v);
  return ScaledDigitsText(negative, Digits(magnitude), 4);
}

std::string DecimalText(const Decimal& d) { return ScaledDigitsText(d.negative, Digits(d.magnitude), d.scale); }

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

namespace {

// The shortest digits that read back as the same value, placed in plain
// decimal, or in E notation past 15 digits before the point or 15 zeros
// after it.
template <typename Float>
std::string NumberText(Float value) {
  char buf[64];
  if (!std::isfinite(value)) {
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
  }
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view form(buf, static_cast<std::size_t>(r.ptr - buf));  // -d.ddde+XX
  std::string text = form.front() == '-' ? "-" : "";
  if (!text.empty()) form.remove_prefix(1);
  std::size_t e = form.find('e');
  std::string digits;
  for (char c : form.substr(0, e))
    if (c != '.') digits += c;
  int exponent = 0;
  std::string_view power = form.substr(e + 1);
  bool negativePower = power.front() == '-';
  std::from_chars(power.data() + 1, power.data() + power.size(), exponent);
  if (negativePower) exponent = -exponent;
  const int count = static_cast<int>(digits.size());
  if (exponent >= 15 || exponent <= -17) {
    text += digits.substr(0, 1);
    if (count > 1) text += "." + digits.substr(1);
    return text + (exponent < 0 ? "E-" : "E+") + std::to_string(std::abs(exponent));
  }
  if (exponent < 0) return text + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  if (count <= exponent + 1) return text + digits + std::string(static_cast<std::size_t>(exponent + 1 - count), '0');
  return text + digits.substr(0, static_cast<std::size_t>(exponent) + 1) + "." +
         digits.substr(static_cast<std::size_t>(exponent) + 1);
}

}  // namespace

std::string DoubleText(double d) { return NumberText(d); }

std::string SingleText(float f) { return NumberText(f); }

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
