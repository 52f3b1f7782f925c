#include "jet/write/key_filter.h"

#include <algorithm>

namespace jet {
namespace {

constexpr std::size_t kBitsPerKey = 16;
constexpr int kBitsSet = 6;

}  // namespace

std::uint64_t HashKey(std::span<const std::uint8_t> key) {
  // FNV-1a, then a finaliser that spreads every input bit over the word.
  std::uint64_t h = 14695981039346656037ull;
  for (std::uint8_t b : key) h = (h ^ b) * 1099511628211ull;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  return h ^ (h >> 33);
}

KeyFilter::KeyFilter(std::size_t capacity) : blocks_(std::max<std::size_t>(1, capacity * kBitsPerKey / 512)) {}

// The block from the hash's high half; the bits within it from a second
// mix, so that the two choices do not go together.
std::size_t KeyFilter::BlockOf(std::uint64_t hash) const {
  return static_cast<std::size_t>(((hash >> 32) * blocks_.size()) >> 32);
}

std::uint64_t KeyFilter::BitsOf(std::uint64_t hash) { return (hash ^ (hash >> 29)) * 0xbf58476d1ce4e5b9ull; }

void KeyFilter::Add(std::span<const std::uint8_t> key) {
  const std::uint64_t h = HashKey(key);
  Block& block = blocks_[BlockOf(h)];
  const std::uint64_t bits = BitsOf(h);
  for (int i = 0; i < kBitsSet; ++i) {
    const unsigned bit = (bits >> (9 * i)) & 511;
    block.words[bit >> 6] |= std::uint64_t{1} << (bit & 63);
  }
}

bool KeyFilter::MayHold(std::span<const std::uint8_t> key) const {
  const std::uint64_t h = HashKey(key);
  const Block& block = blocks_[BlockOf(h)];
  const std::uint64_t bits = BitsOf(h);
  for (int i = 0; i < kBitsSet; ++i) {
    const unsigned bit = (bits >> (9 * i)) & 511;
    if (!(block.words[bit >> 6] & (std::uint64_t{1} << (bit & 63)))) return false;
  }
  return true;
}

}  // namespace jet
