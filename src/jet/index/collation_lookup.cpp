// Lookup in a sort order's run table (binary search on the first code unit).
#include <algorithm>

#include "collation.h"

namespace jet::index {

const CodeRun* FindRun(TextOrder order, char16_t c) {
  const CodeTable& table = order == TextOrder::kGeneral ? kGeneralCodes : kGeneralLegacyCodes;
  const CodeRun* begin = table.runs;
  const CodeRun* end = table.runs + table.count;
  const CodeRun* after = std::upper_bound(
      begin, end, c, [](char16_t value, const CodeRun& run) { return value < run.first; });
  if (after == begin) return nullptr;
  const CodeRun* run = after - 1;
  return c < run->first + run->count ? run : nullptr;
}

}  // namespace jet::index
