// Errors of the index layer. They travel as dataaccess::DbError: a number the caller can
// tell apart and a description that says what was wrong.
#pragma once

#include <cstdint>
#include <string>

#include "dataaccess/error.h"

namespace jet::index {

// A value the index cannot hold: the statement is refused.
inline constexpr std::int32_t kIndexValueRefused = dataaccess::kCommandError;
// An index page that does not follow Jet's layout: the file is damaged.
inline constexpr std::int32_t kIndexDamaged = dataaccess::kConnectFailed;

[[noreturn]] inline void ThrowIndexError(std::int32_t number, const std::string& description) {
  throw dataaccess::DbError(number, description);
}

}  // namespace jet::index
