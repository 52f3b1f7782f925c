#include "jet/write/database_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

#include "jet/catalogue.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/row_codec.h"
#include "jet/sql/names.h"
#include "jet/sql/statement.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/new_table.h"
#include "jet/write/page_space.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_rows.h"

namespace jet {
namespace {

constexpr std::uint32_t kIdPageMask = 0x00FFFFFF;

[[noreturn]] void Refuse(const std::string& why) { throw Error(kStatementFailed, why); }

[[noreturn]] void NoSuchTable(const std::string& name) {
  throw Error(kObjectNotFound, "The Microsoft Jet database engine cannot find the input table or query '" + name +
                                   "'. Make sure it exists and that its name is spelled correctly.");
}

// One writing statement: the exclusive lock, the allocator, and the order in
// which its changes reach the file.
class WriteStatement {
 public:
  explicit WriteStatement(Connection& c) : lock_(c.pager, LockMode::Exclusive), space_(c.pager), pager_(c.pager) {}
  Pager& Pages() { return pager_; }
  PageSpace& Space() { return space_; }
  void Finish() {
    lock_.Save();
    if (space_.HasQueuedReleases()) {
      // Only now that nothing on disk points to them do the pages go free.
      space_.ReleaseQueued();
      lock_.Save();
    }
  }

 private:
  Pager::Statement lock_;
  PageSpace space_;
  Pager& pager_;
};

// A literal of INSERT as the value its column stores.
Value ColumnValue(const Column& c, const std::optional<std::string>& literal) {
  if (!literal) return Null{};
  const std::string& s = *literal;
  auto number = [&](auto parsed) {
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), parsed);
    if (error != std::errc() || end != s.data() + s.size()) Refuse("Data type mismatch in criteria expression.");
    return parsed;
  };
  switch (c.Type()) {
    case ColumnType::Text: return Text{s};
    case ColumnType::Memo: return Memo{s};
    case ColumnType::Byte: return static_cast<std::uint8_t>(number(int{}));
    case ColumnType::Integer: return static_cast<std::int16_t>(number(int{}));
    case ColumnType::Long: return number(std::int32_t{});
    case ColumnType::Double: return number(double{});
    case ColumnType::Single: return number(float{});
    default:
      Refuse("The field '" + c.name + "' is of type " + TypeName(c.type) +
             ", which INSERT INTO takes no text literal for.");
  }
}

CatalogueTable FindLocalTable(CatalogueWriter& catalogue, const std::string& name, const char* what) {
  std::optional<CatalogueTable> table = catalogue.Find(name);
  if (!table) NoSuchTable(name);
  if (!table->IsLocal()) Refuse("Cannot " + std::string(what) + " the linked table '" + table->name + "'; its rows live in another database.");
  if (table->IsSystem()) Refuse("Cannot " + std::string(what) + " the system table '" + table->name + "'.");
  return *table;
}

void Create(Connection& c, const sql::CreateTable& create) {
  if (auto why = sql::InvalidNameReason(create.table)) Refuse(*why);
  std::vector<Column> columns = LayOutColumns(create);
  WriteStatement statement(c);
  CatalogueWriter catalogue(statement.Pages(), statement.Space());
  catalogue.CheckNewName(create.table);
  std::uint32_t tdefPage = WriteNewTable(statement.Pages(), columns);
  catalogue.AddTable(create.table, tdefPage);
  statement.Finish();
}

std::vector<std::uint8_t> DefinitionPageBytes(Pager& pager, std::uint32_t page) {
  PageRef bytes = pager.Read(page);
  std::vector<std::uint8_t> copy(bytes->begin(), bytes->end());
  std::fill_n(copy.begin() + 16, 4, 0);  // the row count changes with every insert
  return copy;
}

ByteSpan CatalogueRowBytes(Pager& pager, RowPointer where, PageRef& keep) {
  if (where.page >= pager.PageCount()) return {};
  keep = pager.Read(where.page);
  DataPage page(*keep);
  if (!page.IsData() || page.Owner() != kCatalogueTdefPage || where.row >= page.SlotCount() ||
      page.IsDeleted(where.row) || page.IsLookup(where.row))
    return {};
  return page.Row(where.row);
}

// Whether `last` still describes the table `name`: its catalogue row and
// definition pages are byte for byte what they were.
bool StillValid(Pager& pager, const DatabaseWriter::LastTable& last, const std::string& name) {
  if (last.name != name) return false;
  PageRef keep;
  ByteSpan row = CatalogueRowBytes(pager, last.catalogueRow, keep);
  if (!std::equal(row.begin(), row.end(), last.catalogueBytes.begin(), last.catalogueBytes.end())) return false;
  for (std::size_t i = 0; i < last.def.pages.size(); ++i) {
    if (last.def.pages[i] >= pager.PageCount() || DefinitionPageBytes(pager, last.def.pages[i]) != last.definitionPages[i])
      return false;
  }
  return true;
}

