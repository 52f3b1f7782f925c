// The table definition (TDEF) of a table we create: columns from a CREATE
// TABLE statement laid out as Jet lays them out, and the definition block
// itself. Block layout (offsets from the start of its first page):
//   0 02 01, 2 u16 free space, 4 u32 next definition page, 8 u32 block
//   length, 12 u32 1625, 16 u32 rows, 20 u32 autonumber, 24 u8 1,
//   40 u8 0x4E (user table), 41 u16 highest column count, 43 u16 variable
//   columns, 45 u16 columns, 47 u32 logical and 51 u32 real indexes, 55
//   owned-pages and 59 free-space map pointers; then 12 bytes per real index
//   (u32 0, u32 unique keys, u32 0), 25 bytes per column, the names (u16
//   byte length + UCS-2), 52 bytes per real index (u32 1923, ten u16 column
//   number + u8 ascending slots, FFFF 00 when unused, its usage map pointer,
//   u32 root page, u32 0, u8 flags, 5 zero bytes), 28 bytes per logical
//   index (u32 1625, u32 number, u32 real index, 00, s32 -1, u32 0, 04 04,
//   u8 kind, u32 0), the logical index names, 10 bytes per memo or OLE column
//   (u16 column number, its owned and free long-value map pointers), FF FF.
// A block longer than a page goes on in continuation pages: 02 01, u16 free,
// u32 next page, then the block's next bytes from offset 8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/header.h"
#include "jet/sql/statement.h"
#include "jet/tdef.h"

namespace jet {

// The most bytes a row may take; Jet refuses larger ones.
inline constexpr std::size_t kMaxRowSize = 4060;
inline constexpr std::size_t kMaxColumns = 255;

// Usage maps of one memo or OLE column: long-value pages it owns, those with room.
struct LongValueMaps {
  std::uint16_t column = 0;
  RowPointer owned;
  RowPointer freeSpace;
};

// Columns numbered in statement order: fixed-size types and fixed text
// (char(n)) get consecutive places in the fixed area (Yes/No none: its value is
// its null-mask bit), text(n), binary, memo and OLE places in the
// variable-offset table. Every column but a Decimal carries the file's sort
// order. Checks the column count, names, AutoNumber count and the smallest row
// size; throws jet::Error (kStatementFailed) with Jet's wording.
std::vector<Column> LayOutColumns(const sql::CreateTable& create, std::uint16_t sortLcid, std::uint8_t sortVersion);

// Bytes of the smallest row of these columns (every value empty or NULL).
std::size_t SmallestRowSize(const std::vector<Column>& columns);

// Everything the definition block of a new, empty table holds. Blocks are
// written in the order of the vectors; real index i goes with the i-th
// 12-byte count block.
struct DefinitionLayout {
  std::uint8_t tableType = kTableTypeUser;
  std::vector<Column> columns;
  std::vector<RealIndex> realIndexes;
  std::vector<LogicalIndex> logicalIndexes;
  RowPointer owned;
  RowPointer freeSpace;
  std::vector<LongValueMaps> longValueMaps;
};

std::vector<std::uint8_t> BuildDefinition(const DefinitionLayout& layout);

// The definition block of a new user table without indexes.
std::vector<std::uint8_t> BuildDefinition(const std::vector<Column>& columns, RowPointer owned, RowPointer freeSpace,
                                          const std::vector<LongValueMaps>& longValueMaps);

// The index blocks of a definition, built as BuildDefinition lays them out.
std::vector<std::uint8_t> RealIndexCountBlock(const RealIndex& index);
std::vector<std::uint8_t> RealIndexBlock(const RealIndex& index);
std::vector<std::uint8_t> LogicalIndexBlock(const LogicalIndex& index);
// A column or index name as a definition keeps it.
std::vector<std::uint8_t> NameBlock(const std::string& utf8);

// Where the parts of an existing definition block begin: the real-index count
// blocks, the real and logical index blocks, the logical names and what
// follows them (long-value maps, FF FF); `end` is the block's length (u32 at 8).
struct DefinitionParts {
  std::size_t counts = 0;
  std::size_t realIndexes = 0;
  std::size_t logicalIndexes = 0;
  std::size_t logicalNames = 0;
  std::size_t afterNames = 0;
  std::size_t end = 0;
};
// Throws jet::Error (damaged) when the parts run past the block.
DefinitionParts FindDefinitionParts(const TableDef& def);

// Pages needed for a block.
std::size_t DefinitionPageCount(std::size_t blockLength);

// Writes page `index` of the block into `page` (4096 bytes); `next` is the
// following definition page or 0.
void WriteDefinitionPage(const std::vector<std::uint8_t>& block, std::size_t index, std::uint32_t next,
                         std::uint8_t* page);

}  // namespace jet
