// A table's rows: the data pages its owned-pages usage map lists (those that
// really are data pages of this table), in page order, and on each page the
// row slots in order, skipping deleted rows and following overflow pointers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/connection.h"
#include "jet/data_page.h"
#include "jet/row_codec.h"
#include "jet/tdef.h"
#include "jet/usage_map.h"
#include "jet/value.h"

namespace jet {

// The pages a table's owned-pages map marks, ascending, a stretch at a time,
// each found in the map when it is asked for: the walk holds the same few
// bytes however large the table. Which of them are the table's data pages is
// for the caller to see on the pages themselves.
class OwnedPageWalk {
 public:
  OwnedPageWalk(Pager& pager, const TableDef& def, std::uint32_t from = 0);
  // The next stretch of at most `limit` marked pages that follow each other
  // in the file; nullopt after the last. Throws jet::Error for a page beyond
  // the end of the file.
  std::optional<PageStretch> Next(std::size_t limit);
  // The page after the last one returned: where a later walk goes on.
  std::uint32_t Resume() const { return from_; }

 private:
  Pager* pager_;
  UsageMap map_;
  std::uint32_t from_;
};

// The bytes of a table's live rows, in order, for code already inside a
// pager statement. Keeps the pages it returns alive until the next call.
class RowScanner {
 public:
  // kOnce leaves the pages it reads out of the pager's cache: a scan of a
  // whole table then holds one data page at a time, not the table.
  enum class PageReads { kCached, kOnce };
  RowScanner(Pager& pager, const TableDef& def, PageReads reads = PageReads::kCached);
  // Only the table's pages from `from` on, and no more than `pageLimit` of
  // the pages its map marks.
  RowScanner(Pager& pager, const TableDef& def, std::uint32_t from, std::size_t pageLimit, PageReads reads);
  // Points `row` at the next live row; false after the last.
  bool Next(ByteSpan& row);
  // The page after the last one the scan took: where a later scan goes on.
  std::uint32_t Resume() const { return pages_.Resume(); }

 private:
  bool LoadPage();
  bool ReadStretch();

  Pager* pager_;
  std::uint32_t owner_;
  OwnedPageWalk pages_;
  std::size_t pagesLeft_;
  PageReads reads_ = PageReads::kCached;
  // The pages of the stretch last read; ahead_[aheadUsed_...] are still to scan.
  std::vector<PageRef> ahead_;
  std::size_t aheadUsed_ = 0;
  PageRef page_;
  PageRef lookupPage_;
  std::size_t slot_ = 0;
  std::size_t slotCount_ = 0;
};

// Streams a table's rows as values. While it lives it holds the file's
// shared lock; destroy it before changing the file.
class RowCursor {
 public:
  RowCursor(std::shared_ptr<Connection> connection, std::shared_ptr<const TableDef> def);
  RowCursor(RowCursor&&) = default;
  ~RowCursor();

  // Moves to the next row; false after the last. Throws jet::Error for a
  // damaged row.
  bool Next();
  // The current row's values, one per column; valid until the next Next().
  const std::vector<Value>& Values() const { return values_; }

 private:
  std::shared_ptr<Connection> connection_;
  std::unique_ptr<Pager::Statement> statement_;
  std::shared_ptr<const TableDef> def_;
  std::unique_ptr<RowScanner> scanner_;
  RowDecoder decoder_;
  std::vector<Value> values_;
};

class Table {
 public:
  Table(std::shared_ptr<Connection> connection, std::string name, std::shared_ptr<const TableDef> def)
      : connection_(std::move(connection)), name_(std::move(name)), def_(std::move(def)) {}

  const std::string& Name() const { return name_; }
  const TableDef& Definition() const { return *def_; }
  const std::vector<Column>& Columns() const { return def_->columns; }

  // The same table with only the columns named (as Jet compares names), in
  // that order; throws jet::Error (kStatementFailed) for a name it lacks.
  Table Only(const std::vector<std::string>& names) const;
  // The same table without the columns whose values the engine cannot give.
  Table Readable() const;

  // The exact number of rows the cursor will return, counted on the pages.
  std::uint64_t RowCount() const;
  // Throws jet::Error (kStatementFailed) when a column holds values the
  // engine cannot give (see RequireReadable).
  RowCursor Rows() const;

 private:
  std::shared_ptr<Connection> connection_;
  std::string name_;
  std::shared_ptr<const TableDef> def_;
};

// Throws jet::Error (kStatementFailed) naming every column of `table` whose
// values the engine cannot give (see ColumnKind), if it has any.
void RequireReadable(const Table& table);
// The bytes of row `slot` of `page`, a data page of the table whose
// definition starts at `owner`, where they now lie: an overflow row is
// followed to its copy, which must lie on a data page of the same table (a
// few hops at most). `keep` holds the page the bytes lie on. Throws
// jet::Error for a row that cannot be reached.
ByteSpan LiveRowBytes(Pager& pager, std::uint32_t owner, const DataPage& page, std::size_t slot, PageRef& keep);

// Calls `visit` with each data page that holds `def`'s rows, ascending,
// read through the cache; the pages are found as the map is walked, never
// listed. Throws jet::Error for a page beyond the end of the file.
using DataPageVisitor = std::function<void(std::uint32_t number, const PageRef& bytes, const DataPage& page)>;
void ForEachDataPage(Pager& pager, const TableDef& def, const DataPageVisitor& visit);

// The live rows of `def`, counted on its data pages without decoding them;
// each page is read once and none is kept.
std::uint64_t CountLiveRows(Pager& pager, const TableDef& def);

}  // namespace jet
