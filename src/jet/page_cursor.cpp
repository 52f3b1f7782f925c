#include "jet/page_cursor.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

constexpr std::size_t kCountingCachePages = 32;

std::vector<std::uint8_t> PageCopy(Pager& pager, std::uint32_t page) {
  PageRef bytes = pager.Read(page);
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

// Lowers the pager's cache limit for as long as it lives.
class SmallCache {
 public:
  explicit SmallCache(Pager& pager) : pager_(pager), limit_(pager.CacheLimit()) {
    pager_.SetCacheLimit(kCountingCachePages);
  }
  ~SmallCache() { pager_.SetCacheLimit(limit_); }
  SmallCache(const SmallCache&) = delete;
  SmallCache& operator=(const SmallCache&) = delete;

 private:
  Pager& pager_;
  std::size_t limit_;
};

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
  // Counting visits each of the table's pages once: keep only a few cached,
  // or a large table would be held in memory whole until the lock ends.
  SmallCache smallCache(pager);
  for (std::uint32_t p : UsageMap(pager, def.ownedPages).Pages()) {
    if (p >= pager.PageCount()) ThrowDamaged("a table owns a page beyond the end of the file");
    PageRef bytes = pager.Read(p);
    DataPage page(*bytes, pager.Format());
    if (!page.IsData() || page.Owner() != def.page) continue;
    pages_.push_back(p);
    for (std::size_t i = 0, n = page.SlotCount(); i < n; ++i) rowCount_ += !page.IsDeleted(i);
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
