#include "jet/write/table_indexes.h"

#include <algorithm>

#include "jet/error.h"

namespace jet {
namespace {

constexpr int kDuplicateKeyJet = 3022;
// The longest entry held back: a page split always finds room for two
// halves of a full page plus one such entry, so entering it cannot fail.
constexpr std::size_t kMaxHeldBackKeyBytes = 1000;
// Sorted entries handed to a tree at a time, which bounds the copies made.
constexpr std::size_t kEnteredRun = 65536;

}  // namespace

void ThrowDuplicateKey(const std::string& detail) {
  throw Error(kConstraintViolated,
              "The changes you requested to the table were not successful because they would create duplicate "
              "values in the index, primary key, or relationship.  Change the data in the field or fields that "
              "contain duplicate data, remove the index, or redefine the index to permit duplicate entries and "
              "try again. (" + detail + ")",
              kDuplicateKeyJet);
}

TableIndexes::TableIndexes(Pager& pager, const TableDef& def) : def_(def) {
  writers_.reserve(def_.realIndexes.size());
  for (std::size_t i = 0; i < def_.realIndexes.size(); ++i) {
    writers_.emplace_back(pager, def_, i);
    heldBack_.push_back(std::make_unique<HeldBackEntries>(writers_.back().Rules().unique));
  }
}

void TableIndexes::KeysOf(const std::vector<Value>& values, Keys& keys) const {
  keys.resize(writers_.size());
  for (std::size_t i = 0; i < writers_.size(); ++i) writers_[i].KeyOf(values, keys[i]);
}

void TableIndexes::Add(const Keys& keys, RowPointer where, PageSpace& space) {
  for (std::size_t i = 0; i < writers_.size(); ++i) {
    if (!keys[i].listed) continue;
    const bool existed = writers_[i].Insert(keys[i].bytes, where, space);
    if (existed && writers_[i].Rules().unique && !keys[i].allNull)
      ThrowDuplicateKey("The index '" + writers_[i].Rules().name + "' holds this key already.");
  }
}

void TableIndexes::Remove(const Keys& keys, RowPointer where, PageSpace& space) {
  for (std::size_t i = 0; i < writers_.size(); ++i)
    if (keys[i].listed) writers_[i].Remove(keys[i].bytes, where, space);
}

}  // namespace jet

namespace jet {

bool TableIndexes::CanHoldBack(const Keys& keys) const {
  return std::all_of(keys.begin(), keys.end(),
                     [](const RowKey& key) { return !key.listed || key.bytes.size() <= kMaxHeldBackKeyBytes; });
}

void TableIndexes::RefuseDuplicates(const Keys& keys, bool inTree) {
  for (std::size_t i = 0; i < writers_.size(); ++i) {
    if (!keys[i].listed || keys[i].allNull || !writers_[i].Rules().unique) continue;
    if (inTree) writers_[i].PrepareFilter();
    if (!writers_[i].MayHoldKey(keys[i].bytes)) continue;
    if (heldBack_[i]->HoldsKey(keys[i].bytes) || (inTree && writers_[i].HoldsKey(keys[i].bytes)))
      ThrowDuplicateKey("The index '" + writers_[i].Rules().name + "' holds this key already.");
  }
}

void TableIndexes::HoldBack(const Keys& keys, RowPointer where) {
  for (std::size_t i = 0; i < writers_.size(); ++i) {
    if (!keys[i].listed) continue;
    heldBack_[i]->Add(keys[i].bytes, where, !keys[i].allNull);
    if (!keys[i].allNull) writers_[i].NoteKey(keys[i].bytes);
  }
}

void TableIndexes::TakeBack(const Keys& keys) {
  for (std::size_t i = 0; i < heldBack_.size(); ++i)
    if (keys[i].listed) heldBack_[i]->TruncateTo(heldBack_[i]->Count() - 1);
}

void TableIndexes::DropHeldBack() {
  for (const auto& held : heldBack_) held->TruncateTo(0);
}

bool TableIndexes::HoldsBack() const {
  return std::any_of(heldBack_.begin(), heldBack_.end(), [](const auto& held) { return !held->Empty(); });
}

std::size_t TableIndexes::HeldBackBytes() const {
  std::size_t bytes = 0;
  for (const auto& held : heldBack_) bytes += held->Bytes();
  return bytes;
}

void TableIndexes::EnterHeldBack(PageSpace& space) {
  for (std::size_t i = 0; i < writers_.size(); ++i)
    heldBack_[i]->Drain(kEnteredRun,
                        [&](std::span<const index::IndexEntry> run) { writers_[i].InsertSorted(run, space); });
}

}  // namespace jet
