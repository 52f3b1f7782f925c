#include "jet/write/row_edit.h"

#include <algorithm>

#include "jet/error.h"

namespace jet {
namespace {

// Where a row's variable columns lie: offsets[k] to offsets[k + 1].
struct VariableArea {
  std::size_t dataEnd;  // end of fixed + variable data + trailer (the mask follows)
  std::vector<std::size_t> offsets;  // one per variable column, then the end of variable data
};

VariableArea ReadVariableArea(ByteSpan row) {
  std::size_t maskLength = (std::size_t{U16(row, 0)} + 7) / 8;
  if (row.size() < 2 + maskLength + 4) ThrowDamaged("a row without its variable-column table");
  VariableArea area{row.size() - maskLength, {}};
  std::size_t count = U16(row, area.dataEnd - 2);
  if (area.dataEnd < 4 + 2 * count + 2) ThrowDamaged("a row whose variable-column table overruns it");
  for (std::size_t i = 0; i <= count; ++i) area.offsets.push_back(U16(row, area.dataEnd - 4 - 2 * i));
  for (std::size_t i = 0; i < count; ++i)
    if (area.offsets[i] < 2 || area.offsets[i] > area.offsets[i + 1] ||
        area.offsets[i + 1] > area.dataEnd - 4 - 2 * count)
      ThrowDamaged("a variable column beyond its row");
  return area;
}

}  // namespace

std::vector<std::uint8_t> WithVariableColumn(ByteSpan row, const Column& column, ByteSpan bytes,
                                             std::size_t minLength) {
  VariableArea area = ReadVariableArea(row);
  std::size_t count = std::max(area.offsets.size() - 1, std::size_t{column.varIndex} + 1);
  std::vector<std::uint8_t> out(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(area.offsets.front()));
  std::vector<std::uint16_t> offsets;
  for (std::size_t k = 0; k < count; ++k) {
    offsets.push_back(static_cast<std::uint16_t>(out.size()));
    if (k == column.varIndex) {
      out.insert(out.end(), bytes.begin(), bytes.end());
    } else if (k + 1 < area.offsets.size()) {
      out.insert(out.end(), row.begin() + static_cast<std::ptrdiff_t>(area.offsets[k]),
                 row.begin() + static_cast<std::ptrdiff_t>(area.offsets[k + 1]));
    }
  }
  std::size_t eod = out.size();
  ByteSpan mask = row.subspan(area.dataEnd);
  std::size_t length = eod + 4 + 2 * count + mask.size();
  if (length < minLength) out.resize(eod + minLength - length, 0);
  if (out.size() > 0xFFFF) throw Error(kStatementFailed, "Record is too large.");
  std::size_t trailer = out.size();
  out.resize(trailer + 4 + 2 * count);
  PutU16(out.data() + trailer, static_cast<std::uint16_t>(eod));
  for (std::size_t k = 0; k < count; ++k) PutU16(out.data() + trailer + 2 + 2 * (count - 1 - k), offsets[k]);
  PutU16(out.data() + trailer + 2 + 2 * count, static_cast<std::uint16_t>(count));
  out.insert(out.end(), mask.begin(), mask.end());
  std::size_t maskAt = out.size() - mask.size();
  if (column.number / 8 < mask.size()) out[maskAt + column.number / 8] |= static_cast<std::uint8_t>(1u << (column.number % 8));
  return out;
}

std::vector<ByteSpan> LongValueReferences(const TableDef& def, ByteSpan row) {
  std::vector<ByteSpan> references;
  if (def.variableColumns == 0) return references;
  VariableArea area = ReadVariableArea(row);
  std::size_t maskLength = row.size() - area.dataEnd;
  for (const Column& c : def.columns) {
    if (c.Type() != ColumnType::Memo && c.Type() != ColumnType::Ole) continue;
    if (c.IsFixed() || std::size_t{c.varIndex} + 1 >= area.offsets.size()) continue;
    if (c.number / 8 >= maskLength || !((row[area.dataEnd + c.number / 8] >> (c.number % 8)) & 1)) continue;
    ByteSpan value = row.subspan(area.offsets[c.varIndex], area.offsets[c.varIndex + 1] - area.offsets[c.varIndex]);
    if (value.size() >= 12) references.push_back(value);
  }
  return references;
}

}  // namespace jet
