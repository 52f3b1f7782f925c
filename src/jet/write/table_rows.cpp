#include "jet/write/table_rows.h"

#include <algorithm>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/long_value.h"
#include "jet/write/table_map.h"

namespace jet {
namespace {

constexpr std::size_t kLongValueRowData = 4076;

bool HasRoom(const DataPage& page, std::size_t rowLength) {
  return page.SlotCount() < kMaxRowsPerPage && page.FreeSpace() >= rowLength + 2;
}

std::size_t SkipNames(ByteSpan b, std::size_t at, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) at += 2 + U16(b, at);
  return at;
}

}  // namespace

std::vector<LongValueMaps> ReadLongValueMaps(const TableDef& def) {
  ByteSpan b(def.bytes);
  std::size_t at = 63 + 12 * def.realIndexes.size() + 25 * def.columns.size();
  at = SkipNames(b, at, def.columns.size());
  at += 52 * def.realIndexes.size() + 28 * def.logicalIndexes.size();
  at = SkipNames(b, at, def.logicalIndexes.size());
  std::size_t end = U32(b, 8);
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

RowPointer TableRows::Insert(ByteSpan row) {
  if (row.size() > kMaxRowSize) throw Error(kStatementFailed, "Record is too large.");
  std::optional<std::uint32_t> last = LastMapPage(pager_, def_.freeSpacePages);
  if (last && pager_.Exists(*last)) {
    PageRef bytes = pager_.Read(*last);
    DataPage page(*bytes, pager_.Format());
    if (page.IsData() && page.Owner() == def_.page && HasRoom(page, row.size())) {
      std::size_t slot = DataPageWriter(pager_.Write(*last)).AddRow(row);
      AddToRowCount(1);
      return {*last, static_cast<std::uint8_t>(slot)};
    }
  }
  std::uint32_t fresh = pager_.Allocate();
  DataPageWriter writer(pager_.Write(fresh));
  writer.Init(def_.page);
  std::size_t slot = writer.AddRow(row);
  if (last) RemoveFromMap(pager_, def_.freeSpacePages, *last);
  AddToMap(pager_, def_.ownedPages, fresh);
  AddToMap(pager_, def_.freeSpacePages, fresh);
  AddToRowCount(1);
  return {fresh, static_cast<std::uint8_t>(slot)};
}

void TableRows::Delete(RowPointer where) {
  DataPageWriter(pager_.Write(where.page)).MarkDeleted(where.row);
  AddToRowCount(-1);
}

LongValueStore TableRows::LongValues() {
  return [this](const Column& column, ByteSpan data) { return StoreLongValue(column, data); };
}

RowPointer TableRows::AddLongValueRow(const std::optional<LongValueMaps>& maps, ByteSpan row, bool reuse) {
  if (reuse && maps) {
    std::optional<std::uint32_t> last = LastMapPage(pager_, maps->freeSpace);
    if (last && pager_.Exists(*last)) {
      PageRef bytes = pager_.Read(*last);
      DataPage page(*bytes, pager_.Format());
      if (page.IsData() && page.Owner() == kLvalOwner && HasRoom(page, row.size())) {
        std::size_t slot = DataPageWriter(pager_.Write(*last)).AddRow(row);
        return {*last, static_cast<std::uint8_t>(slot)};
      }
      RemoveFromMap(pager_, maps->freeSpace, *last);
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
