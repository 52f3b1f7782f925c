// A table's rows: the data pages its owned-pages usage map lists (those that
// really are data pages of this table), in page order, and on each page the
// row slots in order, skipping deleted rows and following overflow pointers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/connection.h"
#include "jet/data_page.h"
#include "jet/row_codec.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace jet {

// The bytes of a table's live rows, in order, for code already inside a
// pager statement. Keeps the pages it returns alive until the next call.
class RowScanner {
 public:
  // kOnce leaves the pages it reads out of the pager's cache: a scan of a
  // whole table then holds one data page at a time, not the table.
  enum class PageReads { kCached, kOnce };
  RowScanner(Pager& pager, const TableDef& def, PageReads reads = PageReads::kCached);
  // Only these pages, in this order, where they are data pages of the table.
  RowScanner(Pager& pager, const TableDef& def, std::vector<std::uint32_t> pages,
             PageReads reads = PageReads::kCached);
  // Points `row` at the next live row; false after the last.
  bool Next(ByteSpan& row);

 private:
  bool LoadPage();
  PageRef NextPageOnce(std::uint32_t page);

  Pager* pager_;
  std::uint32_t owner_;
  std::vector<std::uint32_t> pages_;
  PageReads reads_ = PageReads::kCached;
  std::size_t nextPage_ = 0;
  // kOnce reads the coming pages of a stretch of consecutive ones at once;
  // ahead_[aheadUsed_...] are the pages after nextPage_ - 1.
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

// How many of pages[start...] follow pages[start] in the file one after the
// other, at most `limit`, all below `pageCount`: the pages one read takes.
std::size_t ConsecutivePages(const std::vector<std::uint32_t>& pages, std::size_t start, std::size_t limit,
                             std::uint32_t pageCount);

// The data pages that hold `def`'s rows, ascending.
std::vector<std::uint32_t> TablePages(Pager& pager, const TableDef& def);

}  // namespace jet
