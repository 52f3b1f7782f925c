// Errors of the index layer. They travel as jet::Error: a number the caller can
// tell apart and a description that says what was wrong.
#pragma once

#include <cstdint>
#include <string>

#include "jet/error.h"

namespace jet::index {

// A value the index cannot hold: the statement is refused.
inline constexpr std::int32_t kIndexValueRefused = jet::kStatementFailed;
// An index page that does not follow Jet's layout: the file is damaged.
inline constexpr std::int32_t kIndexDamaged = jet::kOpenFailed;

[[noreturn]] inline void ThrowIndexError(std::int32_t number, const std::string& description) {
  throw jet::Error(number, description);
}

}  // namespace jet::index
