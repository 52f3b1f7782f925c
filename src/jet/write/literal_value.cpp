#include "jet/write/literal_value.h"

#include <charconv>

#include "jet/error.h"

namespace jet {
namespace {

[[noreturn]] void Refuse(const std::string& why) { throw Error(kStatementFailed, why); }

}  // namespace

Value LiteralValue(const Column& c, const std::optional<std::string>& literal) {
  if (!literal) return Null{};
  const std::string& s = *literal;
  auto number = [&](auto parsed) {
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), parsed);
    if (error != std::errc() || end != s.data() + s.size()) Refuse("Data type mismatch in criteria expression.");
    return parsed;
  };
  switch (c.Type()) {
    case ColumnType::Text: return Text{s};
    case ColumnType::Memo: return Memo{s};
    case ColumnType::Byte: return static_cast<std::uint8_t>(number(int{}));
    case ColumnType::Integer: return static_cast<std::int16_t>(number(int{}));
    case ColumnType::Long: return number(std::int32_t{});
    case ColumnType::Double: return number(double{});
    case ColumnType::Single: return number(float{});
    default:
      Refuse("The field '" + c.name + "' is of type " + TypeName(c.type) +
             ", which INSERT INTO takes no text literal for.");
  }
}

}  // namespace jet
