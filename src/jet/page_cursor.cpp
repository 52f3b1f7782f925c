#include "jet/page_cursor.h"

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"

namespace jet {
namespace {

std::vector<std::uint8_t> PageCopy(Pager& pager, std::uint32_t page) {
  PageRef bytes = pager.Read(page);
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

}  // namespace

// The lock, a temporary of the delegating call, lasts until this constructor
// has returned: the definition and the count are of one moment.
PageCursor::PageCursor(const Database& database, const std::string& name, const std::vector<std::string>& columns)
    : PageCursor(database, name, columns, Pager::Statement(database.Pages(), LockMode::Shared)) {}

PageCursor::PageCursor(const Database& database, const std::string& name, const std::vector<std::string>& columns,
                       const Pager::Statement& /*held*/)
    : connection_(database.Shared()), table_(database.OpenTable(name)) {
  if (!columns.empty()) table_ = table_.Only(columns);
  RequireReadable(table_);
  Pager& pager = connection_->pager;
  const TableDef& def = table_.Definition();
  for (std::size_t i = 0; i < def.pages.size(); ++i)
    definitionPages_.push_back(PageCopy(pager, def.pages[i]));
  rowCount_ = CountLiveRows(pager, def);
}

void PageCursor::CheckDefinitionUnchanged(Pager& pager) const {
  const TableDef& def = table_.Definition();
  for (std::size_t i = 0; i < def.pages.size(); ++i) {
    if (def.pages[i] >= pager.PageCount() ||
        !SameDefinitionPage(pager.Format(), i, definitionPages_[i], ByteSpan(*pager.Read(def.pages[i]))))
      throw Error(kStatementFailed, "The table '" + TableName() + "' was deleted or changed while its rows were read.");
  }
}

bool PageCursor::NextPages(const RowSink& row) {
  return NextRun(nullptr, [&] { row(values_); });
}

bool PageCursor::NextPagesMeasured(const MeasuredRowSink& row) {
  return NextRun(&textUnits_, [&] { row(values_, textUnits_); });
}

bool PageCursor::NextRun(std::vector<std::size_t>* textUnits, const std::function<void()>& row) {
  if (nextPage_ > kMaxPageNumber) return false;
  Pager& pager = connection_->pager;
  Pager::Statement lock(pager, LockMode::Shared);
  CheckDefinitionUnchanged(pager);
  const TableDef& def = table_.Definition();
  RowDecoder decoder(pager, def);
  // The map as it is now: a page the table gave up since the last run is
  // not visited, and the scanner skips what is no longer its data page.
  while (nextPage_ <= kMaxPageNumber) {
    RowScanner scanner(pager, def, nextPage_, kPagesPerLock, RowScanner::PageReads::kOnce);
    bool any = false;
    for (ByteSpan bytes; scanner.Next(bytes); any = true) {
      decoder.Decode(bytes, values_, textUnits);
      row();
    }
    nextPage_ = scanner.Resume();
    if (any) return true;
  }
  return false;
}

}  // namespace jet
