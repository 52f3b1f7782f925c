// A Bloom filter over the keys of a unique index, so that the search for a
// new row's key, which is nearly always absent, can most often stop before
// going down the tree. It answers "maybe" for every key added and, for a key
// never added, "no" most of the time: blocks of 512 bits, each key setting
// six bits of one block (one cache line a look), 16 bits a key at capacity.
// Past its capacity it still never misses a key; it only answers "maybe"
// more often.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace jet {

// The hash of an index key this filter and the held-back entries' table use.
std::uint64_t HashKey(std::span<const std::uint8_t> key);

class KeyFilter {
 public:
  explicit KeyFilter(std::size_t capacity);
  void Add(std::span<const std::uint8_t> key);
  bool MayHold(std::span<const std::uint8_t> key) const;

 private:
  std::size_t BlockOf(std::uint64_t hash) const;
  static std::uint64_t BitsOf(std::uint64_t hash);
  struct Block {
    std::uint64_t words[8] = {};
  };
  std::vector<Block> blocks_;
};

}  // namespace jet
