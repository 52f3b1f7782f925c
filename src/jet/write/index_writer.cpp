#include "jet/write/index_writer.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/text_codec.h"
#include "jet/write/index_page_store.h"
#include "jet/write/table_map.h"

namespace jet {
namespace {

constexpr int kNullInIndexJet = 3058;
// A tree this small is read whole for a filter when a batch begins holding
// rows back; a bigger one only once the batch has entered half as many keys.
constexpr std::size_t kSmallTreeKeys = 65536;
constexpr std::size_t kMinFilterKeys = 1 << 20;

index::IndexEntry EntryOf(const index::KeyBytes& key, RowPointer row) { return {key, row, 0}; }

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
        else if constexpr (std::is_same_v<T, Decimal>) return index::KeyDecimal{x.negative, x.magnitude};
        else throw Error(kStatementFailed, "A value of this type cannot be indexed.");
      },
      v);
}

IndexRules RulesOfIndex(const TableDef& def, std::size_t realIndex) {
  IndexRules rules;
  const std::uint8_t flags = def.realIndexes.at(realIndex).flags;
  rules.unique = flags & kIndexUnique;
  rules.ignoreNulls = flags & kIndexIgnoreNulls;
  rules.required = flags & kIndexRequired;
  std::string foreignKeys;  // a relationship's own names (".rC"...) only when nothing else names it
  for (const LogicalIndex& logical : def.logicalIndexes) {
    if (logical.realIndex != realIndex) continue;
    std::string& names = logical.kind == kForeignKeyIndex ? foreignKeys : rules.name;
    names += (names.empty() ? "" : "', '") + logical.name;
    if (logical.kind == kPrimaryKeyIndex) rules.unique = rules.required = true;
  }
  if (rules.name.empty()) rules.name = foreignKeys;
  return rules;
}

IndexColumns ColumnsOfIndex(const TableDef& def, std::size_t realIndex) {
  IndexColumns columns;
  for (auto [number, ascending] : def.realIndexes.at(realIndex).columns) {
    auto it = std::find_if(def.columns.begin(), def.columns.end(), [n = number](const Column& c) { return c.number == n; });
    if (it == def.columns.end()) ThrowDamaged("an index on a column the table does not have");
    index::KeyColumn key{static_cast<index::KeyType>(it->type), ascending};
    switch (it->Type()) {
      case ColumnType::Text:
      case ColumnType::Memo: {
        std::optional<index::TextOrder> order = index::TextOrderOf(it->sortLcid, it->sortVersion);
        if (!order)
          throw Error(kStatementFailed, "The index on field '" + it->name +
                                            "' cannot be kept: its text sort order (LCID " +
                                            std::to_string(it->sortLcid) + ", version " +
                                            std::to_string(it->sortVersion) + ") is not known here.");
        key.order = *order;
        break;
      }
      case ColumnType::Ole:
        throw Error(kStatementFailed, "The index on field '" + it->name + "' (" + TypeName(it->type) +
                                          ") cannot be kept: keys of this type are not known.");
      default: break;
    }
    columns.keys.push_back(key);
    columns.values.push_back(static_cast<std::size_t>(it - def.columns.begin()));
  }
  return columns;
}

IndexWriter::IndexWriter(Pager& pager, const TableDef& def, std::size_t realIndex)
    : pager_(pager),
      def_(def),
      realIndex_(realIndex),
      root_(def.realIndexes.at(realIndex).rootPage),
      rules_(RulesOfIndex(def, realIndex)),
      columns_(ColumnsOfIndex(def, realIndex)),
      searchStore_(pager) {}

void IndexWriter::KeyOf(const std::vector<Value>& values, RowKey& key) const {
  std::size_t nulls = 0;
  key.bytes.clear();
  for (std::size_t k = 0; k < columns_.values.size(); ++k) {
    const Value& v = values.at(columns_.values[k]);
    // A Yes/No column keys a Null as No: it never counts as Null.
    if (IsNull(v) && columns_.keys[k].type != index::KeyType::kBoolean) {
      ++nulls;
      if (rules_.required)
        throw Error(kConstraintViolated,
                    "Index or primary key cannot contain a Null value. (The field '" +
                        def_.columns[columns_.values[k]].name + "' of the index '" + rules_.name + "'.)",
                    kNullInIndexJet);
    }
    // Into the key's buffer kept from the last row: no allocation a row.
    index::AppendColumnKey(columns_.keys[k], ToKeyValue(v), key.bytes);
  }
  key.allNull = nulls == columns_.values.size();
  key.listed = !(rules_.ignoreNulls && key.allNull);
}

