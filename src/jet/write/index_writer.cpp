#include "jet/write/index_writer.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/text_codec.h"
#include "jet/write/table_map.h"

namespace jet {
namespace {

constexpr std::size_t kUniqueCountOffset = 63 + 4;  // in each 12-byte real-index block

index::IndexEntry EntryOf(const index::KeyBytes& key, RowPointer row) { return {key, {row.page, row.row}, 0}; }

}  // namespace

index::KeyValue ToKeyValue(const Value& v) {
  return std::visit(
      [](const auto& x) -> index::KeyValue {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Null>) return index::KeyNull{};
        else if constexpr (std::is_same_v<T, bool>) return x;
        else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                           std::is_same_v<T, std::int32_t>) return std::int64_t{x};
        else if constexpr (std::is_same_v<T, Currency>) return x.tenThousandths;
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) return double{x};
        else if constexpr (std::is_same_v<T, DateTime>) return x.oleDate;
        else if constexpr (std::is_same_v<T, Binary>) return x.bytes;
        else if constexpr (std::is_same_v<T, Guid>) return std::vector<std::uint8_t>(x.bytes.begin(), x.bytes.end());
        else if constexpr (std::is_same_v<T, Text> || std::is_same_v<T, Memo>) return Utf8ToUtf16(x.text);
        else throw Error(kStatementFailed, "A value of this type cannot be indexed.");
      },
      v);
}

IndexWriter::IndexWriter(Pager& pager, PageSpace& space, const TableDef& def, std::size_t realIndex)
    : pager_(pager),
      space_(space),
      store_(pager),
      def_(def),
      realIndex_(realIndex),
      root_(def.realIndexes.at(realIndex).rootPage) {
  for (auto [number, ascending] : def.realIndexes[realIndex].columns) {
    auto it = std::find_if(def.columns.begin(), def.columns.end(), [n = number](const Column& c) { return c.number == n; });
    if (it == def.columns.end()) ThrowDamaged("an index on a column the table does not have");
    keyColumns_.push_back({static_cast<index::KeyType>(it->type), ascending});
    valueIndexes_.push_back(static_cast<std::size_t>(it - def.columns.begin()));
  }
}

index::KeyBytes IndexWriter::KeyOf(const std::vector<Value>& values) const {
  std::vector<index::KeyValue> keyValues;
  for (std::size_t i : valueIndexes_) keyValues.push_back(ToKeyValue(values.at(i)));
  return index::EncodeIndexKey(keyColumns_, keyValues);
}

std::optional<RowPointer> IndexWriter::Find(const index::KeyBytes& key) {
  std::optional<index::IndexEntry> found = index::FindIndexKey(store_, root_, key);
  if (!found) return std::nullopt;
  return RowPointer{found->row.page, found->row.row};
}

void IndexWriter::Insert(const index::KeyBytes& key, RowPointer row) {
  if (!Find(key)) BumpUniqueCount();
  Account(index::InsertIndexEntry(store_, root_, EntryOf(key, row)));
}

bool IndexWriter::Remove(const index::KeyBytes& key, RowPointer row) {
  index::IndexEntry entry = EntryOf(key, row);
  if (!index::HasIndexEntry(store_, root_, entry)) return false;
  Account(index::DeleteIndexEntry(store_, root_, entry));
  return true;
}

void IndexWriter::Account(const index::IndexChange& change) {
  const RowPointer map = def_.realIndexes[realIndex_].usageMap;
  for (std::uint32_t page : change.allocated) AddToMap(pager_, map, page);
  for (std::uint32_t page : change.freed) {
    RemoveFromMap(pager_, map, page);
    // Marked free in the global map only once nothing on disk points to it.
    space_.Release(page);
  }
}

void IndexWriter::BumpUniqueCount() {
  std::uint8_t* tdef = pager_.Write(def_.page);
  std::size_t at = kUniqueCountOffset + 12 * realIndex_;
  PutU32(tdef + at, U32(ByteSpan(tdef, kPageSize), at) + 1);
}

}  // namespace jet
