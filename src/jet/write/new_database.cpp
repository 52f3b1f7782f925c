#include "jet/write/new_database.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <string_view>
#include <vector>

#include "jet/catalogue.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/file.h"
#include "jet/header.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/names.h"
#include "jet/pager.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/indexed_table.h"
#include "jet/write/page_space.h"
#include "jet/write/system_tables.h"
#include "jet/write/table_map.h"
#include "jet/write/table_layout.h"

namespace jet {
namespace {

constexpr std::uint32_t kGlobalMapOwner = 1;  // what page 1 names as its owner
constexpr std::size_t kGlobalMapBitmap = 64;  // 512 pages, the bits past the end set (free)
constexpr std::uint16_t kWesternCodePage = 1252;
constexpr std::uint8_t kAce2016Version = 5;
constexpr std::uint8_t kNewerGeneralSortVersion = 1;

// The engine stores account SIDs masked with a key of the file that no
// reader documents (files created at the same moment share it), and the
// creation times are the only other things that differ between the
// fixtures' empty files; so a new file takes both from one database the
// engine created, so that it finds its accounts as it wrote them. The
// accounts' roles, as the rights they hold suggest them:
struct Accounts {
  Binary creator;       // owns the containers and system tables
  Binary admins;        // owns the database; may read and change rights
  Binary users;         // reads the catalogue, opens the database, full rights on tables
  Binary creatorOwner;  // stands for whoever creates an object in a container
};

// What a new file of one format takes from its model.
struct Model {
  Header header;
  double objectsCreated;
  Accounts accounts;
};

// Jet 4: the ADOX-made fixture, created on 2015-11-21 at 22:40:31 (the
// header's stamp, then the objects' a moment later).
Model Jet4Model() {
  Model m;
  m.header.format = &kJet4Format;
  m.header.version = 1;
  m.header.creationDate = std::bit_cast<double>(std::uint64_t{0x40E4AB3E3BD3853E});
  m.objectsCreated = std::bit_cast<double>(std::uint64_t{0x40E4AB3E3BD3FB4E});
  m.accounts = {Binary{{0x65, 0x89}}, Binary{{0x64, 0x8B}}, Binary{{0x65, 0x8B}}, Binary{{0x65, 0x8E}}};
  return m;
}

// ACE: the Access 2016 file, created on 2011-04-04 at 17:54:44. We write
// Access 2016's version with the newer General sort order, which Access has
// given new databases since 2010: what current Access makes, opened by
// Access 2010 and later.
Model AceModel() {
  Model m;
  m.header.format = &kAceFormat;
  m.header.version = kAce2016Version;
  m.header.sortVersion = kNewerGeneralSortVersion;
  m.header.creationDate = std::bit_cast<double>(std::uint64_t{0x40E3D7B7E2208806});
  m.objectsCreated = m.header.creationDate;
  m.accounts = {Binary{{0x42, 0x59}}, Binary{{0x43, 0x5B}}, Binary{{0x42, 0x5B}}, Binary{{0x42, 0x5E}}};
  return m;
}

// Rights (access masks), with DAO's names for their bits.
constexpr std::int32_t kCreate = 0x1;                 // new objects in a container
constexpr std::int32_t kOpenDatabase = 0xE;           // open, open exclusively, administer
constexpr std::int32_t kReadData = 0x14;              // read the definition and the rows
constexpr std::int32_t kReadWriteSecurity = 0x60000;  // read and change the rights
constexpr std::int32_t kWriteOwner = 0x80000;
constexpr std::int32_t kFullRights = 0xFFFFF;
constexpr std::int32_t kOwnerRights = 0xF00FE;

enum class Account { kCreator, kAdmins, kUsers, kCreatorOwner };

const Binary& Sid(const Accounts& a, Account who) {
  switch (who) {
    case Account::kCreator: return a.creator;
    case Account::kAdmins: return a.admins;
    case Account::kUsers: return a.users;
    case Account::kCreatorOwner: return a.creatorOwner;
  }
  return a.creator;
}

struct ObjectRow {
  std::int32_t id;
  std::int32_t parent;
  const char* name;
  std::int16_t type;
  Account owner;
};

struct AceRow {
  std::int32_t object;
  Account account;
  std::int32_t rights;
  bool inheritable;
};

// The rows of a new catalogue, in the order Jet adds them.
const ObjectRow kObjects[] = {
    {kTablesContainer, kContainersParent, "Tables", kObjectTypeContainer, Account::kCreator},
    {kDatabasesContainer, kContainersParent, "Databases", kObjectTypeContainer, Account::kCreator},
    {kRelationshipsContainer, kContainersParent, "Relationships", kObjectTypeContainer, Account::kCreator},
    {kDatabaseObject, kDatabasesContainer, "MSysDb", kObjectTypeDatabase, Account::kAdmins},
};

const AceRow kAces[] = {
    {2, Account::kAdmins, kReadWriteSecurity, false},
    {3, Account::kAdmins, kReadWriteSecurity, false},
    {4, Account::kAdmins, kReadWriteSecurity, false},
    {5, Account::kAdmins, kReadWriteSecurity | kWriteOwner, false},
    {kTablesContainer, Account::kCreatorOwner, kOwnerRights, true},
    {kTablesContainer, Account::kAdmins, kReadWriteSecurity | kCreate, false},
    {kRelationshipsContainer, Account::kCreatorOwner, kOwnerRights, true},
    {kRelationshipsContainer, Account::kAdmins, kReadWriteSecurity | kCreate, false},
    {kDatabasesContainer, Account::kAdmins, kReadWriteSecurity, false},
    {kDatabaseObject, Account::kAdmins, kReadWriteSecurity | kOpenDatabase, false},
    {kDatabaseObject, Account::kUsers, kOpenDatabase, false},
    {4, Account::kUsers, kReadData, false},
    {5, Account::kUsers, kReadData, false},
    {2, Account::kUsers, kReadData, false},
    {kTablesContainer, Account::kUsers, kInheritedTableRights, true},
    {kRelationshipsContainer, Account::kUsers, kFullRights, true},
};

// The rights ACE gives on each table behind complex fields (the object: each
// of those tables in turn).
const AceRow kComplexTableAces[] = {
    {0, Account::kAdmins, kReadWriteSecurity, false},
    {0, Account::kUsers, kReadData, false},
};

// The global usage map of a file holding pages 0 and 1 only.
std::vector<std::uint8_t> GlobalMap() {
  std::vector<std::uint8_t> row = EmptyTableMap();
  std::fill(row.end() - kGlobalMapBitmap, row.end(), 0xFF);
  row[row.size() - kGlobalMapBitmap] = 0xFC;
  return row;
}

bool IsLongValue(const Column& c) { return c.Type() == ColumnType::Memo || c.Type() == ColumnType::Ole; }

// The definition of one system table, with its usage maps added as rows of
// `mapPage` and its index roots still to be placed.
DefinitionLayout LayOutSystemTable(Pager& pager, const SystemTable& table, std::uint32_t mapPage) {
  auto addMap = [&]() -> RowPointer {
    std::size_t slot = DataPageWriter(pager.Write(mapPage)).AddRow(EmptyTableMap());
    return {mapPage, static_cast<std::uint8_t>(slot)};
  };
  DefinitionLayout layout;
  layout.tableType = table.tableType;
  layout.engineTable = true;
  layout.columns = table.columns;
  layout.owned = addMap();
  layout.freeSpace = addMap();
  // Long-value maps go to rows in column-number order, to the definition in column order.
  std::vector<const Column*> byNumber;
  for (const Column& c : table.columns)
    if (IsLongValue(c)) byNumber.push_back(&c);
  std::sort(byNumber.begin(), byNumber.end(), [](const Column* a, const Column* b) { return a->number < b->number; });
  std::vector<LongValueMaps> maps;
  for (const Column* c : byNumber) {
    LongValueMaps m{c->number, addMap(), {}};
    m.freeSpace = addMap();
    maps.push_back(m);
  }
  for (const Column& c : table.columns)
    for (const LongValueMaps& m : maps)
      if (IsLongValue(c) && m.column == c.number) layout.longValueMaps.push_back(m);
  for (std::size_t i = 0; i < table.indexes.size(); ++i) {
    const SystemIndex& index = table.indexes[i];
    RealIndex real;
    for (std::uint16_t column : index.columns) real.columns.emplace_back(column, true);
    real.flags = index.flags;
    real.usageMap = addMap();
    layout.realIndexes.push_back(real);
    layout.logicalIndexes.push_back({index.name, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i), index.kind});
  }
  std::sort(layout.logicalIndexes.begin(), layout.logicalIndexes.end(),
            [](const LogicalIndex& a, const LogicalIndex& b) { return FoldName(a.name) < FoldName(b.name); });
  return layout;
}

std::uint32_t NewMapPage(Pager& pager) {
  std::uint32_t page = pager.Allocate();
  DataPageWriter(pager.Write(page)).Init(0);
  return page;
}

// Places the layout's index roots (empty leaves) on the next pages and writes
// its definition to `tdefPage`.
void WriteSystemTable(Pager& pager, DefinitionLayout& layout, std::uint32_t tdefPage) {
  for (RealIndex& index : layout.realIndexes) {
    index.rootPage = pager.Allocate();
    index::IndexPage root;
    root.tdefPage = tdefPage;
    index::SerializeIndexPage(root, pager.Write(index.rootPage));
    AddToMap(pager, index.usageMap, index.rootPage);
  }
  WriteDefinitionPage(BuildDefinition(layout), 0, 0, pager.Write(tdefPage));
}

class CatalogueRows {
 public:
  CatalogueRows(Pager& pager, PageSpace& space, const Model& model)
      : objects_(pager, space, kCatalogueTdefPage), model_(model) {}

