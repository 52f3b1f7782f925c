#include "jet/write/database_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

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
constexpr std::size_t kRowCountOffset = 16;

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

ByteSpan CatalogueRowBytes(Pager& pager, RowPointer where, PageRef& keep) {
  if (!pager.Exists(where.page)) return {};
  keep = pager.Read(where.page);
  DataPage page(*keep, pager.Format());
  if (!page.IsData() || page.Owner() != kCatalogueTdefPage || where.row >= page.SlotCount() ||
      page.IsDeleted(where.row) || page.IsLookup(where.row))
    return {};
  return page.Row(where.row);
}

}  // namespace

// The table an INSERT goes to, kept between the statements of one handle so
// that the next INSERT into it need not look it up again. It is not trusted:
// each statement reads the table's catalogue row and definition pages afresh
// (the definition must be read anyway to count the row) and uses what is kept
// only when those bytes are what they were. A drop, rename or redefinition by
// any writer changes one of them; rows added by others change the row count,
// which is ignored here and read afresh when counting, and the maps and data
// pages, which are always read afresh.
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
      const PageBytes& bytes = *pager.Read(def.pages[i]);
      const PageBytes& then = definitionPages[i];
      // The first page's row count (offset 16) changes with every insert.
      if (i == 0 ? std::memcmp(bytes.data(), then.data(), kRowCountOffset) != 0 ||
                       std::memcmp(bytes.data() + kRowCountOffset + 4, then.data() + kRowCountOffset + 4,
                                   kPageSize - kRowCountOffset - 4) != 0
                 : bytes != then)
        return false;
    }
    return true;
  }

  static std::shared_ptr<InsertTarget> Find(Pager& pager, PageSpace& space, const std::string& table) {
    CatalogueWriter catalogue(pager, space);
    CatalogueTable found = FindLocalTable(catalogue, table, "insert into");
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

namespace {

void Insert(Connection& c, const sql::InsertValues& insert, std::shared_ptr<InsertTarget>& target) {
  WriteStatement statement(c);
  Pager& pager = statement.Pages();
  if (target && target->name == insert.table) pager.Preload(target->PagesToRead());
  if (!target || !target->StillDescribes(pager, insert.table)) {
    target.reset();
    target = InsertTarget::Find(pager, statement.Space(), insert.table);
  }
  InsertTarget& t = *target;
  if (insert.values.size() != t.def.columns.size())
    Refuse("Number of query values and destination fields are not the same.");
  for (std::size_t k = 0; k < t.byNumber.size(); ++k)
    t.values[t.byNumber[k]] = ColumnValue(t.def.columns[t.byNumber[k]], insert.values[k]);
  EncodeRow(t.def, t.values, t.longValues, t.row);
  RowPointer where = t.rows->Insert(t.row);
  statement.Finish();
  t.lastDataPage = where.page;
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

}  // namespace

DatabaseWriter DatabaseWriter::Open(const std::string& path, const std::string& password) {
  return On(OpenConnection(path, password));
}

DatabaseWriter DatabaseWriter::On(std::shared_ptr<Connection> connection) {
  const Format& format = *connection->header.format;
  if (format.engine == Engine::kJet3)
    throw Error(kOpenFailed, "Cannot update. Database or object is read-only: '" + connection->file->Path() +
                                 "' is an Access 97 file, and Access 97 files are read-only here. Its tables can be "
                                 "listed and sent to MySQL.");
  if (!format.writable)
    throw Error(kOpenFailed, "Cannot update '" + connection->file->Path() + "': changing " + format.name +
                                 " files is not supported yet.");
  if (!connection->file->Writable())
    throw Error(kOpenFailed, "Cannot update. Database or object is read-only: '" + connection->file->Path() +
                                 "' cannot be opened for writing.");
  return DatabaseWriter(std::move(connection));
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
