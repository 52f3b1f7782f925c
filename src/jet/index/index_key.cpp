// Column key forms: integers big-endian with the sign bit inverted; floating point
// big-endian with the sign bit inverted for non-negative values and every bit inverted for
// negative ones; Boolean 00 (true) / FF (false) and never null; Binary and GUID in 8-byte
// segments each followed by a length byte (9 = more follows); Text per the General sort
// order. Descending columns invert the value bytes (segment length bytes 9 excepted).
// Decimal: a sign byte and the 16-byte big-endian magnitude, all inverted when the value is
// negative in an ascending column or not negative in a descending one, then the sign byte
// replaced by 00 (negative) or FF. Jet 4 keeps this form although it sorts negative values
// of descending columns the wrong way round; Access 2007 files use another.
#include "index_key.h"

#include <bit>
#include <cstring>

#include "index_error.h"
#include "sort_order_general.h"

namespace jet::index {
namespace {

void Invert(KeyBytes& out, std::size_t from) {
  for (std::size_t i = from; i < out.size(); ++i) out[i] = std::uint8_t(~out[i]);
}

void AppendBigEndian(std::uint64_t value, int length, KeyBytes& out) {
  for (int shift = 8 * (length - 1); shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

int IntegerWidth(KeyType type) {
  switch (type) {
    case KeyType::kByte: return 1;
    case KeyType::kInteger: return 2;
    case KeyType::kLong: return 4;
    default: return 8;  // Currency
  }
}

void AppendInteger(const KeyColumn& column, std::int64_t value, KeyBytes& out) {
  const int width = IntegerWidth(column.type);
  const std::size_t from = out.size();
  AppendBigEndian(std::uint64_t(value), width, out);
  if (column.type != KeyType::kByte) out[from] ^= 0x80;  // Byte is unsigned
  if (!column.ascending) Invert(out, from);
}

void AppendFloating(const KeyColumn& column, double value, KeyBytes& out) {
  const std::size_t from = out.size();
  bool negative;
  if (column.type == KeyType::kSingle) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(float(value));
    negative = (bits >> 31) != 0;
    AppendBigEndian(bits, 4, out);
  } else {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    negative = (bits >> 63) != 0;
    AppendBigEndian(bits, 8, out);
  }
  if (!negative) out[from] ^= 0x80;
  if (negative == column.ascending) Invert(out, from);
}

// A GUID's row bytes hold its first three fields little-endian; keys use them big-endian.
std::vector<std::uint8_t> GuidKeyOrder(const std::vector<std::uint8_t>& row) {
  if (row.size() != 16) ThrowIndexError(kIndexValueRefused, "A GUID value must have 16 bytes.");
  std::vector<std::uint8_t> bytes = row;
  std::swap(bytes[0], bytes[3]);
  std::swap(bytes[1], bytes[2]);
  std::swap(bytes[4], bytes[5]);
  std::swap(bytes[6], bytes[7]);
  return bytes;
}

void AppendSegmented(const std::vector<std::uint8_t>& data, bool ascending, KeyBytes& out) {
  std::size_t pos = 0;
  while (data.size() - pos > 8) {
    const std::size_t from = out.size();
    out.insert(out.end(), data.begin() + pos, data.begin() + pos + 8);
    if (!ascending) Invert(out, from);
    out.push_back(9);
    pos += 8;
  }
  const std::size_t rest = data.size() - pos;
  if (rest == 0) return;
  const std::size_t from = out.size();
  out.insert(out.end(), data.begin() + pos, data.end());
  out.insert(out.end(), 8 - rest, 0);
  out.push_back(std::uint8_t(rest));
  if (!ascending) Invert(out, from);
}

void AppendDecimal(const KeyColumn& column, const KeyDecimal& value, KeyBytes& out) {
  const bool negative = value.negative && value.magnitude != 0;
  const std::size_t from = out.size();
  out.push_back(negative ? 0x80 : 0x00);
  AppendBigEndian(std::uint64_t(value.magnitude >> 64), 8, out);
  AppendBigEndian(std::uint64_t(value.magnitude), 8, out);
  if (negative == column.ascending) Invert(out, from);
  out[from] = negative ? 0x00 : 0xFF;
}

[[noreturn]] void WrongValue(const KeyColumn& column) {
  ThrowIndexError(kIndexValueRefused,
                  "The value does not fit an index column of type " + std::to_string(int(column.type)) + ".");
}

template <typename T>
const T& As(const KeyColumn& column, const KeyValue& value) {
  if (const T* v = std::get_if<T>(&value)) return *v;
  WrongValue(column);
}

}  // namespace

std::optional<TextOrder> TextOrderOf(std::uint16_t lcid, std::uint8_t version) {
  if (lcid != kGeneralSortLcid) return std::nullopt;
  if (version == 0) return TextOrder::kGeneralLegacy;
  if (version == 1) return TextOrder::kGeneral;
  return std::nullopt;
}

void AppendColumnKey(const KeyColumn& column, const KeyValue& value, KeyBytes& out) {
  if (column.type == KeyType::kBoolean) {
    // Booleans have no null in a key; a missing value keys as false.
    const bool truth = std::holds_alternative<bool>(value) && std::get<bool>(value);
    out.push_back(column.ascending ? kAscendingValueFlag : kDescendingValueFlag);
    out.push_back(truth == column.ascending ? 0x00 : 0xFF);
    return;
  }
  if (std::holds_alternative<KeyNull>(value)) {
    out.push_back(column.ascending ? kAscendingNullFlag : kDescendingNullFlag);
    return;
  }
  out.push_back(column.ascending ? kAscendingValueFlag : kDescendingValueFlag);
  switch (column.type) {
    case KeyType::kByte:
    case KeyType::kInteger:
    case KeyType::kLong:
    case KeyType::kCurrency:
      AppendInteger(column, As<std::int64_t>(column, value), out);
      return;
    case KeyType::kSingle:
    case KeyType::kDouble:
    case KeyType::kDateTime:
      AppendFloating(column, As<double>(column, value), out);
      return;
    case KeyType::kBinary:
      AppendSegmented(As<std::vector<std::uint8_t>>(column, value), column.ascending, out);
      return;
    case KeyType::kGuid:
      AppendSegmented(GuidKeyOrder(As<std::vector<std::uint8_t>>(column, value)), column.ascending, out);
      return;
    case KeyType::kText:
    case KeyType::kMemo:
      AppendGeneralTextKey(As<std::u16string>(column, value), column.ascending, column.order, out);
      return;
    case KeyType::kDecimal:
      AppendDecimal(column, As<KeyDecimal>(column, value), out);
      return;
    case KeyType::kBoolean:
      break;
  }
  WrongValue(column);
}

KeyBytes EncodeIndexKey(const std::vector<KeyColumn>& columns, const std::vector<KeyValue>& values) {
  if (columns.size() != values.size()) {
    ThrowIndexError(kIndexValueRefused, "An index key needs one value per index column.");
  }
  KeyBytes key;
  for (std::size_t i = 0; i < columns.size(); ++i) AppendColumnKey(columns[i], values[i], key);
  return key;
}

}  // namespace jet::index
