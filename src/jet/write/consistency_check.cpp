#include "jet/write/consistency_check.h"

#include <algorithm>
#include <map>
#include <set>

#include "jet/catalogue.h"
#include "jet/column_properties.h"
#include "jet/long_value.h"
#include "jet/names.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/index/index_key_decoder.h"
#include "jet/index/index_page.h"
#include "jet/row_codec.h"
#include "jet/table.h"
#include "jet/usage_map.h"
#include "jet/write/index_writer.h"
#include "jet/write/page_space.h"
#include "jet/write/row_edit.h"
#include "jet/write/table_rows.h"
#include "jet/write/table_map.h"

namespace jet {
namespace {


// Whether every column of a stored key is Null (a Yes/No column never is).
bool AllNull(const IndexColumns& columns, const index::KeyBytes& key) {
  std::vector<index::DecodedValue> parts = index::DecodeIndexKey(columns.keys, key);
  for (std::size_t k = 0; k < parts.size(); ++k)
    if (!std::holds_alternative<index::KeyNull>(parts[k]) || columns.keys[k].type == index::KeyType::kBoolean)
      return false;
  return true;
}

struct LiveRow {
  RowPointer where;
  ByteSpan bytes;
};

class Checker {
 public:
  explicit Checker(Pager& pager) : pager_(pager) {}

  std::vector<std::string> Run() {
    ReadGlobalMap();
    TableDef objects = ReadTableDef(pager_, kCatalogueTdefPage);
    struct Listed {
      std::string name;
      std::uint32_t page;
      std::vector<std::uint8_t> properties;  // LvProp
    };
    std::vector<Listed> tables;
    std::vector<Value> values;
    RowDecoder decoder(pager_, objects);
    std::size_t id = Column(objects, "Id"), type = Column(objects, "Type"), name = Column(objects, "Name"),
                flags = Column(objects, "Flags"), lvProp = Column(objects, "LvProp");
    std::set<std::uint32_t> catalogue;
    for (const LiveRow& row : LiveRows(objects)) {
      decoder.Decode(row.bytes, values);
      if (!std::holds_alternative<std::int16_t>(values[type]) || std::get<std::int16_t>(values[type]) != 1) continue;
      std::string tableName = std::holds_alternative<Text>(values[name]) ? std::get<Text>(values[name]).text : "?";
      const std::int32_t* tableId = std::get_if<std::int32_t>(&values[id]);
      if (!tableId) {
        Report("the catalogue row of table " + tableName + " has no Id");
        continue;
      }
      std::uint32_t page = static_cast<std::uint32_t>(*tableId) & kIdPageMask;
      const Ole* properties = std::get_if<Ole>(&values[lvProp]);
      tables.push_back({tableName, page, properties ? properties->bytes : std::vector<std::uint8_t>{}});
      knownTables_.emplace(page, tableName);
      std::int32_t f = std::holds_alternative<std::int32_t>(values[flags]) ? std::get<std::int32_t>(values[flags]) : 0;
      if (f & kFlagsJetObject) catalogue.insert(page);
    }
    for (const Listed& t : tables) {
      try {
        CheckTable(t.name, t.page, catalogue.count(t.page) > 0, t.properties);
      } catch (const Error& e) {
        Report("table " + t.name + ": " + e.Description());
      }
    }
    CheckStrayDataPages();
    return findings_;
  }

 private:
  void Report(std::string finding) { findings_.push_back(std::move(finding)); }

  static std::size_t Column(const TableDef& def, const std::string& name) {
    for (std::size_t i = 0; i < def.columns.size(); ++i)
      if (def.columns[i].name == name) return i;
    ThrowDamaged("MSysObjects has no column " + name);
  }

  void ReadGlobalMap() {
    const RowPointer global{1, 0};
    for (std::uint32_t p : UsageMap(pager_, global).Pages())
      if (p < pager_.PageCount()) free_.insert(p);
    for (std::uint32_t p : MapBitmapPages(pager_, global)) Claim(p, "the global usage map");
  }
  bool InUse(std::uint32_t page) const { return page < pager_.PageCount() && !free_.count(page); }

  void Claim(std::uint32_t page, const std::string& owner) {
    auto [it, fresh] = owners_.emplace(page, owner);
    if (!fresh) Report("page " + std::to_string(page) + " is owned twice: by " + it->second + " and by " + owner);
    if (!InUse(page)) Report("page " + std::to_string(page) + " of " + owner + " is marked free or lies past the end");
  }

