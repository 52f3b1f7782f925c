// The three on-disk formats the engine reads, one description each: where
// every structure keeps its fields in that format. Jet 3 (Access 97) has
// 2 KiB pages and narrower fields; Jet 4 (Access 2000-2003) and ACE (Access
// 2007-2019, which keeps Jet 4's layout and adds column kinds) have 4 KiB
// pages. The header's version byte picks the description (header.cpp); the
// pager carries it, and every reader of a structure takes its offsets from
// it, so no code asks which format it is in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jet/page.h"

namespace jet {

enum class Engine : std::uint8_t { kJet3, kJet4, kAce };

struct Format {
  Engine engine;
  const char* name;  // what a user calls files of this format
  std::size_t pageSize;
  bool writable;  // whether our writer changes such files

  // Page 0, after unmasking.
  std::size_t headerMaskLength;
  std::size_t sortOrderAt;  // u16 LCID
  bool sortOrderHasVersion;  // a u8 version byte 3 bytes after the LCID
  std::size_t passwordBytes;
  bool passwordDateMask;  // XORed with the creation date too
  bool textInCodePage;    // texts are code-page bytes, not UCS-2

  // Data pages.
  std::size_t dataRowCountAt;
  std::size_t dataFirstSlotAt;

  // Table definitions.
  std::size_t tdefRowCountAt;
  std::size_t tdefAutoNumberAt;
  std::size_t tdefTableTypeAt;
  std::size_t tdefMaxColumnsAt;
  std::size_t tdefVariableColumnsAt;
  std::size_t tdefColumnCountAt;
  std::size_t tdefLogicalIndexCountAt;
  std::size_t tdefRealIndexCountAt;
  std::size_t tdefOwnedPagesAt;
  std::size_t tdefFreeSpacePagesAt;
  std::size_t tdefFirstBlockAt;
  std::size_t realIndexCountBlock;  // per real index, before the columns
  std::size_t nameLengthBytes;      // of column and index names

  // Column blocks.
  std::size_t columnBlock;
  std::size_t columnNumberAt;
  std::size_t columnVarIndexAt;
  std::size_t columnSortOrderAt;  // LCID (and version, see sortOrderHasVersion)
  std::size_t columnCodePageAt;   // 0: none (the texts are UCS-2)
  std::size_t columnComplexIdAt;  // 0: no complex columns in this format
  std::size_t columnPrecisionAt;
  std::size_t columnScaleAt;
  std::size_t columnFlagsAt;
  std::size_t columnExtraFlagsAt;  // 0: no extra flags
  std::size_t columnFixedOffsetAt;
  std::size_t columnLengthAt;

  // Index blocks.
  std::size_t realIndexBlock;
  std::size_t realIndexColumnsAt;  // 10 x (u16 column, u8 order)
  std::size_t realIndexUsageMapAt;
  std::size_t realIndexRootAt;
  std::size_t realIndexFlagsAt;
  std::size_t logicalIndexBlock;
  std::size_t logicalIndexNumberAt;
  std::size_t logicalIndexRealIndexAt;
  std::size_t logicalIndexKindAt;

  // Rows: width of the column count, the variable-offset entries and their
  // count (Jet 3 uses one byte and a jump table for every further 256).
  std::size_t rowFieldBytes;

