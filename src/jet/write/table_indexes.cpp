#include "jet/write/table_indexes.h"

#include "jet/error.h"

namespace jet {
namespace {

constexpr int kDuplicateKeyJet = 3022;

}  // namespace

void ThrowDuplicateKey(const std::string& detail) {
  throw Error(kConstraintViolated,
              "The changes you requested to the table were not successful because they would create duplicate "
              "values in the index, primary key, or relationship.  Change the data in the field or fields that "
              "contain duplicate data, remove the index, or redefine the index to permit duplicate entries and "
              "try again. (" + detail + ")",
              kDuplicateKeyJet);
}

TableIndexes::TableIndexes(Pager& pager, const TableDef& def) {
  writers_.reserve(def.realIndexes.size());
  for (std::size_t i = 0; i < def.realIndexes.size(); ++i) writers_.emplace_back(pager, def, i);
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