std::optional<RowPointer> IndexWriter::Find(const index::KeyBytes& key) {
  PagerIndexStore store(pager_);
  std::optional<index::IndexEntry> found = index::FindIndexKey(store, root_, key);
  if (!found) return std::nullopt;
  return found->row;
}

bool IndexWriter::HoldsKey(const index::KeyBytes& key) {
  searchStore_.ForgetReads();
  return index::HoldsIndexKey(searchStore_, root_, key, layouts_);
}

bool IndexWriter::Insert(const index::KeyBytes& key, RowPointer row, PageSpace& space) {
  PagerIndexStore store(pager_);
  index::IndexChange change = index::InsertIndexEntry(store, root_, EntryOf(key, row), &layouts_);
  if (!change.keyExisted) AddToUniqueCount(1);
  Account(change, space);
  NoteKey(key);
  return change.keyExisted;
}

void IndexWriter::InsertSorted(std::span<const index::IndexEntry> entries, PageSpace& space) {
  PagerIndexStore store(pager_);
  const index::IndexChange change = index::InsertIndexEntries(store, root_, entries);
  if (change.newKeys > 0) AddToUniqueCount(static_cast<std::uint32_t>(change.newKeys));
  Account(change, space);
  FilterAfter(entries);
}

bool IndexWriter::FilterValid() const {
  return filter_ && pager_.InBatch() && filterBatch_ == pager_.BatchNumber();
}

void IndexWriter::PrepareFilter() {
  if (!rules_.unique || !pager_.InBatch() || preparedBatch_ == pager_.BatchNumber()) return;
  preparedBatch_ = pager_.BatchNumber();
  if (const std::size_t keys = TreeKeys(); keys <= kSmallTreeKeys) MakeFilter(keys);
}

bool IndexWriter::MayHoldKey(const index::KeyBytes& key) const { return !FilterValid() || filter_->MayHold(key); }

void IndexWriter::NoteKey(const index::KeyBytes& key) {
  if (FilterValid()) filter_->Add(key);
}

void IndexWriter::FilterAfter(std::span<const index::IndexEntry> entries) {
  if (!rules_.unique || !pager_.InBatch()) return;
  if (FilterValid()) {
    for (const index::IndexEntry& e : entries) filter_->Add(e.key);
    return;
  }
  if (enteredBatch_ != pager_.BatchNumber()) {
    enteredBatch_ = pager_.BatchNumber();
    enteredInBatch_ = 0;
  }
  enteredInBatch_ += entries.size();
  if (const std::size_t keys = TreeKeys(); 2 * enteredInBatch_ >= keys) MakeFilter(keys);
}

std::size_t IndexWriter::TreeKeys() const {
  const PageRef tdef = pager_.Read(def_.page);
  return U32(ByteSpan(*tdef), UniqueCountOffset(pager_.Format(), realIndex_));
}

void IndexWriter::MakeFilter(std::size_t treeKeys) {
  // Room for the tree to grow fourfold, and at least a million keys, before
  // the filter answers "maybe" often.
  KeyFilter filter(std::max<std::size_t>(4 * treeKeys, kMinFilterKeys));
  PagerIndexStore store(pager_);
  index::ForEachIndexKey(store, root_, [&](std::span<const std::uint8_t> key) { filter.Add(key); });
  filter_ = std::move(filter);
  filterBatch_ = pager_.BatchNumber();
}

bool IndexWriter::Remove(const index::KeyBytes& key, RowPointer row, PageSpace& space) {
  PagerIndexStore store(pager_);
  index::IndexEntry entry = EntryOf(key, row);
  if (!index::HasIndexEntry(store, root_, entry)) return false;
  Account(index::DeleteIndexEntry(store, root_, entry), space);
  return true;
}

void IndexWriter::Account(const index::IndexChange& change, PageSpace& space) {
  const RowPointer map = def_.realIndexes[realIndex_].usageMap;
  for (std::uint32_t page : change.allocated) AddToMap(pager_, map, page);
  for (std::uint32_t page : change.freed) {
    RemoveFromMap(pager_, map, page);
    // Marked free in the global map only once nothing on disk points to it.
    space.Release(page);
  }
}

void IndexWriter::AddToUniqueCount(std::uint32_t keys) {
  std::uint8_t* tdef = pager_.Write(def_.page);
  const std::size_t at = UniqueCountOffset(pager_.Format(), realIndex_);
  PutU32(tdef + at, U32(ByteSpan(tdef, kPageSize), at) + keys);
}

}  // namespace jet