  // Live rows of a table, overflow rows read where they now lie.
  std::vector<LiveRow> LiveRows(const TableDef& def) {
    std::vector<LiveRow> rows;
    ForEachDataPage(pager_, def, [&](std::uint32_t p, const PageRef& bytes, const DataPage& page) {
      keep_.push_back(bytes);
      for (std::size_t i = 0; i < page.SlotCount(); ++i) {
        if (page.IsDeleted(i)) continue;
        PageRef target;
        ByteSpan row = LiveRowBytes(pager_, def.page, page, i, target);
        if (target) keep_.push_back(target);
        rows.push_back({{p, static_cast<std::uint8_t>(i)}, row});
      }
    });
    return rows;
  }

  void CheckTable(const std::string& name, std::uint32_t tdefPage, bool isCatalogue,
                  const std::vector<std::uint8_t>& properties) {
    TableDef def = ReadTableDef(pager_, tdefPage);
    std::string who = "table " + name;
    for (std::uint32_t p : def.pages) Claim(p, who + " (definition)");
    for (std::uint32_t p : MapPages(pager_, def.ownedPages)) {
      Claim(p, who);
      if (!MayList(pager_, MapKind::Data, def.page, p))
        Report("page " + std::to_string(p) + " is in the map of " + who + " but is not one of its data pages");
      tableOf_[p] = def.page;
    }
    std::vector<std::uint32_t> owned = MapPages(pager_, def.ownedPages);
    for (std::uint32_t p : MapPages(pager_, def.freeSpacePages))
      if (!std::binary_search(owned.begin(), owned.end(), p))
        Report("page " + std::to_string(p) + " is in the free-space map of " + who + " but not owned by it");
    mapped_.insert(owned.begin(), owned.end());
    for (RowPointer m : {def.ownedPages, def.freeSpacePages})
      for (std::uint32_t p : MapBitmapPages(pager_, m)) Claim(p, who + " (map bitmap)");
    std::set<std::uint32_t> longValuePages;
    for (const LongValueMaps& m : ReadLongValueMaps(def)) {
      for (std::uint32_t p : MapPages(pager_, m.owned)) {
        Claim(p, who + " (long values)");
        longValuePages.insert(p);
        if (!MayList(pager_, MapKind::LongValue, def.page, p))
          Report("page " + std::to_string(p) + " is in a long-value map of " + who + " but is no LVAL page");
      }
    }
    for (std::size_t i = 0; i < def.realIndexes.size(); ++i) {
      for (std::uint32_t p : MapPages(pager_, def.realIndexes[i].usageMap)) {
        Claim(p, who + " (index " + std::to_string(i) + ")");
        if (!MayList(pager_, MapKind::Index, def.page, p))
          Report("page " + std::to_string(p) + " is in an index map of " + who + " but is not one of its index pages");
      }
    }
    std::vector<LiveRow> rows = LiveRows(def);
    // Jet keeps no exact count for its own tables (Access files disagree).
    if (!isCatalogue && rows.size() != def.rowCount)
      Report(who + " counts " + std::to_string(def.rowCount) + " rows but holds " + std::to_string(rows.size()));
    for (const LiveRow& row : rows) CheckLongValues(who, row, def, longValuePages);
    if (!isCatalogue) CheckRequiredFields(who, def, rows, properties);
    for (std::size_t i = 0; i < def.realIndexes.size(); ++i) CheckIndex(who, def, i, rows);
  }

  // The definition without the fields this program cannot read (their values
  // live elsewhere).
  static TableDef Readable(const TableDef& def) {
    TableDef readable = def;
    std::erase_if(readable.columns, [](const jet::Column& c) { return !c.Readable(); });
    return readable;
  }

  static std::string RowName(RowPointer where) {
    return "the row at page " + std::to_string(where.page) + " row " + std::to_string(where.row);
  }

  // Each memo and OLE value kept on LVAL pages: its rows live, in the table's
  // long-value maps, filled exactly by the value, the chain ended by 0, and
  // no row holding part of two values.
  void CheckLongValues(const std::string& who, const LiveRow& row, const TableDef& def,
                       const std::set<std::uint32_t>& longValuePages) {
    for (ByteSpan reference : LongValueReferences(def, row.bytes)) {
      const std::uint32_t head = U32(reference, 0);
      if (head & kLongValueInline) continue;
      const std::string value = who + ": the memo or OLE value of " + RowName(row.where);
      std::vector<std::pair<RowPointer, std::size_t>> parts;
      try {
        VisitLongValueRows(pager_, reference, [&](RowPointer at, ByteSpan data) { parts.emplace_back(at, data.size()); });
      } catch (const Error& e) {
        Report(value + ": " + e.Description());
        continue;
      }
      const bool chained = !(head & kLongValueSingle);
      for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto [at, used] = parts[i];
        const std::string part = value + ", on page " + std::to_string(at.page) + " row " + std::to_string(at.row);
        DataPage page(*pager_.Read(at.page), pager_.Format());
        if (page.IsDeleted(at.row)) Report(part + ", lies in a deleted row");
        const ByteSpan stored = page.Row(at.row);
        if (stored.size() != used + (chained ? 4 : 0))
          Report(part + ", leaves " + std::to_string(stored.size() - used - (chained ? 4 : 0)) + " bytes of its row unused");
        if (chained && i + 1 == parts.size() && U32(stored, 0) != 0) Report(part + ", does not end its chain");
        if (!longValuePages.count(at.page)) Report(part + ", lies on a page none of the table's long-value maps lists");
        auto [it, fresh] = longValueRows_.emplace(at.ToU32(), who + ", " + RowName(row.where));
        if (!fresh) Report(part + ", lies in a row that holds a value of " + it->second + " too");
      }
    }
  }

