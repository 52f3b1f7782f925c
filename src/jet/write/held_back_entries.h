// The entries one index owes the rows a batch inserted, held back so that
// they reach the tree sorted, many to a leaf, instead of one scattered page
// change per row. Keys lie back to back in one buffer; each entry keeps the
// first 8 bytes of its key as a number, so that most comparisons of the sort
// never read the buffer. For a unique index the keys are also hashed, so
// that a row repeating a held-back key is refused before it changes anything.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/index/index_page.h"
#include "jet/page.h"

namespace jet {

class HeldBackEntries {
 public:
  explicit HeldBackEntries(bool unique);
  HeldBackEntries(const HeldBackEntries&) = delete;
  HeldBackEntries& operator=(const HeldBackEntries&) = delete;

  // `hashed`: a key a unique index must not take twice (not all Null).
  void Add(std::span<const std::uint8_t> key, RowPointer row, bool hashed);
  bool HoldsKey(std::span<const std::uint8_t> key) const;

  bool Empty() const { return entries_.empty(); }
  std::size_t Count() const { return entries_.size(); }
  // Memory the held-back entries take, roughly.
  std::size_t Bytes() const;
  // Forgets the entries added after the first `count`.
  void TruncateTo(std::size_t count);

  // Hands every entry over sorted by key, then row, in runs of at most
  // `run`, and forgets them.
  void Drain(std::size_t run, const std::function<void(std::span<const index::IndexEntry>)>& take);

 private:
  struct Entry {
    std::uint64_t head;  // the key's first 8 bytes, big-endian, zero-padded
    std::uint32_t offset;
    std::uint16_t length;
    bool hashed;
    RowPointer row;
  };
  std::span<const std::uint8_t> KeyOf(const Entry& e) const { return {keys_.data() + e.offset, e.length}; }
  bool Before(const Entry& a, const Entry& b) const;

  bool unique_;
  std::vector<std::uint8_t> keys_;
  std::vector<Entry> entries_;
  // Hashed keys, open addressing: each slot the key's hash, its entry
  // number plus one (0: empty) and its first 8 bytes, so that a key not
  // held is most often told apart without reading the entry; at most half
  // the slots used.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t entry = 0;
    std::uint64_t head = 0;
  };
  static std::uint32_t HashOf(std::span<const std::uint8_t> key);
  void Place(std::uint32_t hash, std::uint32_t entry);
  // Orders entries_ by key, then row: by their heads with a radix sort, then
  // runs of equal heads by comparison.
  void Sort();
  std::vector<Slot> slots_;
  std::size_t hashed_ = 0;
};

}  // namespace jet
