// Changing a stored row without re-encoding it: one variable column's bytes
// replaced (the other columns' bytes, long-value references included, kept
// as they are), and the long values a row points to found for freeing.
// Row layout: see jet/row_codec.h.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/bytes.h"
#include "jet/tdef.h"

namespace jet {

// `row` with variable column `column` holding `bytes` (its stored form); at
// least `minLength` long: a shorter row is padded with zeros after its
// variable data, as Access pads a row it rewrites in place.
std::vector<std::uint8_t> WithVariableColumn(ByteSpan row, const Column& column, ByteSpan bytes,
                                             std::size_t minLength);

// The stored bytes of each memo and OLE value of `row` (its 12-byte reference
// and any inline data), for the columns of `def` that have one.
std::vector<ByteSpan> LongValueReferences(const TableDef& def, ByteSpan row);

}  // namespace jet
