#include "jet/write/typed_literal.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>

#include "jet/error.h"

namespace jet {
namespace {

using Kind = sql::Literal::Kind;

constexpr int kTypeMismatchJet = 3464;
constexpr int kOverflowJet = 3349;
constexpr int kBadExpressionJet = 3075;

std::string Shown(const sql::Literal& literal) {
  switch (literal.kind) {
    case Kind::Null: return "NULL";
    case Kind::Text: return "'" + literal.text + "'";
    case Kind::Number: return literal.text;
    case Kind::Date: return "#" + literal.text + "#";
    case Kind::Boolean: return literal.truth ? "True" : "False";
    case Kind::Guid: return "{" + literal.text + "}";
    case Kind::Binary: return "0x" + literal.text;
  }
  return {};
}

[[noreturn]] void Mismatch(const Column& c, const sql::Literal& literal) {
  throw Error(kTypeMismatch,
              "Data type mismatch in criteria expression. The field '" + c.name + "' (" + TypeName(c.type) +
                  ") cannot take the value " + Shown(literal) + ".",
              kTypeMismatchJet);
}

[[noreturn]] void Overflow(const Column& c, const sql::Literal& literal, const std::string& range) {
  throw Error(kDataOverflow,
              "Numeric field overflow. The value " + Shown(literal) + " does not fit the field '" + c.name + "' (" +
                  TypeName(c.type) + ": " + range + ").",
              kOverflowJet);
}

[[noreturn]] void BadExpression(const char* what, const sql::Literal& literal) {
  throw Error(kStatementFailed, std::string(what) + " in query expression '" + Shown(literal) + "'.",
              kBadExpressionJet);
}

// A number written in decimal as an exact value: digits / 10^scale, negated
// when `negative`. Empty for a text that is no number or has more than 38 digits.
struct ExactNumber {
  bool negative = false;
  unsigned __int128 digits = 0;
  int scale = 0;  // may be negative after an exponent
};

constexpr unsigned __int128 kMaxDigitsValue = (~static_cast<unsigned __int128>(0)) / 10 - 9;

std::optional<ExactNumber> ParseExact(std::string_view s) {
  ExactNumber n;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) n.negative = s[i++] == '-';
  bool any = false, point = false;
  for (; i < s.size(); ++i) {
    if (s[i] == '.' && !point) {
      point = true;
      continue;
    }
    if (s[i] < '0' || s[i] > '9') break;
    any = true;
    if (n.digits > kMaxDigitsValue) return std::nullopt;
    n.digits = n.digits * 10 + static_cast<unsigned>(s[i] - '0');
    n.scale += point;
  }
  if (!any) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    int exponent = 0;
    auto [end, error] = std::from_chars(s.data() + i + 1 + (i + 1 < s.size() && s[i + 1] == '+'), s.data() + s.size(), exponent);
    if (error != std::errc() || end != s.data() + s.size() || std::abs(exponent) > 1000) return std::nullopt;
    n.scale -= exponent;
    i = s.size();
  }
  if (i != s.size()) return std::nullopt;
  return n;
}

// `n` with exactly `scale` decimals; empty when that would drop a non-zero digit
// or need more than 38 digits.
std::optional<unsigned __int128> Rescaled(ExactNumber n, int scale) {
  while (n.scale > scale) {
    if (n.digits % 10 != 0) return std::nullopt;
    n.digits /= 10;
    --n.scale;
  }
  while (n.scale < scale) {
    if (n.digits > kMaxDigitsValue) return std::nullopt;
    n.digits *= 10;
    ++n.scale;
  }
  return n.digits;
}

std::string Digits(unsigned __int128 v) {
  std::string s;
  do {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  } while (v != 0);
  return s;
}

// The number a literal states: a number, or a text holding one.
ExactNumber NumberOf(const Column& c, const sql::Literal& literal) {
  if (literal.kind != Kind::Number && literal.kind != Kind::Text) Mismatch(c, literal);
  std::optional<ExactNumber> n = ParseExact(literal.text);
  if (!n) {
    if (literal.kind == Kind::Text) Mismatch(c, literal);
    Overflow(c, literal, "a number of at most 38 digits");
  }
  return *n;
}

