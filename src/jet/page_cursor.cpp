#include "jet/page_cursor.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

std::vector<std::uint8_t> PageCopy(Pager& pager, std::uint32_t page) {
  PageRef bytes = pager.Read(page);
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

}  // namespace

// The lock, a temporary of the delegating call, lasts until this constructor
// has returned: the definition, the pages and the count are of one moment.
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
  // Counting visits each of the table's pages once: they are read a run at
  // a time and none is kept, or a large table would be held in memory whole
  // until the lock ends.
  const std::vector<std::uint32_t> owned = UsageMap(pager, def.ownedPages).Pages();
  for (std::size_t i = 0; i < owned.size();) {
    if (owned[i] >= pager.PageCount()) ThrowDamaged("a table owns a page beyond the end of the file");
    std::vector<PageRef> run = pager.ReadOnce(owned[i], ConsecutivePages(owned, i, kPagesPerLock, pager.PageCount()));
    if (run.empty()) run.push_back(pager.ReadOnce(owned[i]));  // reports why it cannot be read
    for (std::size_t k = 0; k < run.size(); ++k) {
      DataPage page(*run[k], pager.Format());
      if (!page.IsData() || page.Owner() != def.page) continue;
      pages_.push_back(owned[i + k]);
      for (std::size_t s = 0, n = page.SlotCount(); s < n; ++s) rowCount_ += !page.IsDeleted(s);
    }
    i += run.size();
  }
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
  if (nextPage_ >= pages_.size()) return false;
  Pager& pager = connection_->pager;
  Pager::Statement lock(pager, LockMode::Shared);
  CheckDefinitionUnchanged(pager);
  const TableDef& def = table_.Definition();
  RowDecoder decoder(pager, def);
  while (nextPage_ < pages_.size()) {
    std::vector<std::uint32_t> run;
    for (; nextPage_ < pages_.size() && run.size() < kPagesPerLock; ++nextPage_) {
      // A page past the end of the file now was given up with the pages
      // after it: it holds none of the table's rows.
      if (pages_[nextPage_] < pager.PageCount()) run.push_back(pages_[nextPage_]);
    }
    // The scanner skips the pages the table has given up since it was opened.
    RowScanner scanner(pager, def, std::move(run), RowScanner::PageReads::kOnce);
    bool any = false;
    for (ByteSpan bytes; scanner.Next(bytes); any = true) {
      decoder.Decode(bytes, values_, textUnits);
      row();
    }
    if (any) return true;
  }
  return false;
}

}  // namespace jet
