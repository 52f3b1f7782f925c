// Which table and column names Jet accepts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jet::sql {

// The most characters a table or column name may have.
inline constexpr std::size_t kMaxNameLength = 64;

// Empty when Jet takes `name` (UTF-8) as a table or column name, otherwise
// Jet's description of why not.
std::optional<std::string> InvalidNameReason(std::string_view name);

}  // namespace jet::sql
