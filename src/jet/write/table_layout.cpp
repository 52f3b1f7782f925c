#include "jet/write/table_layout.h"

#include <algorithm>
#include <set>

#include "jet/error.h"
#include "jet/names.h"
#include "jet/row_codec.h"
#include "jet/sql/names.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

constexpr std::uint32_t kDefinitionMagic = 1625;
constexpr std::uint32_t kRealIndexMagic = 1923;
constexpr std::size_t kHeaderLength = 63;
constexpr std::size_t kColumnBlockLength = 25;
constexpr std::size_t kRealIndexCountLength = 12;
constexpr std::size_t kRealIndexLength = 52;
constexpr std::size_t kRealIndexSlots = 10;
constexpr std::size_t kLogicalIndexLength = 28;
constexpr std::size_t kContinuationHeader = 8;
// What Access writes in the two bytes after a logical index's related table
// when the index is no foreign key.
constexpr std::uint8_t kNoCascade = 0x04;

[[noreturn]] void Refuse(const std::string& why) { throw Error(kStatementFailed, why); }

}  // namespace

namespace {

// A column's Jet type, its bytes in the fixed area (fixed columns) or its most
// bytes (variable ones, 0 for memo and OLE), and whether it is fixed.
struct StoredType {
  ColumnType type;
  std::uint16_t length;
  bool fixed;
};

StoredType StoredTypeOf(const sql::DeclaredColumn& c) {
  using K = sql::ColumnKind;
  switch (c.kind) {
    case K::Boolean: return {ColumnType::Boolean, 1, true};
    case K::Byte: return {ColumnType::Byte, 1, true};
    case K::Integer: return {ColumnType::Integer, 2, true};
    case K::Long:
    case K::Counter: return {ColumnType::Long, 4, true};
    case K::Currency: return {ColumnType::Currency, 8, true};
    case K::Single: return {ColumnType::Single, 4, true};
    case K::Double: return {ColumnType::Double, 8, true};
    case K::DateTime: return {ColumnType::DateTime, 8, true};
    case K::Guid: return {ColumnType::Guid, 16, true};
    case K::Decimal: return {ColumnType::Decimal, 17, true};
    case K::Text: return {ColumnType::Text, static_cast<std::uint16_t>(2 * c.length), false};
    case K::FixedText: return {ColumnType::Text, static_cast<std::uint16_t>(2 * c.length), true};
    case K::Memo: return {ColumnType::Memo, 0, false};
    case K::Binary: return {ColumnType::Binary, static_cast<std::uint16_t>(c.length), false};
    case K::LongBinary: return {ColumnType::Ole, 0, false};
  }
  Refuse("Syntax error in field definition.");
}

}  // namespace

std::vector<Column> LayOutColumns(const sql::CreateTable& create, std::uint16_t sortLcid, std::uint8_t sortVersion) {
  if (create.columns.size() > kMaxColumns) Refuse("Too many fields defined.");
  std::vector<Column> columns;
  std::set<std::u16string> seen;
  std::uint16_t fixedOffset = 0;
  std::uint16_t variables = 0;
  bool counter = false;
  for (const sql::DeclaredColumn& requested : create.columns) {
    if (auto why = sql::InvalidNameReason(requested.name)) Refuse(*why);
    if (!seen.insert(FoldName(requested.name)).second) Refuse("Cannot define field more than once.");
    if (requested.kind == sql::ColumnKind::Counter) {
      if (counter) Refuse("Resultant table not allowed to have more than one AutoNumber field.");
      counter = true;
    }
    const StoredType stored = StoredTypeOf(requested);
    Column c;
    c.name = requested.name;
    c.number = static_cast<std::uint16_t>(columns.size());
    c.type = static_cast<std::uint8_t>(stored.type);
    c.length = stored.length;
    c.flags = kColumnUpdatable | (stored.fixed ? kColumnFixed : 0) |
              (requested.kind == sql::ColumnKind::Counter ? kColumnAutoLong : 0);
    if (requested.compressed && !stored.fixed) c.extraFlags = kColumnCompressed;
    if (stored.type == ColumnType::Decimal) {
      c.precision = static_cast<std::uint8_t>(requested.precision);
      c.scale = static_cast<std::uint8_t>(requested.scale);
    } else {
      c.sortLcid = sortLcid;
      c.sortVersion = sortVersion;
    }
    if (stored.fixed) {
      c.fixedOffset = fixedOffset;
      c.varIndex = variables;  // variable columns before it, as Access writes
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + FixedSize(c));
    } else {
      c.varIndex = variables++;
    }
    columns.push_back(c);
  }
  if (SmallestRowSize(columns) > kMaxRowSize) Refuse("Record is too large.");
  return columns;
}

