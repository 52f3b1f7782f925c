#include "transfer/cell_text.h"

#include <cmath>
#include <cstdint>

#include "jet/value.h"

namespace transfer {
namespace {

// Access's own text for day 0 at midnight is the time alone; every other
// date and time reads as the engine writes it.
std::string AccessDateText(dataaccess::DateTime when) {
  if (when.oleDate == 0) return "00:00:00";
  // Beyond any calendar a date can name, the number itself is the only
  // faithful text.
  constexpr double kDaysBeyondAnyDate = 1e12;
  if (!std::isfinite(when.oleDate) || std::fabs(when.oleDate) > kDaysBeyondAnyDate) return jet::DoubleText(when.oleDate);
  return jet::DateText(when.oleDate);
}

std::string HexText(const dataaccess::Bytes& bytes) {
  if (bytes.empty()) return {};
  return jet::HexText(bytes);
}

struct TextOf {
  std::string operator()(const dataaccess::Null&) const { return {}; }
  std::string operator()(bool b) const { return b ? "True" : "False"; }
  std::string operator()(std::int64_t i) const { return std::to_string(i); }
  std::string operator()(float f) const { return jet::SingleText(f); }
  std::string operator()(double d) const { return jet::DoubleText(d); }
  std::string operator()(const dataaccess::Currency& c) const { return jet::CurrencyText(c.tenThousandths); }
  std::string operator()(const dataaccess::Decimal& d) const {
    return jet::ScaledDigitsText(d.negative, d.digits.empty() ? "0" : d.digits, static_cast<unsigned>(d.scale));
  }
  std::string operator()(const dataaccess::DateTime& t) const { return AccessDateText(t); }
  std::string operator()(const dataaccess::SqlDateTime& t) const { return dataaccess::SqlDateTimeText(t); }
  std::string operator()(const std::string& s) const { return s; }
  std::string operator()(const dataaccess::Bytes& b) const { return HexText(b); }
};

}  // namespace

std::string CellText(const dataaccess::Value& value) { return std::visit(TextOf{}, value); }

const char* NonFiniteName(const dataaccess::Value& value) {
  double number;
  if (const auto* d = std::get_if<double>(&value))
    number = *d;
  else if (const auto* f = std::get_if<float>(&value))
    number = *f;
  else
    return nullptr;
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
  return nullptr;
}

}  // namespace transfer
