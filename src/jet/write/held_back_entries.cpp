#include "jet/write/held_back_entries.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "jet/error.h"
#include "jet/write/key_filter.h"

namespace jet {
namespace {

std::uint64_t HeadOf(std::span<const std::uint8_t> key) {
  std::uint64_t head = 0;
  for (std::size_t i = 0; i < 8; ++i) head = head << 8 | (i < key.size() ? key[i] : 0);
  return head;
}

}  // namespace

HeldBackEntries::HeldBackEntries(bool unique) : unique_(unique) {}

std::uint32_t HeldBackEntries::HashOf(std::span<const std::uint8_t> key) {
  return static_cast<std::uint32_t>(HashKey(key));
}

void HeldBackEntries::Place(std::uint32_t hash, std::uint32_t entry) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  while (slots_[at].entry != 0) at = (at + 1) & mask;
  slots_[at] = {hash, entry + 1, entries_[entry].head};
}

void HeldBackEntries::Add(std::span<const std::uint8_t> key, RowPointer row, bool hashed) {
  if (key.size() > UINT16_MAX || keys_.size() + key.size() > UINT32_MAX)
    throw Error(kStatementFailed, "Internal error: too many index entries held back.");
  hashed = hashed && unique_;
  entries_.push_back(
      {HeadOf(key), static_cast<std::uint32_t>(keys_.size()), static_cast<std::uint16_t>(key.size()), hashed, row});
  keys_.insert(keys_.end(), key.begin(), key.end());
  if (!hashed) return;
  if (2 * (hashed_ + 1) > slots_.size()) {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(std::max<std::size_t>(1024, 2 * slots_.size())));
    for (const Slot& s : old)
      if (s.entry != 0) Place(s.hash, s.entry - 1);
  }
  Place(HashOf(key), static_cast<std::uint32_t>(entries_.size() - 1));
  ++hashed_;
}

bool HeldBackEntries::HoldsKey(std::span<const std::uint8_t> key) const {
  if (hashed_ == 0) return false;
  const std::uint32_t hash = HashOf(key);
  const std::uint64_t head = HeadOf(key);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask; slots_[at].entry != 0; at = (at + 1) & mask) {
    if (slots_[at].hash != hash || slots_[at].head != head) continue;
    const std::span<const std::uint8_t> held = KeyOf(entries_[slots_[at].entry - 1]);
    if (std::equal(held.begin(), held.end(), key.begin(), key.end())) return true;
  }
  return false;
}

std::size_t HeldBackEntries::Bytes() const {
  return keys_.size() + entries_.size() * sizeof(Entry) + slots_.size() * sizeof(Slot);
}

void HeldBackEntries::TruncateTo(std::size_t count) {
  if (count >= entries_.size()) return;
  keys_.resize(entries_[count].offset);
  entries_.resize(count);
  // Rare (a statement that failed after holding its entries back): the
  // slots are made again from the entries that stay.
  std::fill(slots_.begin(), slots_.end(), Slot{});
  hashed_ = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].hashed) continue;
    Place(HashOf(KeyOf(entries_[i])), static_cast<std::uint32_t>(i));
    ++hashed_;
  }
}

bool HeldBackEntries::Before(const Entry& a, const Entry& b) const {
  if (a.head != b.head) return a.head < b.head;
  const std::size_t shared = std::min(a.length, b.length);
  if (shared > 8) {
    if (int c = std::memcmp(keys_.data() + a.offset + 8, keys_.data() + b.offset + 8, shared - 8); c != 0) return c < 0;
  }
  if (a.length != b.length) return a.length < b.length;
  return a.row < b.row;
}

void HeldBackEntries::Sort() {
  // Least significant byte first, each pass stable; bytes every head shares
  // need no pass.
  std::vector<Entry> other(entries_.size());
  for (int shift = 0; shift < 64; shift += 8) {
    std::size_t counts[256] = {};
    for (const Entry& e : entries_) ++counts[(e.head >> shift) & 0xFF];
    if (std::find(std::begin(counts), std::end(counts), entries_.size()) != std::end(counts)) continue;
    std::size_t at = 0;
    for (std::size_t& c : counts) at += std::exchange(c, at);
    for (const Entry& e : entries_) other[counts[(e.head >> shift) & 0xFF]++] = e;
    entries_.swap(other);
  }
  const auto before = [&](const Entry& a, const Entry& b) { return Before(a, b); };
  for (auto run = entries_.begin(); run != entries_.end();) {
    auto end = std::find_if(run, entries_.end(), [&](const Entry& e) { return e.head != run->head; });
    if (end - run > 1 && !std::is_sorted(run, end, before)) std::sort(run, end, before);
    run = end;
  }
}

void HeldBackEntries::Drain(std::size_t run, const std::function<void(std::span<const index::IndexEntry>)>& take) {
  Sort();
  // The entries handed over are reused from run to run, keys and all, so
  // that most runs allocate nothing.
  std::vector<index::IndexEntry> out;
  for (std::size_t from = 0; from < entries_.size(); from += run) {
    const std::size_t to = std::min(entries_.size(), from + run);
    out.resize(to - from);
    for (std::size_t i = from; i < to; ++i) {
      const std::span<const std::uint8_t> key = KeyOf(entries_[i]);
      out[i - from].key.assign(key.begin(), key.end());
      out[i - from].row = entries_[i].row;
    }
    take(out);
  }
  slots_.clear();
  hashed_ = 0;
  entries_.clear();
  keys_.clear();
}

}  // namespace jet