  void AddObject(const ObjectRow& o, std::int32_t flags, bool owned) {
    std::vector<Value> values(objects_.Definition().columns.size(), Null{});
    values[objects_.ColumnIndex("Id")] = o.id;
    values[objects_.ColumnIndex("ParentId")] = o.parent;
    values[objects_.ColumnIndex("Name")] = Text{o.name};
    values[objects_.ColumnIndex("Type")] = o.type;
    values[objects_.ColumnIndex("DateCreate")] = DateTime{model_.objectsCreated};
    values[objects_.ColumnIndex("DateUpdate")] = DateTime{model_.objectsCreated};
    if (owned) values[objects_.ColumnIndex("Owner")] = Sid(model_.accounts, o.owner);
    values[objects_.ColumnIndex("Flags")] = flags;
    objects_.Insert(values);
  }

  void AddTable(const SystemTable& table, std::uint32_t tdefPage) {
    AddObject({static_cast<std::int32_t>(tdefPage), kTablesContainer, table.name.c_str(),
               static_cast<std::int16_t>(TableKind::Local), Account::kCreator},
              table.objectFlags, table.owned);
  }

  void AddAce(IndexedTable& aces, const AceRow& a, std::int32_t object) {
    std::vector<Value> values(aces.Definition().columns.size(), Null{});
    values[aces.ColumnIndex("ObjectId")] = object;
    values[aces.ColumnIndex("SID")] = Sid(model_.accounts, a.account);
    values[aces.ColumnIndex("ACM")] = a.rights;
    values[aces.ColumnIndex("FInheritable")] = a.inheritable;
    aces.Insert(values);
  }