std::int64_t WholeNumber(const Column& c, const sql::Literal& literal, std::int64_t low, std::int64_t high) {
  const std::string range = std::to_string(low) + " to " + std::to_string(high);
  ExactNumber n = NumberOf(c, literal);
  std::optional<unsigned __int128> whole = Rescaled(n, 0);
  if (!whole) Overflow(c, literal, "whole numbers from " + range);
  const __int128 value = n.negative ? -static_cast<__int128>(*whole) : static_cast<__int128>(*whole);
  if (*whole > static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + 1 || value < low ||
      value > high)
    Overflow(c, literal, range);
  return static_cast<std::int64_t>(value);
}

template <typename T>
T Floating(const Column& c, const sql::Literal& literal) {
  NumberOf(c, literal);  // the kind and the form
  std::string_view s = literal.text;
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  T value{};
  auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
    Overflow(c, literal, std::is_same_v<T, float> ? "about -3.4E38 to 3.4E38" : "about -1.8E308 to 1.8E308");
  }
  return value;
}

Currency CurrencyValue(const Column& c, const sql::Literal& literal) {
  const char* range = "-922337203685477.5808 to 922337203685477.5807, at most 4 decimals";
  ExactNumber n = NumberOf(c, literal);
  std::optional<unsigned __int128> units = Rescaled(n, 4);
  const unsigned __int128 limit = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) + n.negative;
  if (!units || *units > limit) Overflow(c, literal, range);
  return {n.negative ? -static_cast<std::int64_t>(*units - 1) - 1 : static_cast<std::int64_t>(*units)};
}

Decimal DecimalValue(const Column& c, const sql::Literal& literal) {
  const std::string range = "precision " + std::to_string(c.precision) + ", scale " + std::to_string(c.scale);
  ExactNumber n = NumberOf(c, literal);
  std::optional<unsigned __int128> magnitude = Rescaled(n, c.scale);
  if (!magnitude || Digits(*magnitude).size() > c.precision) Overflow(c, literal, range);
  return {n.negative && *magnitude != 0, c.scale, c.precision, *magnitude};
}

// ---- dates ---------------------------------------------------------------

bool LeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to a calendar date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Reads a number of 1 to `most` digits.
bool ReadNumber(std::string_view s, std::size_t& at, int most, int& out) {
  std::size_t start = at;
  out = 0;
  while (at < s.size() && at - start < static_cast<std::size_t>(most) && s[at] >= '0' && s[at] <= '9')
    out = out * 10 + (s[at++] - '0');
  return at > start;
}

bool Expect(std::string_view s, std::size_t& at, char c) {
  if (at >= s.size() || s[at] != c) return false;
  ++at;
  return true;
}

// hh:nn[:ss[.fff]] [AM|PM] into seconds of the day. Jet keeps milliseconds:
// a finer fraction is taken only when its further digits are zeros.
bool ReadTime(std::string_view s, std::size_t& at, double& seconds) {
  int h = 0, n = 0, sec = 0, milliseconds = 0;
  if (!ReadNumber(s, at, 2, h) || !Expect(s, at, ':') || !ReadNumber(s, at, 2, n)) return false;
  if (Expect(s, at, ':')) {
    if (!ReadNumber(s, at, 2, sec)) return false;
    if (Expect(s, at, '.')) {
      int digits = 0;
      for (; at < s.size() && s[at] >= '0' && s[at] <= '9'; ++at, ++digits) {
        if (digits < 3) milliseconds = milliseconds * 10 + (s[at] - '0');
        else if (s[at] != '0') return false;
      }
      if (digits == 0) return false;
      for (; digits < 3; ++digits) milliseconds *= 10;
    }
  }
  std::size_t mark = at;
  while (at < s.size() && s[at] == ' ') ++at;
  std::string_view rest = s.substr(at);
  bool pm = rest.size() >= 2 && (rest.substr(0, 2) == "PM" || rest.substr(0, 2) == "pm");
  bool am = rest.size() >= 2 && (rest.substr(0, 2) == "AM" || rest.substr(0, 2) == "am");
  if (am || pm) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + (pm ? 12 : 0);
    at += 2;
  } else {
    at = mark;
  }
  if (h > 23 || n > 59 || sec > 59) return false;
  seconds = h * 3600 + n * 60 + sec + milliseconds / 1000.0;
  return true;
}

