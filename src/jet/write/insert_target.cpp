#include "jet/write/insert_target.h"

#include <algorithm>

#include "jet/catalogue.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"
#include "jet/tdef.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/table_rows.h"
#include "jet/write/typed_literal.h"
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
  std::vector<std::size_t> byNumber;  // definition columns in column-number order
  std::unique_ptr<TableRows> rows;
  LongValueStore longValues;
  std::uint32_t lastDataPage = 0;  // where the last row went
  // Scratch space reused from row to row.
  std::vector<Value> values;
  std::vector<std::uint8_t> row;

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
    for (std::uint32_t p : t->def.pages) t->definitionPages.push_back(*pager.Read(p));
    // Values go to columns in column-number order, the order of CREATE TABLE.
    t->byNumber.resize(t->def.columns.size());
    for (std::size_t i = 0; i < t->byNumber.size(); ++i) t->byNumber[i] = i;
    std::sort(t->byNumber.begin(), t->byNumber.end(), [&](std::size_t a, std::size_t b) {
      return t->def.columns[a].number < t->def.columns[b].number;
    });
    t->rows = std::make_unique<TableRows>(pager, t->def);
    t->longValues = t->rows->LongValues();
    t->values.resize(t->def.columns.size());
    return t;
  }
};

void InsertInto(Connection& c, const sql::InsertValues& insert, std::shared_ptr<InsertTarget>& target) {
  WriteStatement statement(c);
  Pager& pager = statement.Pages();
  if (target && target->name == insert.table) pager.Preload(target->PagesToRead());
  if (!target || !target->StillDescribes(pager, insert.table)) {
    target.reset();
    target = InsertTarget::Find(pager, statement.Space(), insert.table);
  }
  InsertTarget& t = *target;
  if (!insert.columns.empty()) Refuse("INSERT INTO with a list of columns cannot be run yet.");
  if (insert.values.size() != t.def.columns.size())
    Refuse("Number of query values and destination fields are not the same.");
  for (std::size_t k = 0; k < t.byNumber.size(); ++k)
    t.values[t.byNumber[k]] = TypedValue(t.def.columns[t.byNumber[k]], insert.values[k]);
  EncodeRow(t.def, t.values, t.longValues, t.row);
  RowPointer where = t.rows->Insert(t.row);
  statement.Finish();
  t.lastDataPage = where.page;
}

}  // namespace jet
