// The file's unit: pages of 4096 bytes (2048 in Access 97 files; see
// format.h), page n at byte n * page size, which every structure names with
// a 24-bit number; and the pointer to one row that data pages, usage maps,
// memo chains and index entries all use: the row's slot number in the low
// byte, its page above it.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>

namespace jet {

// The page size of the formats we write, and of every page buffer.
inline constexpr std::size_t kPageSize = 4096;
// The largest page number a 24-bit field holds.
inline constexpr std::uint32_t kMaxPageNumber = 0xFFFFFF;
// Jet 4 and ACE files end at 2 GiB: no page number from here on is used.
inline constexpr std::uint32_t kMaxDatabasePages = 0x80000000u / kPageSize;

struct RowPointer {
  std::uint32_t page = 0;  // 24 bits are stored
  std::uint8_t row = 0;
  static RowPointer FromU32(std::uint32_t v) { return {v >> 8, static_cast<std::uint8_t>(v & 0xFF)}; }
  std::uint32_t ToU32() const { return (page << 8) | row; }
  // Page first, then row: the order of ToU32() and of index entries.
  auto operator<=>(const RowPointer&) const = default;
};

}  // namespace jet
