#include "jet/write/insert_target.h"

#include <algorithm>
#include <utility>

#include "jet/catalogue.h"
#include "jet/column_properties.h"
#include "jet/complex_columns.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"
#include "jet/tdef.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/new_row.h"
#include "jet/write/table_indexes.h"
#include "jet/write/table_rows.h"
#include "jet/write/write_statement.h"

namespace jet {
namespace {

[[noreturn]] void Refuse(const std::string& why) { throw Error(kStatementFailed, why); }

CatalogueTable FindLocalTable(CatalogueWriter& catalogue, const std::string& name) {
  std::optional<CatalogueTable> table = catalogue.Find(name);
  if (!table) ThrowNoSuchTable(name);
  if (!table->IsLocal())
    Refuse("Cannot insert into the linked table '" + table->name + "'; its rows live in another database.");
  if (table->IsSystem()) Refuse("Cannot insert into the system table '" + table->name + "'.");
  return *table;
}

ByteSpan CatalogueRowBytes(Pager& pager, RowPointer where, PageRef& keep) {
  if (!pager.Exists(where.page)) return {};
  keep = pager.Read(where.page);
  DataPage page(*keep, pager.Format());
  return page.HoldsRowOf(kCatalogueTdefPage, where.row) ? page.Row(where.row) : ByteSpan{};
}

}  // namespace

struct InsertTarget {
  std::string name;
  RowPointer catalogueRow;
  std::vector<std::uint8_t> catalogueBytes;
  std::vector<PageBytes> definitionPages;
  TableDef def;
  std::unique_ptr<NewRow> newRow;
  std::unique_ptr<TableRows> rows;
  std::shared_ptr<TableIndexes> indexes;
  LongValueStore longValues;
  std::uint32_t lastDataPage = 0;  // where the last row went
  // Scratch space reused from row to row.
  std::vector<Value> values;
  std::vector<std::uint8_t> row;
  TableIndexes::Keys keys;

  // Whether the pages the next INSERT reads are all in the cache already, as
  // they are for every INSERT of a batch after its first.
  bool PagesCached(const Pager& pager) const {
    const auto cached = [&](std::uint32_t page) { return pager.Version(page) != 0; };
    return std::all_of(def.pages.begin(), def.pages.end(), cached) && cached(catalogueRow.page) &&
           cached(def.freeSpacePages.page) && (lastDataPage == 0 || cached(lastDataPage));
  }

  // The pages the next INSERT reads, so that they come in with few reads.
  std::vector<std::uint32_t> PagesToRead() const {
    std::vector<std::uint32_t> pages = def.pages;
    pages.push_back(catalogueRow.page);
    pages.push_back(def.freeSpacePages.page);
    if (lastDataPage != 0) pages.push_back(lastDataPage);
    return pages;
  }

  bool StillDescribes(Pager& pager, const std::string& table) const {
    if (name != table) return false;
    PageRef keep;
    ByteSpan now = CatalogueRowBytes(pager, catalogueRow, keep);
    if (!std::equal(now.begin(), now.end(), catalogueBytes.begin(), catalogueBytes.end())) return false;
    for (std::size_t i = 0; i < def.pages.size(); ++i) {
      if (!pager.Exists(def.pages[i])) return false;
      if (!SameDefinitionPage(pager.Format(), i, definitionPages[i], ByteSpan(*pager.Read(def.pages[i])))) return false;
    }
    return true;
  }

  static std::shared_ptr<InsertTarget> Find(Pager& pager, PageSpace& space, const std::string& table) {
    CatalogueWriter catalogue(pager, space);
    CatalogueTable found = FindLocalTable(catalogue, table);
    auto t = std::make_shared<InsertTarget>();
    t->name = table;
    t->catalogueRow = found.row.where;
    PageRef keep;
    ByteSpan row = CatalogueRowBytes(pager, found.row.where, keep);
    t->catalogueBytes.assign(row.begin(), row.end());
    t->def = ReadTableDef(pager, static_cast<std::uint32_t>(found.id) & kIdPageMask);
    NameComplexKinds(pager, t->def);
    // A row of such a table would need values (keys into hidden tables,
    // computed results) this engine does not make.
    if (const std::string fields = UnreadableFields(t->def.columns); !fields.empty())
      Refuse("Cannot insert into the table '" + found.name + "': it holds fields this program cannot write: " + fields +
             ".");
    for (std::uint32_t p : t->def.pages) t->definitionPages.push_back(*pager.Read(p));
    t->newRow = std::make_unique<NewRow>(t->def, ReadColumnRules(found.properties));
    t->rows = std::make_unique<TableRows>(pager, t->def);
    t->indexes = std::make_shared<TableIndexes>(pager, t->def);
    t->longValues = t->rows->LongValues();
    return t;
  }
};

void InsertInto(Connection& c, const sql::InsertValues& insert, std::shared_ptr<InsertTarget>& target,
                HeldBackTable& heldBack) {
  if (heldBack.indexes && heldBack.name != insert.table)
    throw Error(kStatementFailed, "Internal error: index entries of another table are held back.");
  WriteStatement statement(c);
  Pager& pager = statement.Pages();
  if (target && target->name == insert.table && !target->PagesCached(pager)) pager.Preload(target->PagesToRead());
  if (!target || !target->StillDescribes(pager, insert.table)) {
    target.reset();
    target = InsertTarget::Find(pager, statement.Space(), insert.table);
    // After a refused row: the entries held back so far stay with the table.
    if (heldBack.indexes) target->indexes = heldBack.indexes;
  }
  InsertTarget& t = *target;
  // A refused row ends the statement unsaved; the kept table is dropped with
  // it, since the caches behind it may hold what was never written.
  std::shared_ptr<InsertTarget> kept = std::exchange(target, nullptr);
  t.newRow->Build(pager, insert, t.values);
  // Keys before the row: a Null an index refuses stops the row untouched.
  t.indexes->KeysOf(t.values, t.keys);
  const bool holdBack = pager.InBatch() && !t.indexes->Writers().empty() && t.indexes->CanHoldBack(t.keys);
  // A key entered now meets the held-back ones here and the tree's in Add.
  t.indexes->RefuseDuplicates(t.keys, holdBack);
  EncodeRow(t.def, t.values, t.longValues, t.row);
  RowPointer where = t.rows->Insert(t.row);
  if (holdBack) {
    t.indexes->HoldBack(t.keys, where);
    try {
      statement.Finish();
    } catch (...) {
      t.indexes->TakeBack(t.keys);
      throw;
    }
    heldBack = {insert.table, t.indexes};
  } else {
    t.indexes->Add(t.keys, where, statement.Space());
    statement.Finish();
  }
  t.lastDataPage = where.page;
  target = std::move(kept);
}

void EnterHeldBack(Connection& c, HeldBackTable& heldBack) {
  const std::shared_ptr<TableIndexes> indexes = std::exchange(heldBack, {}).indexes;
  if (!indexes || !indexes->HoldsBack()) return;
  // A failed write undid the batch, rows and all.
  if (!c.pager.InBatch()) {
    indexes->DropHeldBack();
    return;
  }
  WriteStatement statement(c);
  indexes->EnterHeldBack(statement.Space());
  statement.Finish();
}

}  // namespace jet