 private:
  IndexedTable objects_;
  const Model& model_;
};

// Every page of the new database, in the order the engine writes them. Jet 4
// puts the usage maps of its four tables on one page and their index roots
// after it; ACE gives each table a map page followed by its roots, and adds
// the tables behind complex fields after the first rows of MSysObjects.
void WriteEmptyDatabase(Pager& pager, const Model& model) {
  std::uint32_t header = pager.AppendPage();
  std::array<std::uint8_t, kPageSize> page0 = NewHeaderPage(model.header);
  std::copy(page0.begin(), page0.end(), pager.Write(header));
  std::uint32_t globalMaps = pager.AppendPage();
  DataPageWriter maps(pager.Write(globalMaps));
  maps.Init(kGlobalMapOwner);
  maps.AddRow(GlobalMap());
  maps.AddRow(EmptyTableMap());

  PageSpace space(pager);
  const Engine engine = model.header.format->engine;
  const std::vector<SystemTable> tables = SystemTables(engine, model.header.sortVersion);
  constexpr std::size_t kCatalogueTables = 4;
  std::vector<std::uint32_t> definitions;
  for (std::size_t i = 0; i < kCatalogueTables; ++i) definitions.push_back(pager.Allocate());
  std::vector<DefinitionLayout> layouts;
  if (engine == Engine::kAce) {
    for (std::size_t t = 0; t < kCatalogueTables; ++t) {
      layouts.push_back(LayOutSystemTable(pager, tables[t], NewMapPage(pager)));
      WriteSystemTable(pager, layouts[t], definitions[t]);
    }
  } else {
    std::uint32_t mapPage = NewMapPage(pager);
    for (std::size_t t = 0; t < kCatalogueTables; ++t) layouts.push_back(LayOutSystemTable(pager, tables[t], mapPage));
    for (std::size_t t = 0; t < kCatalogueTables; ++t) WriteSystemTable(pager, layouts[t], definitions[t]);
  }

  CatalogueRows rows(pager, space, model);
  for (const ObjectRow& o : kObjects) rows.AddObject(o, kFlagsJetObject, true);
  for (std::size_t t = 0; t < kCatalogueTables; ++t) rows.AddTable(tables[t], definitions[t]);
  for (std::size_t t = kCatalogueTables; t < tables.size(); ++t) {
    definitions.push_back(pager.Allocate());
    DefinitionLayout layout = LayOutSystemTable(pager, tables[t], NewMapPage(pager));
    WriteSystemTable(pager, layout, definitions[t]);
    rows.AddTable(tables[t], definitions[t]);
  }

  IndexedTable aces(pager, space, definitions.at(1));
  for (const AceRow& a : kAces) rows.AddAce(aces, a, a.object);
  for (std::size_t t = kCatalogueTables; t < tables.size(); ++t)
    for (const AceRow& a : kComplexTableAces) rows.AddAce(aces, a, static_cast<std::int32_t>(definitions[t]));
}

bool EndsWithAccdb(const std::string& path) {
  constexpr std::string_view kExtension = ".accdb";
  if (path.size() < kExtension.size()) return false;
  return std::equal(kExtension.begin(), kExtension.end(), path.end() - kExtension.size(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

void CreateDatabase(const std::string& path) {
  Model model = EndsWithAccdb(path) ? AceModel() : Jet4Model();
  model.header.codePage = kWesternCodePage;
  model.header.sortOrder = index::kGeneralSortLcid;
  NewFile target(path);
  {
    File file(target.TemporaryPath());
    Pager pager(file, model.header);
    Pager::Statement statement(pager, LockMode::Exclusive);
    WriteEmptyDatabase(pager, model);
    statement.Commit();
  }
  target.Publish();
}

}  // namespace jet
