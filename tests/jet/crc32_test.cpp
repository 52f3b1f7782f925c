// The journal's checksum: zlib's CRC-32, whichever way it is computed, for
// short messages, messages that fold, and tails and starts off any boundary.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "jet/crc32.h"

namespace {

// `length` bytes i * step + start, as a stretch of a page.
std::vector<std::uint8_t> Pattern(std::size_t length, unsigned step, unsigned start) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * step + start);
  return bytes;
}

std::vector<std::uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

TEST(Crc32, KnownValues) {
  // Values as zlib's crc32 gives them.
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint32_t crc;
  } cases[] = {
      {"nothing", {}, 0x00000000},
      {"one byte", Text("a"), 0xE8B7BE43},
      {"the check string", Text("123456789"), 0xCBF43926},
      {"43 bytes", Text("The quick brown fox jumps over the lazy dog"), 0x414FA339},
      {"64 zeros", std::vector<std::uint8_t>(64, 0), 0x758D6336},
      {"100 bytes, a tail past the folds", Pattern(100, 7, 3), 0xAA316B09},
      {"1000 ones", std::vector<std::uint8_t>(1000, 0xFF), 0xE0533230},
      {"a journal record's length", Pattern(4104, 131, 17), 0x676D5DDE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(jet::Crc32(c.bytes.data(), c.bytes.size()), c.crc) << c.what;
    EXPECT_EQ(jet::Crc32ByTables(c.bytes.data(), c.bytes.size()), c.crc) << c.what;
  }
}

TEST(Crc32, FoldingAgreesWithTablesAtEveryLengthAndStart) {
  const std::vector<std::uint8_t> bytes = Pattern(400, 97, 5);
  for (std::size_t start = 0; start < 4; ++start)
    for (std::size_t length = 0; start + length <= bytes.size(); ++length)
      ASSERT_EQ(jet::Crc32(bytes.data() + start, length), jet::Crc32ByTables(bytes.data() + start, length))
          << "start " << start << ", length " << length;
}

}  // namespace
