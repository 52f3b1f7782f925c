#include "jet/table.h"

#include "jet/data_page.h"
#include "jet/error.h"
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
    DataPage target(*keep);
    if (!target.IsData() || target.Owner() != owner) ThrowDamaged("an overflow row points outside its table");
    row = target.Row(where.row);
    if (!target.IsLookup(where.row)) return row;
  }
  ThrowDamaged("overflow rows that point at each other");
}

std::vector<std::uint32_t> TablePages(Pager& pager, const TableDef& def) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t p : UsageMap(pager, def.ownedPages).Pages()) {
    if (p >= pager.PageCount()) ThrowDamaged("a table owns a page beyond the end of the file");
    PageRef bytes = pager.Read(p);
    DataPage page(*bytes);
    if (page.IsData() && page.Owner() == def.page) pages.push_back(p);
  }
  return pages;
}

std::uint64_t Table::RowCount() const {
  Pager& pager = connection_->pager;
  Pager::Statement statement(pager, LockMode::Shared);
  std::uint64_t count = 0;
  for (std::uint32_t p : TablePages(pager, *def_)) {
    PageRef bytes = pager.Read(p);
    DataPage page(*bytes);
    for (std::size_t i = 0, n = page.SlotCount(); i < n; ++i) count += !page.IsDeleted(i);
  }
  return count;
}

RowScanner::RowScanner(Pager& pager, const TableDef& def) : RowScanner(pager, def, TablePages(pager, def)) {}

RowScanner::RowScanner(Pager& pager, const TableDef& def, std::vector<std::uint32_t> pages)
    : pager_(&pager), owner_(def.page), pages_(std::move(pages)) {}

bool RowScanner::LoadPage() {
  while (nextPage_ < pages_.size()) {
    page_ = pager_->Read(pages_[nextPage_++]);
    slot_ = 0;
    slotCount_ = DataPage(*page_).SlotCount();
    if (slotCount_ > 0) return true;
  }
  page_.reset();
  return false;
}

bool RowScanner::Next(ByteSpan& row) {
  for (;;) {
    if (!page_ || slot_ >= slotCount_) {
      if (!LoadPage()) return false;
    }
    DataPage page(*page_);
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
      scanner_(std::make_unique<RowScanner>(connection_->pager, *def_)),
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