void Insert(Connection& c, const sql::InsertValues& insert, std::shared_ptr<DatabaseWriter::LastTable>& last) {
  WriteStatement statement(c);
  Pager& pager = statement.Pages();
  if (!last || !StillValid(pager, *last, insert.table)) {
    last.reset();
    CatalogueWriter catalogue(pager, statement.Space());
    CatalogueTable table = FindLocalTable(catalogue, insert.table, "insert into");
    auto fresh = std::make_shared<DatabaseWriter::LastTable>();
    fresh->name = insert.table;
    fresh->catalogueRow = table.row.where;
    PageRef keep;
    ByteSpan row = CatalogueRowBytes(pager, table.row.where, keep);
    fresh->catalogueBytes.assign(row.begin(), row.end());
    fresh->def = ReadTableDef(pager, static_cast<std::uint32_t>(table.id) & kIdPageMask);
    for (std::uint32_t p : fresh->def.pages) fresh->definitionPages.push_back(DefinitionPageBytes(pager, p));
    last = fresh;
  }
  const TableDef& def = last->def;
  if (insert.values.size() != def.columns.size())
    Refuse("Number of query values and destination fields are not the same.");
  // Values go to columns in column-number order, the order of CREATE TABLE.
  std::vector<std::size_t> order(def.columns.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t a, std::size_t b) { return def.columns[a].number < def.columns[b].number; });
  std::vector<Value> values(def.columns.size());
  for (std::size_t k = 0; k < order.size(); ++k) values[order[k]] = ColumnValue(def.columns[order[k]], insert.values[k]);
  TableRows rows(pager, def);
  std::vector<std::uint8_t> row = EncodeRow(def, values, rows.LongValues());
  rows.Insert(row);
  statement.Finish();
}

void Drop(Connection& c, const sql::DropTable& drop) {
  WriteStatement statement(c);
  CatalogueWriter catalogue(statement.Pages(), statement.Space());
  std::optional<CatalogueTable> table = catalogue.Find(drop.table);
  if (!table) throw Error(kObjectNotFound, "Table '" + drop.table + "' does not exist.");
  if (table->IsSystem()) Refuse("Cannot delete the system table '" + table->name + "'.");
  if (catalogue.InRelationship(table->name))
    Refuse("Cannot delete the table '" + table->name +
           "'; it participates in one or more relationships. Delete its relationships first.");
  std::vector<std::uint32_t> pages;
  if (table->IsLocal()) {
    TableDef def = ReadTableDef(statement.Pages(), static_cast<std::uint32_t>(table->id) & kIdPageMask);
    pages = PagesOwnedBy(statement.Pages(), def);
  }
  catalogue.RemoveTable(*table);
  for (std::uint32_t p : pages) statement.Space().Release(p);
  statement.Finish();
}

std::shared_ptr<Connection> OpenConnection(const std::string& path, const std::string& password) {
  auto file = std::make_unique<File>(path);
  std::array<std::uint8_t, kPageSize> page0{};
  std::size_t got = file->ReadAt(0, page0);
  if (got == 0) throw Error(kOpenFailed, "Unrecognized database format '" + path + "' (the file is empty).");
  Header header = ParseHeader(std::span(page0.data(), got), path);
  CheckPassword(header, password);
  if (!file->Writable())
    throw Error(kOpenFailed, "Cannot update. Database or object is read-only: '" + path +
                                 "' cannot be opened for writing.");
  return std::make_shared<Connection>(std::move(file), header);
}

}  // namespace

DatabaseWriter DatabaseWriter::Open(const std::string& path, const std::string& password) {
  return DatabaseWriter(OpenConnection(path, password));
}

void DatabaseWriter::Execute(const std::string& sql) {
  sql::Statement statement = sql::Parse(sql);
  Connection& c = *connection_;
  std::visit(
      [&](const auto& s) {
        using T = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<T, sql::CreateTable>) Create(c, s);
        else if constexpr (std::is_same_v<T, sql::InsertValues>) Insert(c, s, lastTable_);
        else if constexpr (std::is_same_v<T, sql::DropTable>) Drop(c, s);
        else {
          // A SELECT changes nothing: only its table must exist.
          Pager::Statement read(c.pager, LockMode::Shared);
          PageSpace space(c.pager);
          if (!CatalogueWriter(c.pager, space).Find(s.table)) NoSuchTable(s.table);
        }
      },
      statement);
}

void DatabaseWriter::RenameTable(const std::string& oldName, const std::string& newName) {
  WriteStatement statement(*connection_);
  CatalogueWriter catalogue(statement.Pages(), statement.Space());
  std::optional<CatalogueTable> table = catalogue.Find(oldName);
  if (!table) throw Error(kObjectNotFound, "Table '" + oldName + "' does not exist.");
  if (table->IsSystem()) Refuse("Cannot rename the system table '" + table->name + "'.");
  catalogue.CheckNewName(newName, &*table);
  catalogue.RenameTable(*table, newName);
  statement.Finish();
}

void DatabaseWriter::Sync() { connection_->file->Sync(); }

void ExecuteStatement(const std::string& path, const std::string& password, const std::string& sql) {
  DatabaseWriter::Open(path, password).Execute(sql);
}

void RenameTable(const std::string& path, const std::string& password, const std::string& oldName,
                 const std::string& newName) {
  DatabaseWriter::Open(path, password).RenameTable(oldName, newName);
}

void SyncDatabase(const std::string& path) { File(path).Sync(); }

}  // namespace jet