  // Usage maps: bitmap bytes of an inline table map.
  std::size_t inlineMapBytes;
};

inline constexpr Format kJet3Format = {
    .engine = Engine::kJet3,
    .name = "Access 97",
    .pageSize = 2048,
    .writable = false,
    .headerMaskLength = 126,
    .sortOrderAt = 0x3A,
    .sortOrderHasVersion = false,
    .passwordBytes = 20,
    .passwordDateMask = false,
    .textInCodePage = true,
    .dataRowCountAt = 8,
    .dataFirstSlotAt = 10,
    .tdefRowCountAt = 12,
    .tdefAutoNumberAt = 16,
    .tdefTableTypeAt = 20,
    .tdefMaxColumnsAt = 21,
    .tdefVariableColumnsAt = 23,
    .tdefColumnCountAt = 25,
    .tdefLogicalIndexCountAt = 27,
    .tdefRealIndexCountAt = 31,
    .tdefOwnedPagesAt = 35,
    .tdefFreeSpacePagesAt = 39,
    .tdefFirstBlockAt = 43,
    .realIndexCountBlock = 8,
    .nameLengthBytes = 1,
    .columnBlock = 18,
    .columnNumberAt = 1,
    .columnVarIndexAt = 3,
    .columnSortOrderAt = 9,
    .columnCodePageAt = 11,
    .columnComplexIdAt = 0,
    .columnPrecisionAt = 11,
    .columnScaleAt = 12,
    .columnFlagsAt = 13,
    .columnExtraFlagsAt = 0,
    .columnFixedOffsetAt = 14,
    .columnLengthAt = 16,
    .realIndexBlock = 39,
    .realIndexColumnsAt = 0,
    .realIndexUsageMapAt = 30,
    .realIndexRootAt = 34,
    .realIndexFlagsAt = 38,
    .logicalIndexBlock = 20,
    .logicalIndexNumberAt = 0,
    .logicalIndexRealIndexAt = 4,
    .logicalIndexKindAt = 19,
    .rowFieldBytes = 1,
    .inlineMapBytes = 128,
};

inline constexpr Format kJet4Format = {
    .engine = Engine::kJet4,
    .name = "Access 2000-2003",
    .pageSize = 4096,
    .writable = true,
    .headerMaskLength = 128,
    .sortOrderAt = 0x6E,
    .sortOrderHasVersion = true,
    .passwordBytes = 40,
    .passwordDateMask = true,
    .textInCodePage = false,
    .dataRowCountAt = 12,
    .dataFirstSlotAt = 14,
    .tdefRowCountAt = 16,
    .tdefAutoNumberAt = 20,
    .tdefTableTypeAt = 40,
    .tdefMaxColumnsAt = 41,
    .tdefVariableColumnsAt = 43,
    .tdefColumnCountAt = 45,
    .tdefLogicalIndexCountAt = 47,
    .tdefRealIndexCountAt = 51,
    .tdefOwnedPagesAt = 55,
    .tdefFreeSpacePagesAt = 59,
    .tdefFirstBlockAt = 63,
    .realIndexCountBlock = 12,
    .nameLengthBytes = 2,
    .columnBlock = 25,
    .columnNumberAt = 5,
    .columnVarIndexAt = 7,
    .columnSortOrderAt = 11,
    .columnCodePageAt = 0,
    .columnComplexIdAt = 0,
    .columnPrecisionAt = 11,
    .columnScaleAt = 12,
    .columnFlagsAt = 15,
    .columnExtraFlagsAt = 16,
    .columnFixedOffsetAt = 21,
    .columnLengthAt = 23,
    .realIndexBlock = 52,
    .realIndexColumnsAt = 4,
    .realIndexUsageMapAt = 34,
    .realIndexRootAt = 38,
    .realIndexFlagsAt = 46,
    .logicalIndexBlock = 28,
    .logicalIndexNumberAt = 4,
    .logicalIndexRealIndexAt = 8,
    .logicalIndexKindAt = 23,
    .rowFieldBytes = 2,
    .inlineMapBytes = 64,
};

// ACE: Jet 4's layout; the complex id shares the place of a text column's
// sort order.
inline constexpr Format kAceFormat = [] {
  Format f = kJet4Format;
  f.engine = Engine::kAce;
  f.name = "Access 2007-2019";
  f.columnComplexIdAt = 11;
  return f;
}();

// Our page buffers hold the largest page; the formats we write fill them.
static_assert(kJet4Format.pageSize == kPageSize && kAceFormat.pageSize == kPageSize);
static_assert(kJet3Format.pageSize <= kPageSize);

}  // namespace jet
