// One table row (Jet 4): u16 column count, the fixed area (each fixed column
// at 2 + its fixed offset), the variable data, then, when the table has
// variable columns, u16 end of variable data, u16 offsets of the variable
// columns (last first), u16 number of those offsets; last comes the null mask,
// one bit per column number (1 = present), (count + 7) / 8 bytes. A Yes/No
// column keeps its value in its mask bit. Columns with numbers beyond the
// row's count, or variable ones beyond its offsets, were added later: Null.
// Jet 3 rows keep the count, the offsets (end of data included) and their
// number in one byte each; a jump table before the number says where each
// further 256 begins (see format facts), and texts are code-page bytes.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "jet/code_page.h"

#include "jet/bytes.h"
#include "jet/pager.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace jet {

// Bytes a fixed column of this type takes in the fixed area.
std::size_t FixedSize(const Column& column);

class RowDecoder {
 public:
  // Throws jet::Error (kStatementFailed) naming the first column of `def`
  // whose values the engine cannot give (see ColumnKind).
  RowDecoder(Pager& pager, const TableDef& def);
  // Fills `out` with one value per column of the definition (in its order),
  // reusing the storage already there; throws jet::Error on a damaged row.
  // Given `textUnits`, texts and memos are measured instead of converted:
  // their values are Null, and textUnits holds for each column the length
  // in UTF-16 code units of the text Decode would give (0 for any other).
  void Decode(ByteSpan row, std::vector<Value>& out, std::vector<std::size_t>* textUnits = nullptr);

 private:
  void DecodeColumn(const Column& c, ByteSpan data, Value& out, std::size_t* textUnits);
  void DecodeStoredText(const Column& c, ByteSpan stored, std::string& out);
  std::size_t StoredTextUnits(const Column& c, ByteSpan stored);
  std::size_t JumpTableOffsets(ByteSpan row, std::size_t maskLength);
  Pager& pager_;
  const TableDef& def_;
  const Format& format_;
  std::vector<std::uint8_t> scratch_;
  std::string scratchText_;  // a code-page text measured
  std::vector<std::size_t> offsets_;  // Jet 3: the row's variable-column offsets, end of data last
  std::vector<std::pair<std::uint16_t, CodePageText>> codePages_;
};

// Stores a long value (memo, OLE) the caller could not keep inline and
// returns its 12-byte reference; the writer supplies it.
using LongValueStore = std::function<std::vector<std::uint8_t>(const Column&, ByteSpan data)>;

// Bytes of a row holding `values` (one per column of the definition, in its
// order). Values must have the column's own alternative (or Null); long
// values of up to 64 bytes stay inline, longer ones go to `store`. Throws
// jet::Error (kStatementFailed) for a value that does not fit its column.
std::vector<std::uint8_t> EncodeRow(const TableDef& def, const std::vector<Value>& values,
                                    const LongValueStore& store);
// The same into `row`, whose storage is reused.
void EncodeRow(const TableDef& def, const std::vector<Value>& values, const LongValueStore& store,
               std::vector<std::uint8_t>& row);

}  // namespace jet
