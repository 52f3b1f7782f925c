// Which table and column names Jet accepts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jet::sql {

// The most characters a table or column name may have.
inline constexpr std::size_t kMaxNameLength = 64;

// A byte Jet takes in no name: control characters, . ! ` [ ].
inline bool ForbiddenInName(unsigned char c) {
  return c < 0x20 || c == '.' || c == '!' || c == '`' || c == '[' || c == ']';
}

// Empty when Jet takes `name` (UTF-8) as a table or column name, otherwise
// Jet's description of why not.
std::optional<std::string> InvalidNameReason(std::string_view name);

}  // namespace jet::sql
