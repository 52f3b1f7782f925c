#include "jet/sql/names.h"

namespace jet::sql {

std::optional<std::string> InvalidNameReason(std::string_view name) {
  std::size_t characters = 0;
  bool forbidden = name.empty() || name.front() == ' ';
  for (unsigned char c : name) {
    if ((c & 0xC0) != 0x80) ++characters;
    if (ForbiddenInName(c)) forbidden = true;
  }
  if (!forbidden && characters <= kMaxNameLength) return std::nullopt;
  return "'" + std::string(name) +
         "' is not a valid name. Make sure that it does not include invalid characters or "
         "punctuation and that it is not too long.";
}

}  // namespace jet::sql
