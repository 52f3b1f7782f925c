#include "jet/tdef.h"

#include <algorithm>
#include <unordered_set>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kContinuationHeader = 8;
constexpr std::size_t kRealIndexCountBlock = 12;
constexpr std::size_t kColumnBlock = 25;
constexpr std::size_t kRealIndexBlock = 52;
constexpr std::size_t kLogicalIndexBlock = 28;
constexpr std::size_t kFirstBlock = 63;
constexpr std::size_t kOwnedPagesAt = 55;
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
    joined.insert(joined.end(), bytes->begin() + (joined.empty() ? 0 : kContinuationHeader), bytes->end());
    page = U32(*bytes, 4);
  }
  return joined;
}

std::string ReadName(ByteSpan b, std::size_t& at) {
  std::size_t len = U16(b, at);
  Require(b, at + 2, len, "a name beyond its table definition");
  std::string name;
  DecodeUcs2(b.subspan(at + 2, len), name);
  at += 2 + len;
  return name;
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
  }
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("Unknown 0x") + kHex[type >> 4] + kHex[type & 15];
}

RowPointer ReadOwnedPagesMap(Pager& pager, std::uint32_t page) {
  PageRef bytes = pager.Read(page);
  if ((*bytes)[0] != kPageTypeTdef) ThrowDamaged("a table definition points to a page of another kind");
  return RowPointer::FromU32(U32(*bytes, kOwnedPagesAt));
}

bool SameDefinitionPage(std::size_t index, ByteSpan then, ByteSpan now) {
  if (then.size() != now.size()) return false;
  if (index != 0) return std::equal(then.begin(), then.end(), now.begin());
  std::vector<std::pair<std::size_t, std::size_t>> skipped = {{kRowCountOffset, kAutoNumberOffset + 4}};
  const std::size_t realIndexes = std::min<std::size_t>(U32(then, kRealIndexCountOffset), kMaxIndexes);
  for (std::size_t i = 0; i < realIndexes; ++i) {
    const std::size_t count = UniqueCountOffset(i);
    if (count + 4 <= then.size()) skipped.emplace_back(count, count + 4);
  }
  std::size_t from = 0;
  for (auto [begin, end] : skipped) {
    if (!std::equal(then.begin() + from, then.begin() + begin, now.begin() + from)) return false;
    from = end;
  }
  return std::equal(then.begin() + from, then.end(), now.begin() + from);
}

TableDef ReadTableDef(Pager& pager, std::uint32_t page) {
  TableDef t;
  t.page = page;
  t.bytes = JoinPages(pager, page, t.pages);
  ByteSpan b(t.bytes);

  t.rowCount = U32(b, kRowCountOffset);
  t.autoNumber = U32(b, kAutoNumberOffset);
  t.tableType = U8(b, 40);
  t.maxColumns = U16(b, 41);
  t.variableColumns = U16(b, 43);
  std::size_t columnCount = U16(b, 45);
  std::size_t logicalCount = U32(b, 47);
  std::size_t realCount = U32(b, kRealIndexCountOffset);
  t.ownedPages = RowPointer::FromU32(U32(b, kOwnedPagesAt));
  t.freeSpacePages = RowPointer::FromU32(U32(b, 59));
  if (columnCount > kMaxColumns || logicalCount > kMaxIndexes || realCount > kMaxIndexes)
    ThrowDamaged("a table definition with impossible counts");

  std::size_t at = kFirstBlock;
  t.realIndexes.resize(realCount);
  for (auto& index : t.realIndexes) {
    index.uniqueCount = U32(b, at + 4);
    at += kRealIndexCountBlock;
  }

  t.columns.resize(columnCount);
  for (Column& c : t.columns) {
    Require(b, at, kColumnBlock, "a column beyond its table definition");
    c.type = b[at];
    c.number = U16(b, at + 5);
    c.varIndex = U16(b, at + 7);
    c.precision = b[at + 11];
    c.scale = b[at + 12];
    c.sortLcid = U16(b, at + 11);
    c.sortVersion = b[at + 14];
    c.flags = b[at + 15];
    c.extraFlags = b[at + 16];
    c.fixedOffset = U16(b, at + 21);
    c.length = U16(b, at + 23);
    at += kColumnBlock;
  }
  for (Column& c : t.columns) c.name = ReadName(b, at);
  // Usually already in order; sorting anyway would move every column.
  auto byNumber = [](const Column& a, const Column& c) { return a.number < c.number; };
  if (!std::is_sorted(t.columns.begin(), t.columns.end(), byNumber))
    std::stable_sort(t.columns.begin(), t.columns.end(), byNumber);
  for (std::size_t i = 1; i < t.columns.size(); ++i)
    if (t.columns[i].number == t.columns[i - 1].number) ThrowDamaged("two columns with one number");

  for (auto& index : t.realIndexes) {
    Require(b, at, kRealIndexBlock, "an index beyond its table definition");
    for (int k = 0; k < 10; ++k) {
      std::uint16_t column = U16(b, at + 4 + 3 * k);
      if (column != 0xFFFF) index.columns.emplace_back(column, b[at + 6 + 3 * k] != 0);
    }
    index.usageMap = RowPointer::FromU32(U32(b, at + 34));
    index.rootPage = U32(b, at + 38);
    index.flags = b[at + 46];
    at += kRealIndexBlock;
  }
  t.logicalIndexes.resize(logicalCount);
  for (auto& index : t.logicalIndexes) {
    Require(b, at, kLogicalIndexBlock, "an index beyond its table definition");
    index.number = U32(b, at + 4);
    index.realIndex = U32(b, at + 8);
    index.kind = b[at + 23];
    at += kLogicalIndexBlock;
  }
  for (auto& index : t.logicalIndexes) index.name = ReadName(b, at);
  return t;
}

}  // namespace jet
