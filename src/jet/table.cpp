#include "jet/table.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/names.h"
#include "jet/usage_map.h"

namespace jet {
namespace {
constexpr int kMaxLookupHops = 8;

// The stretch's pages with one read, none of them kept in the cache.
std::vector<PageRef> ReadStretchOnce(Pager& pager, PageStretch stretch) {
  std::vector<PageRef> pages = pager.ReadOnce(stretch.first, stretch.count);
  for (std::uint32_t k = static_cast<std::uint32_t>(pages.size()); k < stretch.count; ++k)
    pages.push_back(pager.ReadOnce(stretch.first + k));  // reports why it cannot be read
  return pages;
}
}  // namespace

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

OwnedPageWalk::OwnedPageWalk(Pager& pager, const TableDef& def, std::uint32_t from)
    : pager_(&pager), map_(pager, def.ownedPages), from_(from) {}

std::optional<PageStretch> OwnedPageWalk::Next(std::size_t limit) {
  if (from_ > kMaxPageNumber) return std::nullopt;
  std::optional<PageStretch> stretch = map_.NextStretch(from_, limit);
  if (!stretch) {
    from_ = kMaxPageNumber + 1;
    return std::nullopt;
  }
  const std::uint32_t pageCount = pager_->PageCount();
  if (stretch->first >= pageCount) ThrowDamaged("a table owns a page beyond the end of the file");
  // The pages past the end are refused when the walk reaches them, after
  // the rows before them.
  stretch->count = std::min(stretch->count, pageCount - stretch->first);
  from_ = stretch->first + stretch->count;
  return stretch;
}

void ForEachDataPage(Pager& pager, const TableDef& def, const DataPageVisitor& visit) {
  OwnedPageWalk walk(pager, def);
  while (std::optional<PageStretch> stretch = walk.Next(1)) {
    PageRef bytes = pager.Read(stretch->first);
    DataPage page(*bytes, pager.Format());
    if (page.IsData() && page.Owner() == def.page) visit(stretch->first, bytes, page);
  }
}

std::uint64_t CountLiveRows(Pager& pager, const TableDef& def) {
  constexpr std::size_t kPagesPerRead = 16;
  std::uint64_t count = 0;
  OwnedPageWalk walk(pager, def);
  while (std::optional<PageStretch> stretch = walk.Next(kPagesPerRead)) {
    for (const PageRef& bytes : ReadStretchOnce(pager, *stretch)) {
      DataPage page(*bytes, pager.Format());
      if (!page.IsData() || page.Owner() != def.page) continue;
      for (std::size_t s = 0, n = page.SlotCount(); s < n; ++s) count += !page.IsDeleted(s);
    }
  }
  return count;
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
  return CountLiveRows(pager, *def_);
}

// The map's pages are checked as they are read: a scan that keeps no page
// must not read each one twice.
RowScanner::RowScanner(Pager& pager, const TableDef& def, PageReads reads)
    : RowScanner(pager, def, 0, kMaxPageNumber + std::size_t{1}, reads) {}

RowScanner::RowScanner(Pager& pager, const TableDef& def, std::uint32_t from, std::size_t pageLimit, PageReads reads)
    : pager_(&pager), owner_(def.page), pages_(pager, def, from), pagesLeft_(pageLimit), reads_(reads) {}

bool RowScanner::LoadPage() {
  for (;;) {
    if (aheadUsed_ == ahead_.size() && !ReadStretch()) {
      page_.reset();
      return false;
    }
    page_ = ahead_[aheadUsed_++];
    DataPage data(*page_, pager_->Format());
    if (!data.IsData() || data.Owner() != owner_) continue;
    slot_ = 0;
    slotCount_ = data.SlotCount();
    if (slotCount_ > 0) return true;
  }
}

// kOnce takes up to 16 pages that follow each other in the file with one
// read: 64 KiB held, a sixteenth of the reads.
bool RowScanner::ReadStretch() {
  constexpr std::size_t kReadAhead = 16;
  const std::size_t limit = reads_ == PageReads::kOnce ? std::min(kReadAhead, pagesLeft_) : 1;
  std::optional<PageStretch> stretch = pagesLeft_ == 0 ? std::nullopt : pages_.Next(limit);
  if (!stretch) return false;
  pagesLeft_ -= stretch->count;
  aheadUsed_ = 0;
  if (reads_ == PageReads::kCached) {
    ahead_.assign(1, pager_->Read(stretch->first));
    return true;
  }
  ahead_ = ReadStretchOnce(*pager_, *stretch);
  return true;
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