  // Required fields (the LvProp property) hold a value in every row.
  void CheckRequiredFields(const std::string& who, const TableDef& def, const std::vector<LiveRow>& rows,
                           const std::vector<std::uint8_t>& properties) {
    const TableDef readable = Readable(def);
    std::vector<std::size_t> required;
    for (const NamedColumnRules& named : ReadColumnRules(properties)) {
      if (!named.rules.required) continue;
      for (std::size_t i = 0; i < readable.columns.size(); ++i)
        if (SameName(readable.columns[i].name, named.column)) required.push_back(i);
    }
    if (required.empty()) return;
    RowDecoder decoder(pager_, readable);
    std::vector<Value> values;
    for (const LiveRow& row : rows) {
      decoder.Decode(row.bytes, values);
      for (std::size_t i : required)
        if (IsNull(values[i]))
          Report(who + ": the field '" + readable.columns[i].name + "' is Required, but " + RowName(row.where) +
                 " holds Null in it");
    }
  }

  void CheckStrayDataPages() {
    for (std::uint32_t p = 2; p < pager_.PageCount(); ++p) {
      if (!InUse(p) || mapped_.count(p)) continue;
      DataPage page(*pager_.Read(p), pager_.Format());
      if (!page.IsData() || page.Owner() == 0 || page.Owner() == kLvalOwner || tableOf_.count(p)) continue;
      auto table = knownTables_.find(page.Owner());
      if (table != knownTables_.end())
        Report("data page " + std::to_string(p) + " names table " + table->second + " (page " +
               std::to_string(page.Owner()) + ") but is not in its map");
    }
  }

  // ---- indexes --------------------------------------------------------------

  struct Walk {
    std::vector<index::IndexEntry> entries;  // leaf entries in tree order
    std::vector<std::uint32_t> leaves;
  };

  std::optional<index::IndexEntry> WalkPage(const std::string& who, const TableDef& def, std::uint32_t page,
                                            int depth, Walk& walk) {
    if (depth > 16) {
      Report(who + ": index deeper than 16 levels at page " + std::to_string(page));
      return std::nullopt;
    }
    index::IndexPage contents = index::ParseIndexPage(pager_.Read(page)->data(), page);
    if (contents.tdefPage != def.page) Report(who + ": index page " + std::to_string(page) + " names another table");
    if (!std::is_sorted(contents.entries.begin(), contents.entries.end()))
      Report(who + ": entries out of order on index page " + std::to_string(page));
    if (contents.type == index::IndexPageType::kLeaf) {
      walk.leaves.push_back(page);
      walk.entries.insert(walk.entries.end(), contents.entries.begin(), contents.entries.end());
      if (contents.entries.empty()) return std::nullopt;
      return contents.entries.back();
    }
    std::optional<index::IndexEntry> largest;
    for (const index::IndexEntry& separator : contents.entries) {
      largest = WalkPage(who, def, separator.child, depth + 1, walk);
      if (!largest || largest->key != separator.key || largest->row != separator.row)
        Report(who + ": node page " + std::to_string(page) + " does not carry the last entry of child " +
               std::to_string(separator.child));
    }
    if (contents.tailPage == 0) {
      Report(who + ": node page " + std::to_string(page) + " has no tail");
      return largest;
    }
    return WalkPage(who, def, contents.tailPage, depth + 1, walk);
  }