// yyyy-mm-dd, m/d/yyyy, each with an optional time, or a time alone; Jet's
// range is the years 100 to 9999.
std::optional<double> ParseDate(std::string_view s) {
  std::size_t at = 0;
  int y = 1899, m = 12, d = 30;
  double seconds = 0;
  std::size_t probe = 0;
  int first = 0;
  bool timeOnly = ReadNumber(s, probe, 2, first) && probe < s.size() && s[probe] == ':';
  if (timeOnly) {
    if (!ReadTime(s, at, seconds)) return std::nullopt;
  } else {
    int a = 0, b = 0, c = 0;
    if (!ReadNumber(s, at, 4, a)) return std::nullopt;
    if (Expect(s, at, '-')) {  // yyyy-mm-dd
      if (at != 5) return std::nullopt;  // four digits of year
      if (!ReadNumber(s, at, 2, b) || !Expect(s, at, '-') || !ReadNumber(s, at, 2, c)) return std::nullopt;
      y = a, m = b, d = c;
    } else if (Expect(s, at, '/')) {  // m/d/yyyy
      if (!ReadNumber(s, at, 2, b) || !Expect(s, at, '/') || !ReadNumber(s, at, 4, c)) return std::nullopt;
      m = a, d = b, y = c;
    } else {
      return std::nullopt;
    }
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return std::nullopt;
    if (at < s.size()) {
      if (!Expect(s, at, ' ') && !Expect(s, at, 'T')) return std::nullopt;
      if (!ReadTime(s, at, seconds)) return std::nullopt;
    }
  }
  if (at != s.size()) return std::nullopt;
  constexpr std::int64_t kOleEpoch = -25569;  // 1899-12-30 in days from 1970-01-01
  const double days = static_cast<double>(DaysFromCivil(y, m, d) - kOleEpoch);
  const double fraction = seconds / 86400.0;
  // The fraction counts forward from midnight even before 1899-12-30.
  return days < 0 ? days - fraction : days + fraction;
}

DateTime DateValue(const Column& c, const sql::Literal& literal) {
  if (literal.kind != Kind::Date && literal.kind != Kind::Text) Mismatch(c, literal);
  std::optional<double> ole = ParseDate(literal.text);
  if (!ole) {
    if (literal.kind == Kind::Text) Mismatch(c, literal);
    BadExpression("Syntax error in date", literal);
  }
  return {*ole};
}

// ---- the rest ------------------------------------------------------------

int HexValue(char h) {
  if (h >= '0' && h <= '9') return h - '0';
  if (h >= 'a' && h <= 'f') return h - 'a' + 10;
  if (h >= 'A' && h <= 'F') return h - 'A' + 10;
  return -1;
}

