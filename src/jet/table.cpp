#include "jet/table.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/names.h"
#include "jet/usage_map.h"

namespace jet {
namespace {
constexpr int kMaxLookupHops = 8;
}

ByteSpan LiveRowBytes(Pager& pager, std::uint32_t owner, const DataPage& page, std::size_t slot, PageRef& keep) {
  ByteSpan row = page.Row(slot);
  if (!page.IsLookup(slot)) return row;
  for (int hop = 0; hop < kMaxLookupHops; ++hop) {
    RowPointer where = RowPointer::FromU32(U32(row, 0));
    if (!pager.Exists(where.page)) ThrowDamaged("an overflow row points beyond the file");
    keep = pager.Read(where.page);
    DataPage target(*keep, pager.Format());
    if (!target.IsData() || target.Owner() != owner) ThrowDamaged("an overflow row points outside its table");
    row = target.Row(where.row);
    if (!target.IsLookup(where.row)) return row;
  }
  ThrowDamaged("overflow rows that point at each other");
}

std::size_t ConsecutivePages(const std::vector<std::uint32_t>& pages, std::size_t start, std::size_t limit,
                             std::uint32_t pageCount) {
  std::size_t run = 1;
  while (run < limit && start + run < pages.size() && pages[start + run] == pages[start] + run &&
         pages[start + run] < pageCount)
    ++run;
  return run;
}

std::vector<std::uint32_t> TablePages(Pager& pager, const TableDef& def) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t p : UsageMap(pager, def.ownedPages).Pages()) {
    if (p >= pager.PageCount()) ThrowDamaged("a table owns a page beyond the end of the file");
    PageRef bytes = pager.Read(p);
    DataPage page(*bytes, pager.Format());
    if (page.IsData() && page.Owner() == def.page) pages.push_back(p);
  }
  return pages;
}

Table Table::Only(const std::vector<std::string>& names) const {
  TableDef def = *def_;
  def.columns.clear();
  for (const std::string& name : names) {
    auto found = std::find_if(def_->columns.begin(), def_->columns.end(),
                              [&](const Column& c) { return SameName(c.name, name); });
    if (found == def_->columns.end())
      throw Error(kStatementFailed, "The table '" + name_ + "' has no field '" + name + "'.");
    def.columns.push_back(*found);
  }
  return Table(connection_, name_, std::make_shared<const TableDef>(std::move(def)));
}

Table Table::Readable() const {
  TableDef def = *def_;
  std::erase_if(def.columns, [](const Column& c) { return !c.Readable(); });
  return Table(connection_, name_, std::make_shared<const TableDef>(std::move(def)));
}

void RequireReadable(const Table& table) {
  const std::string fields = UnreadableFields(table.Columns());
  if (!fields.empty())
    throw Error(kStatementFailed, "The table '" + table.Name() + "' holds fields this program cannot read: " +
                                      fields + ". Its other fields can be read by naming them.");
}

RowCursor Table::Rows() const {
  RequireReadable(*this);
  return RowCursor(connection_, def_);
}

std::uint64_t Table::RowCount() const {
  Pager& pager = connection_->pager;
  Pager::Statement statement(pager, LockMode::Shared);
  std::uint64_t count = 0;
  for (std::uint32_t p : TablePages(pager, *def_)) {
    PageRef bytes = pager.Read(p);
    DataPage page(*bytes, pager.Format());
    for (std::size_t i = 0, n = page.SlotCount(); i < n; ++i) count += !page.IsDeleted(i);
  }
  return count;
}

// The usage map's pages are checked as they are read: a scan that keeps no
// page must not read each one twice.
RowScanner::RowScanner(Pager& pager, const TableDef& def, PageReads reads)
    : pager_(&pager), owner_(def.page), pages_(UsageMap(pager, def.ownedPages).Pages()), reads_(reads) {}

RowScanner::RowScanner(Pager& pager, const TableDef& def, std::vector<std::uint32_t> pages, PageReads reads)
    : pager_(&pager), owner_(def.page), pages_(std::move(pages)), reads_(reads) {}

bool RowScanner::LoadPage() {
  while (nextPage_ < pages_.size()) {
    const std::uint32_t page = pages_[nextPage_++];
    if (page >= pager_->PageCount()) ThrowDamaged("a table owns a page beyond the end of the file");
    page_ = reads_ == PageReads::kOnce ? NextPageOnce(page) : pager_->Read(page);
    DataPage data(*page_, pager_->Format());
    if (!data.IsData() || data.Owner() != owner_) continue;
    slot_ = 0;
    slotCount_ = data.SlotCount();
    if (slotCount_ > 0) return true;
  }
  page_.reset();
  return false;
}

// `page` is pages_[nextPage_ - 1]. One read takes it and up to 15 pages
// after it that follow it in the file: 64 KiB held, a sixteenth of the reads.
PageRef RowScanner::NextPageOnce(std::uint32_t page) {
  constexpr std::size_t kReadAhead = 16;
  if (aheadUsed_ == ahead_.size()) {
    ahead_ = pager_->ReadOnce(page, ConsecutivePages(pages_, nextPage_ - 1, kReadAhead, pager_->PageCount()));
    aheadUsed_ = 0;
    if (ahead_.empty()) return pager_->ReadOnce(page);  // reports why it cannot be read
  }
  return ahead_[aheadUsed_++];
}

bool RowScanner::Next(ByteSpan& row) {
  for (;;) {
    if (!page_ || slot_ >= slotCount_) {
      if (!LoadPage()) return false;
    }
    DataPage page(*page_, pager_->Format());
    std::size_t slot = slot_++;
    if (page.IsDeleted(slot)) continue;
    row = LiveRowBytes(*pager_, owner_, page, slot, lookupPage_);
    return true;
  }
}

RowCursor::RowCursor(std::shared_ptr<Connection> connection, std::shared_ptr<const TableDef> def)
    : connection_(std::move(connection)),
      statement_(std::make_unique<Pager::Statement>(connection_->pager, LockMode::Shared)),
      def_(std::move(def)),
      scanner_(std::make_unique<RowScanner>(connection_->pager, *def_, RowScanner::PageReads::kOnce)),
      decoder_(connection_->pager, *def_) {}

RowCursor::~RowCursor() {
  // The pages go before the statement that lets the pager drop them.
  scanner_.reset();
  statement_.reset();
}

bool RowCursor::Next() {
  ByteSpan row;
  if (!scanner_->Next(row)) return false;
  decoder_.Decode(row, values_);
  return true;
}

}  // namespace jet
