// Index entry keys as Jet 4 writes them: one flag byte per column (7F ascending value,
// 00 ascending null, 80 / FF the descending pair) followed by the value's bytes in an
// order-preserving form; a multi-column key is the columns' keys back to back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace jet::index {

// Jet column type codes that can be keyed here.
enum class KeyType : std::uint8_t {
  kBoolean = 0x01,
  kByte = 0x02,
  kInteger = 0x03,
  kLong = 0x04,
  kCurrency = 0x05,
  kSingle = 0x06,
  kDouble = 0x07,
  kDateTime = 0x08,
  kBinary = 0x09,
  kText = 0x0A,
  kMemo = 0x0C,
  kGuid = 0x0F,
  kDecimal = 0x10,
};

// The two text sort orders a Jet 4 file can carry, both LCID 1033: "General legacy"
// (sort version 0, Access 2000 to 2007) and "General" (sort version 1, Access 2010 on).
enum class TextOrder : std::uint8_t { kGeneralLegacy, kGeneral };

// The LCID of the General sort orders, which every Jet 4 file of the fixtures carries.
inline constexpr std::uint16_t kGeneralSortLcid = 1033;

// The order a sort-order field (LCID and version, as a column definition and the file
// header hold them) names; nullopt for an order whose codes are not known here.
std::optional<TextOrder> TextOrderOf(std::uint16_t lcid, std::uint8_t version);

struct KeyColumn {
  KeyType type = KeyType::kLong;
  bool ascending = true;
  TextOrder order = TextOrder::kGeneralLegacy;  // Text and Memo only
};

struct KeyNull {
  bool operator==(const KeyNull&) const = default;
};

// A Decimal as stored: its unscaled magnitude (every value of a column shares the
// column's scale) and its sign.
struct KeyDecimal {
  bool negative = false;
  unsigned __int128 magnitude = 0;
  bool operator==(const KeyDecimal&) const = default;
};

// A column value as the key needs it: integers (Byte, Integer, Long, Currency in
// ten-thousandths) as int64, Single, Double and Date/Time (OLE date) as double, Binary
// as its bytes, a GUID as its 16 bytes in row order, Text and Memo as UTF-16, Decimal as
// its unscaled magnitude and sign.
using KeyValue =
    std::variant<KeyNull, bool, std::int64_t, double, std::vector<std::uint8_t>, std::u16string, KeyDecimal>;

using KeyBytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kAscendingValueFlag = 0x7F;
inline constexpr std::uint8_t kAscendingNullFlag = 0x00;
inline constexpr std::uint8_t kDescendingValueFlag = 0x80;
inline constexpr std::uint8_t kDescendingNullFlag = 0xFF;

// The key of one row for an index over `columns`; `values` holds one value per column.
// Throws jet::Error (kIndexValueRefused) for a value the index cannot hold.
KeyBytes EncodeIndexKey(const std::vector<KeyColumn>& columns, const std::vector<KeyValue>& values);

// Appends one column's part of a key.
void AppendColumnKey(const KeyColumn& column, const KeyValue& value, KeyBytes& out);

}  // namespace jet::index