std::size_t SmallestRowSize(const std::vector<Column>& columns) {
  std::size_t fixed = 0;
  std::size_t variables = 0;
  for (const Column& c : columns) {
    if (c.IsFixed())
      fixed += FixedSize(c);
    else
      ++variables;
  }
  std::size_t trailer = variables ? 4 + 2 * variables : 0;
  return 2 + fixed + trailer + (columns.size() + 7) / 8;
}

std::vector<std::uint8_t> BuildDefinition(const DefinitionLayout& layout) {
  const bool system = layout.tableType == kTableTypeSystem;
  std::vector<std::uint8_t> b(kHeaderLength, 0);
  b[0] = kPageTypeTdef;
  b[1] = 0x01;
  PutU32(&b[12], kDefinitionMagic);
  b[24] = 0x01;
  b[40] = layout.tableType;
  std::uint16_t variables = 0;
  for (const Column& c : layout.columns) variables += c.IsFixed() ? 0 : 1;
  PutU16(&b[41], static_cast<std::uint16_t>(layout.columns.size()));
  PutU16(&b[43], variables);
  PutU16(&b[45], static_cast<std::uint16_t>(layout.columns.size()));
  PutU32(&b[47], static_cast<std::uint32_t>(layout.logicalIndexes.size()));
  PutU32(&b[51], static_cast<std::uint32_t>(layout.realIndexes.size()));
  PutU32(&b[55], layout.owned.ToU32());
  PutU32(&b[59], layout.freeSpace.ToU32());

  auto append = [&b](const std::vector<std::uint8_t>& part) { b.insert(b.end(), part.begin(), part.end()); };
  for (const RealIndex& index : layout.realIndexes) append(RealIndexCountBlock(index));
  for (const Column& c : layout.columns) {
    std::uint8_t block[kColumnBlockLength] = {};
    block[0] = c.type;
    PutU32(block + 1, kDefinitionMagic);
    PutU16(block + 5, c.number);
    PutU16(block + 7, c.varIndex);
    // Jet's own tables carry 0 in this second column number.
    PutU16(block + 9, system ? 0 : c.number);
    if (c.Type() == ColumnType::Decimal) {
      block[11] = c.precision;
      block[12] = c.scale;
    } else {
      PutU16(block + 11, c.sortLcid);
      block[14] = c.sortVersion;
    }
    block[15] = c.flags;
    block[16] = c.extraFlags;
    PutU16(block + 21, c.IsFixed() ? c.fixedOffset : 0);
    PutU16(block + 23, c.length);
    b.insert(b.end(), block, block + kColumnBlockLength);
  }
  for (const Column& c : layout.columns) append(NameBlock(c.name));
  for (const RealIndex& index : layout.realIndexes) append(RealIndexBlock(index));
  for (const LogicalIndex& index : layout.logicalIndexes) append(LogicalIndexBlock(index));
  for (const LogicalIndex& index : layout.logicalIndexes) append(NameBlock(index.name));
  for (const LongValueMaps& m : layout.longValueMaps) {
    std::uint8_t entry[10];
    PutU16(entry, m.column);
    PutU32(entry + 2, m.owned.ToU32());
    PutU32(entry + 6, m.freeSpace.ToU32());
    b.insert(b.end(), entry, entry + 10);
  }
  b.push_back(0xFF);
  b.push_back(0xFF);
  PutU32(&b[8], static_cast<std::uint32_t>(b.size()));
  return b;
}

