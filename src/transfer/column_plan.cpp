#include "transfer/column_plan.h"

#include "jet/long_value.h"
#include "jet/write/table_layout.h"

namespace transfer {
namespace {

constexpr std::size_t kLongTextRowBytes = 12;      // 4 length bytes and an 8-byte pointer
constexpr std::size_t kInnoDbRecordHeader = 5;
constexpr std::size_t kInnoDbHiddenColumns = 6 + 6 + 7;  // row id, transaction id, roll pointer
constexpr std::size_t kInnoDbOffPageColumn = 20 + 1;     // reference and its length byte
constexpr std::size_t kInnoDbOneByteLength = 255;        // longest column with a one-byte length

constexpr std::size_t kJetInlineLongValue = 64;  // the most bytes of a memo the row keeps itself
constexpr std::size_t kJetMemoRowBytes = jet::kLongValueReferenceSize + kJetInlineLongValue + 2;

std::size_t NullBytes(std::size_t columns) { return (columns + 7) / 8; }

std::size_t InnoDbColumnBytes(std::size_t width, TextKind kind, std::size_t bytesPerChar) {
  if (kind == TextKind::kLong) return kInnoDbOffPageColumn;
  std::size_t bytes = width * bytesPerChar;
  if (bytesPerChar == 1) return bytes;  // fixed length, always on the page
  return bytes <= kInnoDbOneByteLength ? bytes + 1 : kInnoDbOffPageColumn;
}

std::vector<TextKind> LongBeyondCharWidth(const std::vector<std::size_t>& widths) {
  std::vector<TextKind> kinds(widths.size(), TextKind::kChar);
  for (std::size_t i = 0; i < widths.size(); ++i)
    if (widths[i] > kMaxCharWidth) kinds[i] = TextKind::kLong;
  return kinds;
}

// The widest char column for which `worthIt` holds (the first of equals).
template <typename Predicate>
std::optional<std::size_t> WidestChar(const std::vector<std::size_t>& widths, const std::vector<TextKind>& kinds,
                                      Predicate worthIt) {
  std::optional<std::size_t> widest;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    if (kinds[i] != TextKind::kChar || !worthIt(i)) continue;
    if (!widest || widths[i] > widths[*widest]) widest = i;
  }
  return widest;
}

}  // namespace

std::size_t MySqlRowBytes(const std::vector<std::size_t>& widths, const std::vector<TextKind>& kinds,
                          std::size_t bytesPerChar) {
  std::size_t bytes = NullBytes(widths.size());
  for (std::size_t i = 0; i < widths.size(); ++i)
    bytes += kinds[i] == TextKind::kLong ? kLongTextRowBytes : widths[i] * bytesPerChar;
  return bytes;
}

std::size_t InnoDbRecordBytes(const std::vector<std::size_t>& widths, const std::vector<TextKind>& kinds,
                              std::size_t bytesPerChar) {
  std::size_t bytes = kInnoDbRecordHeader + kInnoDbHiddenColumns + NullBytes(widths.size());
  for (std::size_t i = 0; i < widths.size(); ++i) bytes += InnoDbColumnBytes(widths[i], kinds[i], bytesPerChar);
  return bytes;
}

std::vector<TextKind> PlanMySqlColumns(const std::vector<std::size_t>& widths, std::size_t bytesPerChar) {
  std::vector<TextKind> kinds = LongBeyondCharWidth(widths);
  while (MySqlRowBytes(widths, kinds, bytesPerChar) > kMySqlMaxRowBytes) {
    auto widest = WidestChar(widths, kinds, [](std::size_t) { return true; });
    if (!widest) break;
    kinds[*widest] = TextKind::kLong;
  }
  // Only columns that cost the record more than a longtext help here: a
  // char(64) in utf8mb4 already goes off the page like a longtext.
  while (InnoDbRecordBytes(widths, kinds, bytesPerChar) > kInnoDbMaxRecordBytes) {
    auto widest = WidestChar(widths, kinds, [&](std::size_t i) {
      return InnoDbColumnBytes(widths[i], TextKind::kChar, bytesPerChar) > kInnoDbOffPageColumn;
    });
    if (!widest) break;
    kinds[*widest] = TextKind::kLong;
  }
  return kinds;
}

std::size_t AccessRowBytes(const std::vector<std::size_t>& widths, const std::vector<TextKind>& kinds) {
  std::size_t bytes = 2 + NullBytes(widths.size());  // column count, NULL bits
  std::size_t memos = 0;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    if (kinds[i] == TextKind::kLong) {
      bytes += kJetMemoRowBytes;
      ++memos;
    } else {
      bytes += 2 * widths[i];
    }
  }
  if (memos > 0) bytes += 4;  // end-of-data offset and the count of variable columns
  return bytes;
}

std::optional<std::vector<TextKind>> PlanAccessColumns(const std::vector<std::size_t>& widths) {
  if (widths.size() > kMaxAccessColumns) return std::nullopt;
  std::vector<TextKind> kinds = LongBeyondCharWidth(widths);
  std::size_t bytes = AccessRowBytes(widths, kinds);
  while (bytes > jet::kMaxRowSize) {
    auto widest = WidestChar(widths, kinds, [](std::size_t) { return true; });
    if (!widest) return std::nullopt;
    kinds[*widest] = TextKind::kLong;
    std::size_t smaller = AccessRowBytes(widths, kinds);
    if (smaller >= bytes) return std::nullopt;
    bytes = smaller;
  }
  return kinds;
}

}  // namespace transfer
