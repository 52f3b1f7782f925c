// Memo and OLE values. A row holds a 12-byte reference in its variable area:
// u32 whose low 30 bits are the length and whose top bits say where the
// bytes are (0x80 inline, right after the reference; 0x40 one row on an LVAL
// page; 0x00 a chain of LVAL rows, each starting with a row pointer to the
// next, 0 ending it), u32 row pointer to the first LVAL row, u32 unused.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "jet/bytes.h"
#include "jet/pager.h"

namespace jet {

inline constexpr std::size_t kLongValueReferenceSize = 12;
inline constexpr std::uint32_t kLongValueInline = 0x80000000;
inline constexpr std::uint32_t kLongValueSingle = 0x40000000;
inline constexpr std::uint32_t kLongValueLengthMask = 0x3FFFFFFF;

// Calls `visit` with each LVAL row that holds part of the value `reference`
// stands for (none for an inline value), in order, with the value's bytes in
// that row; throws jet::Error, before the first call, when the rows cannot
// be found whole: a row off an LVAL page, a chain that ends early or loops.
using LongValueVisitor = std::function<void(RowPointer where, ByteSpan data)>;
void VisitLongValueRows(Pager& pager, ByteSpan reference, const LongValueVisitor& visit);

// Replaces `out` with the whole value that `reference` (the column's bytes in
// the row) stands for; throws jet::Error when the value cannot be found whole.
void ReadLongValue(Pager& pager, ByteSpan reference, std::vector<std::uint8_t>& out);

}  // namespace jet
