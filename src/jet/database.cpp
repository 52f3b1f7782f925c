#include "jet/database.h"

#include <algorithm>

#include "jet/complex_columns.h"
#include "jet/error.h"
#include "jet/names.h"

namespace jet {

Database Database::Open(const std::string& path, const std::string& password) {
  return OpenChecked(path, password, [](Pager& pager) { ReadCatalogue(pager); });
}

Database Database::OpenQuickly(const std::string& path, const std::string& password) {
  return OpenChecked(path, password, CheckCatalogueStructure);
}

Database Database::OpenChecked(const std::string& path, const std::string& password, void (*checkCatalogue)(Pager&)) {
  Database db(OpenConnection(path, password));
  // A file whose catalogue cannot be read is no usable database: say so now.
  try {
    checkCatalogue(db.connection_->pager);
  } catch (const Error& e) {
    throw Error(kOpenFailed, "Cannot open '" + path + "': " + e.Description());
  }
  return db;
}

std::vector<CatalogueEntry> Database::Tables() const { return ReadCatalogue(connection_->pager); }

Table Database::OpenTable(const std::string& name) const {
  Pager::Statement statement(connection_->pager, LockMode::Shared);
  std::vector<CatalogueEntry> catalogue = ReadCatalogue(connection_->pager);
  for (const CatalogueEntry& e : catalogue) {
    if (!SameName(e.name, name)) continue;
    if (e.IsLinked())
      throw Error(kStatementFailed, "'" + e.name + "' is a linked table; its rows live in another database (" +
                                        (e.database.empty() ? e.connect : e.database) +
                                        ") and reading linked tables is not supported.");
    TableDef def = ReadTableDef(connection_->pager, e.tdefPage);
    NameComplexKinds(connection_->pager, def);
    return Table(connection_, e.name, std::make_shared<const TableDef>(std::move(def)));
  }
  ThrowNoSuchTable(name);
}

ResultSet Database::Execute(const std::string& sql) const {
  sql::Select select = ParseSelect(sql);
  Table table = OpenTable(select.table);
  return ResultSet::Read(select.columns.empty() ? table : table.Only(select.columns));
}

}  // namespace jet
