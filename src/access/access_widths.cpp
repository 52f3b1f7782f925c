#include "access/access_widths.h"

#include <algorithm>

#include "dataaccess/error.h"
#include "dataaccess/jet_session.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/page_cursor.h"
#include "settings/connection_settings.h"

namespace msaccess {

std::optional<std::vector<std::size_t>> LongestAccessValues(const settings::ConnectionSettings& settings,
                                                           const QString& table, const std::vector<std::string>& fields,
                                                           const ValueLength& lengthOf, const ScanProgress& goOn) {
  try {
    // As the send's own connection opens it: the password untrimmed, the
    // catalogue's entries left to the cursor, which reads those it needs.
    const jet::Database database =
        jet::Database::OpenQuickly(settings.AccessMDBFile().toStdString(), settings.AccessPassword().toStdString());
    jet::PageCursor cursor(database, table.toStdString(), fields);
    const auto total = static_cast<std::int64_t>(cursor.RowCount());
    std::vector<std::size_t> longest(cursor.Columns().size(), 0);
    std::int64_t done = 0;
    bool stopped = false;
    auto measure = [&](std::vector<jet::Value>& values, const std::vector<std::size_t>& textUnits) {
      if (stopped || done == total) return;  // rows added since the count are not sent either
      if (!goOn(done, total)) {
        stopped = true;
        return;
      }
      for (std::size_t j = 0; j < longest.size(); ++j) {
        // Texts come measured, with a Null value.
        std::size_t length = textUnits[j];
        if (!std::holds_alternative<jet::Null>(values[j])) length = lengthOf(dataaccess::FromJetValue(std::move(values[j])));
        longest[j] = std::max(longest[j], length);
      }
      ++done;
    };
    while (!stopped && cursor.NextPagesMeasured(measure)) {
    }
    if (stopped) return std::nullopt;
    return longest;
  } catch (const jet::Error& failure) {
    throw dataaccess::DbError(failure.Number(), failure.Description());
  }
}

}  // namespace msaccess
