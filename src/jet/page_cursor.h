// A table's rows read a run of data pages at a time (at most kPagesPerLock,
// read together where they follow each other in the file), each run under a
// shared lock of its own that is released before the call returns: between
// two runs the reader holds neither the lock nor any page, so writers in this
// or another process go ahead, and no more than one run of rows is ever
// decoded at once. The lock, the file's size and the hot-journal check are
// taken once a run, not once a page; each page is still read under the lock,
// after the check, from a cache the last run's end emptied.
// The live rows are counted up front without decoding them. Each run walks
// the table's usage map afresh from the page after the last run's, so the
// cursor holds a page number, not a list of the table's pages.
// Before each page the table's definition pages are compared with what they
// held at open: a table dropped and replaced meanwhile gives an error instead
// of rows decoded with another table's layout.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/table.h"
#include "jet/value.h"

namespace jet {

class PageCursor {
 public:
  // Under one shared lock: finds the table as Database::OpenTable does
  // (with only the columns named, when some are) and counts its live rows.
  // Throws jet::Error when a column it reads holds values the engine cannot
  // give.
  PageCursor(const Database& database, const std::string& name, const std::vector<std::string>& columns = {});

  const std::string& TableName() const { return table_.Name(); }
  const std::vector<Column>& Columns() const { return table_.Columns(); }
  // Live rows when the cursor was opened.
  std::uint64_t RowCount() const { return rowCount_; }

  // Hands each live row of the next run of data pages that still belong to
  // the table to `row` (its values may be moved from); false once no page is
  // left. Throws jet::Error for a damaged row or a table whose definition
  // changed.
  using RowSink = std::function<void(std::vector<Value>& values)>;
  bool NextPages(const RowSink& row);
  // The same with texts and memos measured, not converted (see
  // RowDecoder::Decode): their values are Null, `textUnits` their lengths.
  using MeasuredRowSink = std::function<void(std::vector<Value>& values, const std::vector<std::size_t>& textUnits)>;
  bool NextPagesMeasured(const MeasuredRowSink& row);

  static constexpr std::size_t kPagesPerLock = 16;

 private:
  bool NextRun(std::vector<std::size_t>* textUnits, const std::function<void()>& row);
  PageCursor(const Database& database, const std::string& name, const std::vector<std::string>& columns,
             const Pager::Statement& held);
  void CheckDefinitionUnchanged(Pager& pager) const;

  std::shared_ptr<Connection> connection_;
  Table table_;
  std::vector<std::vector<std::uint8_t>> definitionPages_;  // as they were at open
  std::uint64_t rowCount_ = 0;
  std::uint32_t nextPage_ = 0;  // where the next run's walk of the map starts
  std::vector<Value> values_;
  std::vector<std::size_t> textUnits_;
};

}  // namespace jet
