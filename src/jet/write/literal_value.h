// The literals of INSERT INTO ... VALUES as the values their columns store.
#pragma once

#include <optional>
#include <string>

#include "jet/tdef.h"
#include "jet/value.h"

namespace jet {

// The value column `c` stores for `literal` (nullopt is NULL); throws
// jet::Error (kStatementFailed) for a literal the column cannot take.
Value LiteralValue(const Column& c, const std::optional<std::string>& literal);

}  // namespace jet
