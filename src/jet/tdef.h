// Table definitions (TDEF, page type 0x02). A definition may run over several
// pages: each page starts 02 01, u16 free space (Jet 3: "VC"), u32 next page
// (0 = last); the first page's content starts at offset 0, the others' at 8,
// and the pieces join into one block. In that block (Jet 4 and ACE; Jet 3
// keeps the same fields narrower, at the offsets of format.h):
//   16 u32 rows, 20 u32 last autonumber, 40 u8 table type (0x4E user, 0x53
//   system), 41 u16 highest column count, 43 u16 variable columns, 45 u16
//   columns, 47 u32 logical indexes, 51 u32 real indexes, 55 owned-pages map
//   pointer, 59 free-space map pointer; then 12 bytes per real index, 25 per
//   column, the column names (u16 byte length + UCS-2), 52 bytes per real
//   index, 28 per logical index and the logical index names.
// Column block: 0 type, 5 u16 number, 7 u16 place in the variable-offset
//   table, 11 precision, 12 scale (text: 11 u16 sort-order LCID, 14 u8 sort
//   version; complex: 11 u32 complex id), 15 flags (0x01 fixed length), 16
//   extra flags (0x01 compressed Unicode, 0xC0 calculated), 21 u16 offset in
//   the fixed area, 23 u16 length in bytes. Jet 3 names its text columns'
//   code page at 11 and its sort order at 9.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/bytes.h"
#include "jet/pager.h"

namespace jet {

enum class ColumnType : std::uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
  Guid = 0x0F,
  Decimal = 0x10,
  Complex = 0x12,  // Access 2007 and later; see complex_columns.h
};

// Jet's own name for a type ("Text", "Long Integer", ...); "Unknown 0xNN" otherwise.
std::string TypeName(std::uint8_t type);

inline constexpr std::uint8_t kTableTypeUser = 0x4E;
inline constexpr std::uint8_t kTableTypeSystem = 0x53;

inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;  // set by Access on every column
inline constexpr std::uint8_t kColumnAutoLong = 0x04;
inline constexpr std::uint8_t kColumnAutoGuid = 0x40;
inline constexpr std::uint8_t kColumnHyperlink = 0x80;
inline constexpr std::uint8_t kColumnCompressed = 0x01;  // extra flags
inline constexpr std::uint8_t kColumnCalculated = 0xC0;  // extra flags

// What a column holds as far as the engine reads it: values of its type, or
// a kind whose values it cannot give and names instead.
enum class ColumnKind : std::uint8_t {
  kValue,
  kAttachment,      // complex: attached files
  kMultiValued,     // complex: several values of one type
  kVersionHistory,  // complex: the kept history of an append-only memo
  kComplex,         // complex, of a kind not known here
  kCalculated,      // an expression's result (Access 2010 and later)
  kUnknownType,     // a type code this engine does not know
};

struct Column {
  std::string name;  // UTF-8
  std::uint8_t type = 0;
  std::uint16_t number = 0;    // bit in the null mask
  std::uint16_t varIndex = 0;  // place in the row's variable-offset table
  std::uint16_t fixedOffset = 0;
  std::uint16_t length = 0;  // bytes
  std::uint8_t precision = 0;
  std::uint8_t scale = 0;
  std::uint8_t flags = 0;
  std::uint8_t extraFlags = 0;
  std::uint16_t sortLcid = 0;  // text and memo: LCID of their sort order
  std::uint8_t sortVersion = 0;
  std::uint16_t codePage = 0;   // Access 97 text and memo: their code page
  std::uint32_t complexId = 0;  // complex columns
  ColumnKind kind = ColumnKind::kValue;

  ColumnType Type() const { return static_cast<ColumnType>(type); }
  bool Readable() const { return kind == ColumnKind::kValue; }
  bool IsFixed() const { return flags & kColumnFixed; }
  bool IsCompressed() const { return extraFlags & kColumnCompressed; }
  bool IsAutoNumber() const { return flags & kColumnAutoLong; }
};

// What a column of a kind other than kValue holds, for messages: "attached
// files", "a calculated field", ...
std::string KindDescription(const Column& column);
// Each column of a kind other than kValue named with what it holds ("'Photos'
// (attached files), 'Total' (a calculated field)"); empty when there is none.
std::string UnreadableFields(const std::vector<Column>& columns);

struct RealIndex {
  std::vector<std::pair<std::uint16_t, bool>> columns;  // column number, ascending
  RowPointer usageMap;
  std::uint32_t rootPage = 0;
  std::uint8_t flags = 0;
  std::uint32_t uniqueCount = 0;
};

inline constexpr std::uint8_t kPrimaryKeyIndex = 1;
inline constexpr std::uint8_t kForeignKeyIndex = 2;

struct LogicalIndex {
  std::string name;
  std::uint32_t number = 0;
  std::uint32_t realIndex = 0;
  std::uint8_t kind = 0;  // kPrimaryKeyIndex, kForeignKeyIndex or 0
};

struct TableDef {
  std::uint32_t page = 0;               // first TDEF page
  std::vector<std::uint32_t> pages;     // every page of the chain, in order
  std::vector<std::uint8_t> bytes;      // the joined definition block
  std::uint32_t rowCount = 0;
  std::uint32_t autoNumber = 0;
  std::uint8_t tableType = 0;
  std::uint16_t maxColumns = 0;
  std::uint16_t variableColumns = 0;
  RowPointer ownedPages;
  RowPointer freeSpacePages;
  std::vector<Column> columns;  // in column-number order
  std::vector<RealIndex> realIndexes;
  std::vector<LogicalIndex> logicalIndexes;
};

// Where the definition keeps real index `i`'s count of distinct keys (u32).
constexpr std::size_t UniqueCountOffset(const Format& format, std::size_t i) {
  return format.tdefFirstBlockAt + format.realIndexCountBlock * i + 4;
}

// Whether definition page `index` of a chain (of a file of `format`) still
// holds what `then` held, leaving out the counts every insert changes (rows,
// last AutoNumber, distinct keys of each index): for a caller that keeps a
// definition across statements and must notice a drop, rename or
// redefinition.
bool SameDefinitionPage(const Format& format, std::size_t index, ByteSpan then, ByteSpan now);

// Reads the definition starting at `page`; throws jet::Error when it is damaged.
TableDef ReadTableDef(Pager& pager, std::uint32_t page);

// Only where the owned-pages map of the definition at `page` is, from its
// first page: for a check that needs nothing else.
RowPointer ReadOwnedPagesMap(Pager& pager, std::uint32_t page);

}  // namespace jet
