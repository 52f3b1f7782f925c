#include "jet/tdef.h"

#include <algorithm>
#include <unordered_set>

#include "jet/code_page.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kContinuationHeader = 8;
constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kMaxIndexes = 1000;  // far above Jet's 32; only a sanity bound

std::vector<std::uint8_t> JoinPages(Pager& pager, std::uint32_t first, std::vector<std::uint32_t>& pages) {
  std::vector<std::uint8_t> joined;
  std::unordered_set<std::uint32_t> seen;
  for (std::uint32_t page = first; page != 0;) {
    if (!seen.insert(page).second) ThrowDamaged("a table definition's pages form a cycle");
    PageRef bytes = pager.Read(page);
    if ((*bytes)[0] != kPageTypeTdef) ThrowDamaged("a table definition points to a page of another kind");
    pages.push_back(page);
    joined.insert(joined.end(), bytes->begin() + (joined.empty() ? 0 : kContinuationHeader),
                  bytes->begin() + pager.PageSize());
    page = U32(*bytes, 4);
  }
  return joined;
}

// A column or index name: u16 byte length + UCS-2 (Jet 3: u8 length + bytes
// in the file's code page).
std::string ReadName(ByteSpan b, std::size_t& at, const Header& header) {
  const Format& f = *header.format;
  std::size_t len = f.nameLengthBytes == 1 ? U8(b, at) : U16(b, at);
  at += f.nameLengthBytes;
  Require(b, at, len, "a name beyond its table definition");
  std::string name;
  if (f.textInCodePage)
    DecodeCodePage(FileCodePage(header), b.subspan(at, len), name);
  else
    DecodeUcs2(b.subspan(at, len), name);
  at += len;
  return name;
}

bool IsKnownType(std::uint8_t type) {
  return (type >= static_cast<std::uint8_t>(ColumnType::Boolean) && type <= static_cast<std::uint8_t>(ColumnType::Memo)) ||
         type == static_cast<std::uint8_t>(ColumnType::Guid) || type == static_cast<std::uint8_t>(ColumnType::Decimal);
}

bool IsText(const Column& c) { return c.Type() == ColumnType::Text || c.Type() == ColumnType::Memo; }

// Reads one column block at `at` (everything but the name).
Column ReadColumn(ByteSpan b, std::size_t at, const Format& f) {
  Require(b, at, f.columnBlock, "a column beyond its table definition");
  Column c;
  c.type = b[at];
  c.number = U16(b, at + f.columnNumberAt);
  c.varIndex = U16(b, at + f.columnVarIndexAt);
  c.precision = b[at + f.columnPrecisionAt];
  c.scale = b[at + f.columnScaleAt];
  c.flags = b[at + f.columnFlagsAt];
  if (f.columnExtraFlagsAt) c.extraFlags = b[at + f.columnExtraFlagsAt];
  c.fixedOffset = U16(b, at + f.columnFixedOffsetAt);
  c.length = U16(b, at + f.columnLengthAt);
  if (IsText(c)) {
    c.sortLcid = U16(b, at + f.columnSortOrderAt);
    if (f.sortOrderHasVersion) c.sortVersion = b[at + f.columnSortOrderAt + 3];
    if (f.columnCodePageAt) c.codePage = U16(b, at + f.columnCodePageAt);
  }
  if (c.Type() == ColumnType::Complex && f.columnComplexIdAt) {
    c.complexId = U32(b, at + f.columnComplexIdAt);
    c.kind = ColumnKind::kComplex;  // its kind proper comes from the catalogue
  } else if (!IsKnownType(c.type)) {
    c.kind = ColumnKind::kUnknownType;
  } else if (c.extraFlags & kColumnCalculated) {
    c.kind = ColumnKind::kCalculated;
  }
  return c;
}

}  // namespace

std::string TypeName(std::uint8_t type) {
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::Boolean: return "Yes/No";
    case ColumnType::Byte: return "Byte";
    case ColumnType::Integer: return "Integer";
    case ColumnType::Long: return "Long Integer";
    case ColumnType::Currency: return "Currency";
    case ColumnType::Single: return "Single";
    case ColumnType::Double: return "Double";
    case ColumnType::DateTime: return "Date/Time";
    case ColumnType::Binary: return "Binary";
    case ColumnType::Text: return "Text";
    case ColumnType::Ole: return "OLE Object";
    case ColumnType::Memo: return "Memo";
    case ColumnType::Guid: return "Replication ID";
    case ColumnType::Decimal: return "Decimal";
    case ColumnType::Complex: return "Complex";
  }
  if (type == 0x13) return "Large Number";
  if (type == 0x14) return "Date/Time Extended";
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("Unknown 0x") + kHex[type >> 4] + kHex[type & 15];
}

std::string KindDescription(const Column& column) {
  switch (column.kind) {
    case ColumnKind::kValue: return TypeName(column.type);
    case ColumnKind::kAttachment: return "attached files";
    case ColumnKind::kMultiValued: return "a multi-valued field";
    case ColumnKind::kVersionHistory: return "the history of an append-only memo";
    case ColumnKind::kComplex: return "a complex field of Access 2007 or later";
    case ColumnKind::kCalculated: return "a calculated field";
    case ColumnKind::kUnknownType: return "a field of type " + TypeName(column.type) + ", which this program does not know";
  }
  return TypeName(column.type);
}

