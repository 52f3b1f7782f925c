// Lookup in the General sort order's run table (binary search on the first code unit).
#include <algorithm>

#include "collation_general_legacy_table.h"

namespace jet::index {

const CodeRun* FindGeneralLegacyRun(char16_t c) {
  const CodeRun* begin = kGeneralLegacyRuns;
  const CodeRun* end = kGeneralLegacyRuns + kGeneralLegacyRunCount;
  const CodeRun* after = std::upper_bound(
      begin, end, c, [](char16_t value, const CodeRun& run) { return value < run.first; });
  if (after == begin) return nullptr;
  const CodeRun* run = after - 1;
  return c < run->first + run->count ? run : nullptr;
}

}  // namespace jet::index
