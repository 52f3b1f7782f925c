#include "jet/write/table_rows.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/long_value.h"
#include "jet/usage_map.h"
#include "jet/write/table_map.h"

namespace jet {
namespace {

constexpr std::size_t kLongValueRowData = 4076;
// Pages of a free-space map tried besides its last before a new page is
// taken: enough to find the room deletes made, few enough to keep an
// insert's cost flat.
constexpr std::size_t kEarlierPagesTried = 8;

}  // namespace

std::vector<LongValueMaps> ReadLongValueMaps(const TableDef& def) {
  ByteSpan b(def.bytes);
  const DefinitionParts parts = FindDefinitionParts(def);
  std::size_t at = parts.afterNames;
  const std::size_t end = parts.end;
  std::vector<LongValueMaps> maps;
  for (; at + 10 <= end && U16(b, at) != 0xFFFF; at += 10)
    maps.push_back({U16(b, at), RowPointer::FromU32(U32(b, at + 2)), RowPointer::FromU32(U32(b, at + 6))});
  return maps;
}

TableRows::TableRows(Pager& pager, const TableDef& def)
    : pager_(pager), def_(def), longValueMaps_(ReadLongValueMaps(def)) {}

void TableRows::AddToRowCount(int delta) {
  std::uint8_t* tdef = pager_.Write(def_.page);
  const std::size_t at = pager_.Format().tdefRowCountAt;
  std::uint32_t count = U32(ByteSpan(tdef, kPageSize), at);
  PutU32(tdef + at, static_cast<std::uint32_t>(static_cast<std::int64_t>(count) + delta));
}

std::optional<std::uint32_t> TableRows::PageWithRoom(RowPointer freeSpaceMap, std::uint32_t owner,
                                                     std::size_t rowLength) {
  auto fits = [&](std::uint32_t p) {
    if (!pager_.Exists(p)) return false;
    DataPage page(*pager_.Read(p), pager_.Format());
    return page.IsData() && page.Owner() == owner && page.HasRoomFor(rowLength);
  };
  std::optional<std::uint32_t> last = LastMapPage(pager_, freeSpaceMap);
  if (!last) return std::nullopt;
  if (fits(*last)) return last;
  std::vector<std::uint32_t> pages = MapPages(pager_, freeSpaceMap);
  for (std::size_t i = pages.size() - 1, tried = 0; i-- > 0 && tried < kEarlierPagesTried; ++tried)
    if (fits(pages[i])) return pages[i];
  // The last page is full for rows of this size: a new page takes its place.
  RemoveFromMap(pager_, freeSpaceMap, *last);
  return std::nullopt;
}

RowPointer TableRows::Insert(ByteSpan row) {
  if (row.size() > kMaxRowSize) throw Error(kStatementFailed, "Record is too large.");
  if (std::optional<std::uint32_t> page = PageWithRoom(def_.freeSpacePages, def_.page, row.size())) {
    std::size_t slot = DataPageWriter(pager_.Write(*page)).AddRow(row);
    AddToRowCount(1);
    return {*page, static_cast<std::uint8_t>(slot)};
  }
  std::uint32_t fresh = pager_.Allocate();
  DataPageWriter writer(pager_.Write(fresh));
  writer.Init(def_.page);
  std::size_t slot = writer.AddRow(row);
  AddToMap(pager_, def_.ownedPages, fresh);
  AddToMap(pager_, def_.freeSpacePages, fresh);
  AddToRowCount(1);
  return {fresh, static_cast<std::uint8_t>(slot)};
}

void TableRows::Delete(RowPointer where) {
  DataPageWriter(pager_.Write(where.page)).Remove(where.row);
  AddToRowCount(-1);
  // The row's bytes are free again; the next insert finds them.
  if (!UsageMap(pager_, def_.freeSpacePages).Contains(where.page)) AddToMap(pager_, def_.freeSpacePages, where.page);
}

void TableRows::FreeLongValue(ByteSpan reference, PageSpace& space) {
  std::vector<RowPointer> rows;
  VisitLongValueRows(pager_, reference, [&](RowPointer where, ByteSpan) { rows.push_back(where); });
  for (RowPointer where : rows) {
    DataPageWriter(pager_.Write(where.page)).Remove(where.row);
    if (!DataPage(*pager_.Read(where.page), pager_.Format()).Empty()) continue;
    // An LVAL page with no row left goes back to the file's free pages.
    for (const LongValueMaps& maps : longValueMaps_)
      for (RowPointer map : {maps.owned, maps.freeSpace})
        if (map.page != 0) RemoveFromMap(pager_, map, where.page);
    space.Release(where.page);
  }
}

LongValueStore TableRows::LongValues() {
  return [this](const Column& column, ByteSpan data) { return StoreLongValue(column, data); };
}

RowPointer TableRows::AddLongValueRow(const std::optional<LongValueMaps>& maps, ByteSpan row, bool reuse) {
  if (reuse && maps && maps->freeSpace.page != 0) {
    if (std::optional<std::uint32_t> page = PageWithRoom(maps->freeSpace, kLvalOwner, row.size())) {
      std::size_t slot = DataPageWriter(pager_.Write(*page)).AddRow(row);
      return {*page, static_cast<std::uint8_t>(slot)};
    }
  }
  std::uint32_t fresh = pager_.Allocate();
  DataPageWriter writer(pager_.Write(fresh));
  writer.Init(kLvalOwner);
  std::size_t slot = writer.AddRow(row);
  if (maps) {
    AddToMap(pager_, maps->owned, fresh);
    if (reuse && maps->freeSpace.page != 0) AddToMap(pager_, maps->freeSpace, fresh);
  }
  return {fresh, static_cast<std::uint8_t>(slot)};
}

std::vector<std::uint8_t> TableRows::StoreLongValue(const Column& column, ByteSpan data) {
  std::optional<LongValueMaps> maps;
  for (const LongValueMaps& m : longValueMaps_)
    if (m.column == column.number) maps = m;
  std::vector<std::uint8_t> reference(kLongValueReferenceSize, 0);
  if (data.size() <= kLongValueRowData) {
    RowPointer where = AddLongValueRow(maps, data, true);
    PutU32(reference.data(), static_cast<std::uint32_t>(data.size()) | kLongValueSingle);
    PutU32(reference.data() + 4, where.ToU32());
    return reference;
  }
  // A chain, written from its end so that each row knows the next.
  std::size_t pieces = (data.size() + kLongValueRowData - 1) / kLongValueRowData;
  RowPointer next{};
  for (std::size_t i = pieces; i-- > 0;) {
    std::size_t begin = i * kLongValueRowData;
    std::size_t length = std::min(kLongValueRowData, data.size() - begin);
    std::vector<std::uint8_t> row(4 + length);
    PutU32(row.data(), next.ToU32());
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(begin), length, row.begin() + 4);
    next = AddLongValueRow(maps, row, false);
  }
  PutU32(reference.data(), static_cast<std::uint32_t>(data.size()));
  PutU32(reference.data() + 4, next.ToU32());
  return reference;
}

}  // namespace jet