std::string UnreadableFields(const std::vector<Column>& columns) {
  std::string fields;
  for (const Column& c : columns)
    if (!c.Readable()) fields += (fields.empty() ? "'" : ", '") + c.name + "' (" + KindDescription(c) + ")";
  return fields;
}

RowPointer ReadOwnedPagesMap(Pager& pager, std::uint32_t page) {
  PageRef bytes = pager.Read(page);
  if ((*bytes)[0] != kPageTypeTdef) ThrowDamaged("a table definition points to a page of another kind");
  return RowPointer::FromU32(U32(*bytes, pager.Format().tdefOwnedPagesAt));
}

bool SameDefinitionPage(const Format& format, std::size_t index, ByteSpan then, ByteSpan now) {
  if (then.size() != now.size()) return false;
  if (index != 0) return std::equal(then.begin(), then.end(), now.begin());
  // Compared up to each field rows change (the row count and AutoNumber,
  // then each real index's unique count), which is left out; checked on
  // every insert, so without building a list.
  std::size_t from = 0;
  const auto sameUpTo = [&](std::size_t end) {
    return std::equal(then.begin() + from, then.begin() + end, now.begin() + from);
  };
  if (!sameUpTo(format.tdefRowCountAt)) return false;
  from = format.tdefAutoNumberAt + 4;
  const std::size_t realIndexes = std::min<std::size_t>(U32(then, format.tdefRealIndexCountAt), kMaxIndexes);
  for (std::size_t i = 0; i < realIndexes; ++i) {
    const std::size_t count = UniqueCountOffset(format, i);
    if (count + 4 > then.size()) continue;
    if (!sameUpTo(count)) return false;
    from = count + 4;
  }
  return sameUpTo(then.size());
}

TableDef ReadTableDef(Pager& pager, std::uint32_t page) {
  TableDef t;
  t.page = page;
  t.bytes = JoinPages(pager, page, t.pages);
  ByteSpan b(t.bytes);

  const Header& header = pager.FileHeader();
  const Format& f = *header.format;
  t.rowCount = U32(b, f.tdefRowCountAt);
  t.autoNumber = U32(b, f.tdefAutoNumberAt);
  t.tableType = U8(b, f.tdefTableTypeAt);
  t.maxColumns = U16(b, f.tdefMaxColumnsAt);
  t.variableColumns = U16(b, f.tdefVariableColumnsAt);
  std::size_t columnCount = U16(b, f.tdefColumnCountAt);
  std::size_t logicalCount = U32(b, f.tdefLogicalIndexCountAt);
  std::size_t realCount = U32(b, f.tdefRealIndexCountAt);
  t.ownedPages = RowPointer::FromU32(U32(b, f.tdefOwnedPagesAt));
  t.freeSpacePages = RowPointer::FromU32(U32(b, f.tdefFreeSpacePagesAt));
  if (columnCount > kMaxColumns || logicalCount > kMaxIndexes || realCount > kMaxIndexes)
    ThrowDamaged("a table definition with impossible counts");

  std::size_t at = f.tdefFirstBlockAt;
  t.realIndexes.resize(realCount);
  for (auto& index : t.realIndexes) {
    index.uniqueCount = U32(b, at + 4);
    at += f.realIndexCountBlock;
  }

  t.columns.resize(columnCount);
  for (Column& c : t.columns) {
    c = ReadColumn(b, at, f);
    at += f.columnBlock;
  }
  for (Column& c : t.columns) c.name = ReadName(b, at, header);
  // Usually already in order; sorting anyway would move every column.
  auto byNumber = [](const Column& a, const Column& c) { return a.number < c.number; };
  if (!std::is_sorted(t.columns.begin(), t.columns.end(), byNumber))
    std::stable_sort(t.columns.begin(), t.columns.end(), byNumber);
  for (std::size_t i = 1; i < t.columns.size(); ++i)
    if (t.columns[i].number == t.columns[i - 1].number) ThrowDamaged("two columns with one number");

  for (auto& index : t.realIndexes) {
    Require(b, at, f.realIndexBlock, "an index beyond its table definition");
    for (int k = 0; k < 10; ++k) {
      std::size_t place = at + f.realIndexColumnsAt + 3 * k;
      std::uint16_t column = U16(b, place);
      if (column != 0xFFFF) index.columns.emplace_back(column, b[place + 2] != 0);
    }
    index.usageMap = RowPointer::FromU32(U32(b, at + f.realIndexUsageMapAt));
    index.rootPage = U32(b, at + f.realIndexRootAt);
    index.flags = b[at + f.realIndexFlagsAt];
    at += f.realIndexBlock;
  }
  t.logicalIndexes.resize(logicalCount);
  for (auto& index : t.logicalIndexes) {
    Require(b, at, f.logicalIndexBlock, "an index beyond its table definition");
    index.number = U32(b, at + f.logicalIndexNumberAt);
    index.realIndex = U32(b, at + f.logicalIndexRealIndexAt);
    index.kind = b[at + f.logicalIndexKindAt];
    at += f.logicalIndexBlock;
  }
  for (auto& index : t.logicalIndexes) index.name = ReadName(b, at, header);
  return t;
}

}  // namespace jet
