#include "jet/crc32.h"

#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace jet {
namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

const Tables& SliceTables() {
  static const Tables tables = [] {
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (std::size_t n = 1; n < 8; ++n)
      for (std::uint32_t i = 0; i < 256; ++i) t[n][i] = t[0][t[n - 1][i] & 0xFF] ^ (t[n - 1][i] >> 8);
    return t;
  }();
  return tables;
}

// The register after `data`, without the inversions at either end.
std::uint32_t UpdateByTables(std::uint32_t c, const std::uint8_t* data, std::size_t length) {
  const Tables& t = SliceTables();
  for (; length >= 8; data += 8, length -= 8) {
    const std::uint32_t low = c ^ (std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                                   std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24);
    c = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^ t[3][data[4]] ^
        t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
  }
  for (; length > 0; ++data, --length) c = t[0][(c ^ *data) & 0xFF] ^ (c >> 8);
  return c;
}

#if defined(__x86_64__)
// Folding: four 128-bit lanes each carried 512 bits forward (x^544 and x^480
// modulo the polynomial, bit-reflected), then merged 128 bits at a time
// (x^160 and x^96). What is left is congruent to the message folded, so its
// 16 bytes and the tail finish through the tables.
#define JET_FOLDING __attribute__((target("pclmul,sse4.1")))

// `lane` carried forward by the distance `k` stands for, added to `next`.
JET_FOLDING inline __m128i Fold(__m128i lane, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, k, 0x00), _mm_clmulepi64_si128(lane, k, 0x11)), next);
}

JET_FOLDING inline __m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

JET_FOLDING std::uint32_t UpdateByFolding(std::uint32_t c, const std::uint8_t* data, std::size_t length) {
  const __m128i by512 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
  const __m128i by128 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
  __m128i x0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(c)));
  __m128i x1 = Load(data + 16);
  __m128i x2 = Load(data + 32);
  __m128i x3 = Load(data + 48);
  data += 64;
  length -= 64;
  for (; length >= 64; data += 64, length -= 64) {
    x0 = Fold(x0, by512, Load(data));
    x1 = Fold(x1, by512, Load(data + 16));
    x2 = Fold(x2, by512, Load(data + 32));
    x3 = Fold(x3, by512, Load(data + 48));
  }
  __m128i x = Fold(x0, by128, x1);
  x = Fold(x, by128, x2);
  x = Fold(x, by128, x3);
  for (; length >= 16; data += 16, length -= 16) x = Fold(x, by128, Load(data));
  alignas(16) std::uint8_t rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
  return UpdateByTables(UpdateByTables(0, rest, sizeof rest), data, length);
}

#undef JET_FOLDING

bool CanFold() {
  static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return can;
}
#endif

}  // namespace

std::uint32_t Crc32ByTables(const std::uint8_t* data, std::size_t length) {
  return UpdateByTables(0xFFFFFFFFu, data, length) ^ 0xFFFFFFFFu;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length) {
#if defined(__x86_64__)
  if (length >= 64 && CanFold()) return UpdateByFolding(0xFFFFFFFFu, data, length) ^ 0xFFFFFFFFu;
#endif
  return Crc32ByTables(data, length);
}

}  // namespace jet