std::vector<std::uint8_t> NameBlock(const std::string& utf8) {
  std::u16string name = Utf8ToUtf16(utf8);
  std::vector<std::uint8_t> b(2);
  PutU16(b.data(), static_cast<std::uint16_t>(2 * name.size()));
  for (char16_t unit : name) {
    b.push_back(static_cast<std::uint8_t>(unit));
    b.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return b;
}

std::vector<std::uint8_t> RealIndexCountBlock(const RealIndex& index) {
  std::vector<std::uint8_t> block(kRealIndexCountLength, 0);
  PutU32(block.data() + 4, index.uniqueCount);
  return block;
}

std::vector<std::uint8_t> RealIndexBlock(const RealIndex& index) {
  if (index.columns.size() > kRealIndexSlots) throw Error(kStatementFailed, "Too many fields in the index.");
  std::vector<std::uint8_t> block(kRealIndexLength, 0);
  PutU32(block.data(), kRealIndexMagic);
  for (std::size_t k = 0; k < kRealIndexSlots; ++k) {
    std::uint8_t* slot = block.data() + 4 + 3 * k;
    if (k < index.columns.size()) {
      PutU16(slot, index.columns[k].first);
      slot[2] = index.columns[k].second ? 0x01 : 0x00;
    } else {
      PutU16(slot, 0xFFFF);
    }
  }
  PutU32(block.data() + 34, index.usageMap.ToU32());
  PutU32(block.data() + 38, index.rootPage);
  block[46] = index.flags;
  return block;
}

std::vector<std::uint8_t> LogicalIndexBlock(const LogicalIndex& index) {
  std::vector<std::uint8_t> block(kLogicalIndexLength, 0);
  PutU32(block.data(), kDefinitionMagic);
  PutU32(block.data() + 4, index.number);
  PutU32(block.data() + 8, index.realIndex);
  PutU32(block.data() + 13, 0xFFFFFFFF);  // no related index
  block[21] = kNoCascade;
  block[22] = kNoCascade;
  block[23] = index.kind;
  return block;
}

DefinitionParts FindDefinitionParts(const TableDef& def) {
  ByteSpan b(def.bytes);
  DefinitionParts parts;
  parts.end = U32(b, 8);
  if (parts.end > b.size()) ThrowDamaged("a table definition longer than its pages");
  auto skipNames = [&](std::size_t at, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      Require(b, at, 2, "a name beyond its table definition");
      at += 2 + U16(b, at);
    }
    return at;
  };
  parts.counts = kHeaderLength;
  const std::size_t columns = parts.counts + kRealIndexCountLength * def.realIndexes.size();
  parts.realIndexes = skipNames(columns + kColumnBlockLength * def.columns.size(), def.columns.size());
  parts.logicalIndexes = parts.realIndexes + kRealIndexLength * def.realIndexes.size();
  parts.logicalNames = parts.logicalIndexes + kLogicalIndexLength * def.logicalIndexes.size();
  parts.afterNames = skipNames(parts.logicalNames, def.logicalIndexes.size());
  if (parts.afterNames > parts.end) ThrowDamaged("a table definition whose indexes run past its end");
  return parts;
}

std::vector<std::uint8_t> BuildDefinition(const std::vector<Column>& columns, RowPointer owned, RowPointer freeSpace,
                                          const std::vector<LongValueMaps>& longValueMaps) {
  DefinitionLayout layout;
  layout.columns = columns;
  layout.owned = owned;
  layout.freeSpace = freeSpace;
  layout.longValueMaps = longValueMaps;
  return BuildDefinition(layout);
}

std::size_t DefinitionPageCount(std::size_t blockLength) {
  if (blockLength <= kPageSize) return 1;
  std::size_t perPage = kPageSize - kContinuationHeader;
  return 1 + (blockLength - kPageSize + perPage - 1) / perPage;
}

void WriteDefinitionPage(const std::vector<std::uint8_t>& block, std::size_t index, std::uint32_t next,
                         std::uint8_t* page) {
  std::fill(page, page + kPageSize, 0);
  std::size_t begin = 0;
  std::size_t end = std::min(block.size(), kPageSize);
  std::size_t at = 0;
  if (index > 0) {
    begin = kPageSize + (index - 1) * (kPageSize - kContinuationHeader);
    end = std::min(block.size(), begin + kPageSize - kContinuationHeader);
    at = kContinuationHeader;
  }
  std::copy(block.begin() + static_cast<std::ptrdiff_t>(begin), block.begin() + static_cast<std::ptrdiff_t>(end),
            page + at);
  page[0] = kPageTypeTdef;
  page[1] = 0x01;
  // Free space counts the 8 header bytes once more, as Access writes it.
  bool last = end == block.size();
  std::size_t used = at + (end - begin);
  PutU16(page + 2, last ? static_cast<std::uint16_t>(kPageSize - used - 8) : 0);
  PutU32(page + 4, next);
}

}  // namespace jet
