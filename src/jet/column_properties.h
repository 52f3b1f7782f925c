// The field properties Jet enforces on every row, as Access keeps them: in the
// table's MSysObjects row, column LvProp, a blob "MR2\0" (Jet 3: "KKD\0")
// followed by chunks of u32 length (itself included) and u16 kind. Kind 0x80
// lists the property names (u16 byte length + UCS-2 each); kind 0x00 holds the
// table's own values and kind 0x01 one column's: a u32 length (itself
// included) with the column's name (u16 byte length + UCS-2), then values of
// u16 length (itself included), u8 DDL flag, u8 data type, u16 index into the
// names, u16 data length and the data. Yes/No data is one byte (non-zero:
// true), texts UCS-2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/bytes.h"

namespace jet {

// What Jet checks in one column's values.
struct ColumnRules {
  bool required = false;         // "Required": no Null
  bool allowZeroLength = true;   // "AllowZeroLength" (texts): "" allowed
  std::optional<std::string> defaultValue;  // "DefaultValue", an expression (UTF-8)
};

struct NamedColumnRules {
  std::string column;  // UTF-8
  ColumnRules rules;
};

// The rules of every column the blob names. An empty blob names none; a blob
// that breaks the layout throws jet::Error (the file is damaged).
std::vector<NamedColumnRules> ReadColumnRules(ByteSpan blob);

// A blob holding the rules that differ from the defaults, for a new table;
// empty when every column keeps the defaults.
std::vector<std::uint8_t> ColumnRulesBlob(const std::vector<NamedColumnRules>& columns);

}  // namespace jet