  void CheckIndex(const std::string& table, const TableDef& def, std::size_t realIndex,
                  const std::vector<LiveRow>& rows) {
    std::string who = table + " index " + std::to_string(realIndex);
    Walk walk;
    try {
      WalkPage(who, def, def.realIndexes[realIndex].rootPage, 0, walk);
    } catch (const Error& e) {
      Report(who + ": " + e.Description());
      return;
    }
    for (std::size_t i = 1; i < walk.entries.size(); ++i)
      if (!(walk.entries[i - 1] < walk.entries[i])) Report(who + ": entries out of order across leaves");
    for (std::size_t i = 0; i < walk.leaves.size(); ++i) {
      index::IndexPage leaf = index::ParseIndexPage(pager_.Read(walk.leaves[i])->data(), walk.leaves[i]);
      std::uint32_t prev = i == 0 ? 0 : walk.leaves[i - 1];
      std::uint32_t next = i + 1 == walk.leaves.size() ? 0 : walk.leaves[i + 1];
      if (walk.leaves.size() > 1 && (leaf.prevPage != prev || leaf.nextPage != next))
        Report(who + ": leaf " + std::to_string(walk.leaves[i]) + " is chained out of order");
    }

    IndexColumns columns;
    try {
      columns = ColumnsOfIndex(def, realIndex);
    } catch (const Error& e) {
      Report(who + ": " + e.Description());
      return;
    }
    const IndexRules rules = RulesOfIndex(def, realIndex);
    for (std::size_t i = 1; i < walk.entries.size(); ++i)
      if (rules.unique && walk.entries[i - 1].key == walk.entries[i].key && !AllNull(columns, walk.entries[i].key))
        Report(who + ": unique, but holds one key twice (page " + std::to_string(walk.entries[i].row.page) +
               " row " + std::to_string(walk.entries[i].row.row) + ")");
    std::map<std::uint32_t, const index::IndexEntry*> byRow;
    for (const index::IndexEntry& e : walk.entries) {
      std::uint32_t at = RowPointer{e.row.page, e.row.row}.ToU32();
      if (!byRow.emplace(at, &e).second)
        Report(who + ": two entries for the row at page " + std::to_string(e.row.page) + " row " +
               std::to_string(e.row.row));
    }
    // Rows are decoded without the fields this program cannot read (their
    // values live elsewhere); an index keying one is left unchecked, as
    // this program never writes to such a table.
    const TableDef readable = Readable(def);
    std::vector<std::size_t> valueAt;
    for (std::size_t v : columns.values) {
      auto it = std::find_if(readable.columns.begin(), readable.columns.end(),
                             [&](const jet::Column& c) { return c.number == def.columns[v].number; });
      if (it == readable.columns.end()) return;
      valueAt.push_back(static_cast<std::size_t>(it - readable.columns.begin()));
    }
    RowDecoder decoder(pager_, readable);
    std::vector<Value> values;
    for (const LiveRow& row : rows) {
      auto it = byRow.find(row.where.ToU32());
      std::string where = "the row at page " + std::to_string(row.where.page) + " row " + std::to_string(row.where.row);
      decoder.Decode(row.bytes, values);
      std::vector<index::KeyValue> keyValues;
      std::size_t nulls = 0;
      for (std::size_t k = 0; k < valueAt.size(); ++k) {
        keyValues.push_back(ToKeyValue(values[valueAt[k]]));
        if (IsNull(values[valueAt[k]]) && columns.keys[k].type != index::KeyType::kBoolean) ++nulls;
      }
      if (nulls > 0 && rules.required) Report(who + ": refuses Null, but " + where + " has one in its key");
      const bool listed = !(rules.ignoreNulls && nulls == columns.values.size());
      if (it == byRow.end()) {
        if (listed) Report(who + ": no entry for " + where);
        continue;
      }
      if (!listed) Report(who + ": ignores Nulls, but lists " + where + ", whose key is all Null");
      if (auto diff = index::CompareKeyWithRow(columns.keys, it->second->key, keyValues))
        Report(who + ": the entry for " + where + " has a wrong key: " + *diff);
      byRow.erase(it);
    }
    for (const auto& [at, e] : byRow)
      Report(who + ": an entry points to no live row (page " + std::to_string(e->row.page) + " row " +
             std::to_string(e->row.row) + ")");
  }

  Pager& pager_;
  std::vector<std::string> findings_;
  std::set<std::uint32_t> free_;
  std::map<std::uint32_t, std::string> owners_;
  std::map<std::uint32_t, std::uint32_t> tableOf_;
  std::set<std::uint32_t> mapped_;
  std::map<std::uint32_t, std::string> knownTables_;  // definition page -> name
  std::map<std::uint32_t, std::string> longValueRows_;  // LVAL row -> the row whose value it holds
  std::vector<PageRef> keep_;
};

}  // namespace

std::vector<std::string> CheckConsistency(Pager& pager) {
  // The checker knows Jet 4's maps and index pages only; read with them, an
  // Access 97 file would be reported as damaged when it is not.
  if (pager.Format().engine == Engine::kJet3)
    throw Error(kOpenFailed, std::string("The structure of ") + pager.Format().name +
                                 " files cannot be checked here: they are only read. Their tables can be listed and "
                                 "sent to MySQL.");
  return Checker(pager).Run();
}

std::vector<std::string> CheckDatabase(const std::string& path, const std::string& password) {
  std::shared_ptr<Connection> connection = OpenConnection(path, password);
  Pager::Statement read(connection->pager, LockMode::Shared);
  return CheckConsistency(connection->pager);
}

}  // namespace jet