Guid GuidValue(const Column& c, const sql::Literal& literal) {
  if (literal.kind != Kind::Guid && literal.kind != Kind::Text) Mismatch(c, literal);
  std::string_view s = literal.text;
  if (literal.kind == Kind::Text && s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  // The first three fields are stored little-endian, the last 8 bytes as written.
  static const int kAt[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
  Guid g;
  bool ok = s.size() == 36 && s[8] == '-' && s[13] == '-' && s[18] == '-' && s[23] == '-';
  for (int i = 0; ok && i < 16; ++i) {
    int high = HexValue(s[kAt[i]]), low = HexValue(s[kAt[i] + 1]);
    ok = high >= 0 && low >= 0;
    g.bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  if (!ok) {
    if (literal.kind == Kind::Text) Mismatch(c, literal);
    BadExpression("Malformed GUID.", literal);
  }
  return g;
}

std::vector<std::uint8_t> BinaryValue(const Column& c, const sql::Literal& literal) {
  if (literal.kind != Kind::Binary) Mismatch(c, literal);
  const std::string& hex = literal.text;
  if (hex.size() % 2 != 0)
    throw Error(kStatementFailed, "The binary value " + Shown(literal) + " for the field '" + c.name +
                                      "' has an odd number of hex digits.");
  std::vector<std::uint8_t> bytes(hex.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(HexValue(hex[2 * i]) * 16 + HexValue(hex[2 * i + 1]));
  return bytes;
}

bool BooleanValue(const Column& c, const sql::Literal& literal) {
  if (literal.kind == Kind::Boolean) return literal.truth;
  if (literal.kind == Kind::Number || literal.kind == Kind::Text) {
    std::string_view s = literal.text;
    if (s == "-1") return true;
    if (s == "0") return false;
    if (literal.kind == Kind::Text) {
      for (auto [word, truth] : {std::pair{"true", true}, {"yes", true}, {"on", true}, {"false", false},
                                 {"no", false}, {"off", false}}) {
        std::string_view w = word;
        if (s.size() == w.size() && std::equal(s.begin(), s.end(), w.begin(), [](char a, char b) {
              return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b;
            }))
          return truth;
      }
    }
  }
  Mismatch(c, literal);
}

std::string TextValue(const Column& c, const sql::Literal& literal) {
  if (literal.kind != Kind::Text && literal.kind != Kind::Number) Mismatch(c, literal);
  return literal.text;
}

}  // namespace

Value DefaultValue(const Column& c, const std::string& expression) {
  std::string_view e = expression;
  auto trim = [&] {
    while (!e.empty() && (e.front() == ' ' || e.front() == '\t')) e.remove_prefix(1);
    while (!e.empty() && (e.back() == ' ' || e.back() == '\t')) e.remove_suffix(1);
  };
  trim();
  if (!e.empty() && e.front() == '=') {
    e.remove_prefix(1);
    trim();
  }
  auto is = [&](std::string_view function) {
    return e.size() == function.size() && std::equal(e.begin(), e.end(), function.begin(), [](char a, char b) {
             return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b;
           });
  };
  if (is("now()") || is("date()") || is("time()")) {
    if (c.Type() != ColumnType::DateTime) Mismatch(c, {Kind::Text, std::string(e), false});
    const double now = OleDateNow();
    const double day = std::floor(now);
    return DateTime{is("now()") ? now : is("date()") ? day : now - day};
  }
  if (is("genguid()")) {
    if (c.Type() != ColumnType::Guid) Mismatch(c, {Kind::Text, std::string(e), false});
    std::random_device random;
    Guid g;
    for (std::uint8_t& b : g.bytes) b = static_cast<std::uint8_t>(random());
    g.bytes[7] = static_cast<std::uint8_t>((g.bytes[7] & 0x0F) | 0x40);  // version 4, random
    g.bytes[8] = static_cast<std::uint8_t>((g.bytes[8] & 0x3F) | 0x80);
    return g;
  }
  // Access writes text defaults in double quotes; doubled quotes stand for one.
  if (e.size() >= 2 && e.front() == '"' && e.back() == '"') {
    std::string text;
    for (std::size_t i = 1; i + 1 < e.size(); ++i) {
      text += e[i];
      if (e[i] == '"' && e[i + 1] == '"') ++i;
    }
    return TypedValue(c, {Kind::Text, text, false});
  }
  if (std::optional<sql::Literal> literal = sql::ParseLiteral(e)) return TypedValue(c, *literal);
  throw Error(kStatementFailed, "The default value " + expression + " of the field '" + c.name +
                                    "' is an expression this engine cannot work out; give the field its value.");
}

Value TypedValue(const Column& c, const sql::Literal& literal) {
  if (literal.kind == Kind::Null) return Null{};
  switch (c.Type()) {
    case ColumnType::Text: return Text{TextValue(c, literal)};
    case ColumnType::Memo: return Memo{TextValue(c, literal)};
    case ColumnType::Byte: return static_cast<std::uint8_t>(WholeNumber(c, literal, 0, 255));
    case ColumnType::Integer: return static_cast<std::int16_t>(WholeNumber(c, literal, -32768, 32767));
    case ColumnType::Long: return static_cast<std::int32_t>(WholeNumber(c, literal, INT32_MIN, INT32_MAX));
    case ColumnType::Single: return Floating<float>(c, literal);
    case ColumnType::Double: return Floating<double>(c, literal);
    case ColumnType::Currency: return CurrencyValue(c, literal);
    case ColumnType::Decimal: return DecimalValue(c, literal);
    case ColumnType::DateTime: return DateValue(c, literal);
    case ColumnType::Boolean: return BooleanValue(c, literal);
    case ColumnType::Guid: return GuidValue(c, literal);
    case ColumnType::Binary: return Binary{BinaryValue(c, literal)};
    case ColumnType::Ole: return Ole{BinaryValue(c, literal)};
    case ColumnType::Complex: break;
  }
  throw Error(kStatementFailed, "The field '" + c.name + "' is of type " + TypeName(c.type) +
                                    ", which this engine cannot write.");
}

}  // namespace jet
