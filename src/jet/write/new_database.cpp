#include "jet/write/new_database.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "jet/catalogue.h"
#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/file.h"
#include "jet/header.h"
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

// Jet stores account SIDs masked with a key of the file that no reader
// documents, and the creation times are the only other things that differ
// between the fixtures' empty files; so a new file takes both from one
// database the Jet engine created (the ADOX-made fixture, created on
// 2015-11-21 at 22:40:31: the header's stamp, then the objects' a moment
// later), so that Jet finds its accounts as it wrote them. The accounts'
// roles, as the rights they hold suggest them:
const double kHeaderCreated = std::bit_cast<double>(std::uint64_t{0x40E4AB3E3BD3853E});
const double kObjectsCreated = std::bit_cast<double>(std::uint64_t{0x40E4AB3E3BD3FB4E});
const Binary kCreator{{0x65, 0x89}};       // owns the containers and system tables
const Binary kAdmins{{0x64, 0x8B}};        // owns the database; may read and change rights
const Binary kUsers{{0x65, 0x8B}};         // reads the catalogue, opens the database, full rights on tables
const Binary kCreatorOwner{{0x65, 0x8E}};  // stands for whoever creates an object in a container

// Rights (access masks), with DAO's names for their bits.
constexpr std::int32_t kCreate = 0x1;                 // new objects in a container
constexpr std::int32_t kOpenDatabase = 0xE;           // open, open exclusively, administer
constexpr std::int32_t kReadData = 0x14;              // read the definition and the rows
constexpr std::int32_t kReadWriteSecurity = 0x60000;  // read and change the rights
constexpr std::int32_t kWriteOwner = 0x80000;
constexpr std::int32_t kFullRights = 0xFFFFF;
constexpr std::int32_t kOwnerRights = 0xF00FE;

struct ObjectRow {
  std::int32_t id;
  std::int32_t parent;
  const char* name;
  std::int16_t type;
  const Binary& owner;
};

struct AceRow {
  std::int32_t object;
  const Binary& account;
  std::int32_t rights;
  bool inheritable;
};

// The rows of a new catalogue, in the order Jet adds them.
const ObjectRow kObjects[] = {
    {kTablesContainer, kContainersParent, "Tables", kObjectTypeContainer, kCreator},
    {kDatabasesContainer, kContainersParent, "Databases", kObjectTypeContainer, kCreator},
    {kRelationshipsContainer, kContainersParent, "Relationships", kObjectTypeContainer, kCreator},
    {kDatabaseObject, kDatabasesContainer, "MSysDb", kObjectTypeDatabase, kAdmins},
};

const AceRow kAces[] = {
    {2, kAdmins, kReadWriteSecurity, false},
    {3, kAdmins, kReadWriteSecurity, false},
    {4, kAdmins, kReadWriteSecurity, false},
    {5, kAdmins, kReadWriteSecurity | kWriteOwner, false},
    {kTablesContainer, kCreatorOwner, kOwnerRights, true},
    {kTablesContainer, kAdmins, kReadWriteSecurity | kCreate, false},
    {kRelationshipsContainer, kCreatorOwner, kOwnerRights, true},
    {kRelationshipsContainer, kAdmins, kReadWriteSecurity | kCreate, false},
    {kDatabasesContainer, kAdmins, kReadWriteSecurity, false},
    {kDatabaseObject, kAdmins, kReadWriteSecurity | kOpenDatabase, false},
    {kDatabaseObject, kUsers, kOpenDatabase, false},
    {4, kUsers, kReadData, false},
    {5, kUsers, kReadData, false},
    {2, kUsers, kReadData, false},
    {kTablesContainer, kUsers, kInheritedTableRights, true},
    {kRelationshipsContainer, kUsers, kFullRights, true},
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
  layout.tableType = kTableTypeSystem;
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

void AddRows(Pager& pager, PageSpace& space, const std::vector<std::uint32_t>& definitions) {
  IndexedTable objects(pager, space, kCatalogueTdefPage);
  auto addObject = [&](const ObjectRow& o) {
    std::vector<Value> values(objects.Definition().columns.size(), Null{});
    values[objects.ColumnIndex("Id")] = o.id;
    values[objects.ColumnIndex("ParentId")] = o.parent;
    values[objects.ColumnIndex("Name")] = Text{o.name};
    values[objects.ColumnIndex("Type")] = o.type;
    values[objects.ColumnIndex("DateCreate")] = DateTime{kObjectsCreated};
    values[objects.ColumnIndex("DateUpdate")] = DateTime{kObjectsCreated};
    values[objects.ColumnIndex("Owner")] = o.owner;
    values[objects.ColumnIndex("Flags")] = kFlagsJetObject;
    objects.Insert(values);
  };
  for (const ObjectRow& o : kObjects) addObject(o);
  const std::vector<SystemTable>& tables = SystemTables();
  for (std::size_t i = 0; i < tables.size(); ++i)
    addObject({static_cast<std::int32_t>(definitions[i]), kTablesContainer, tables[i].name.c_str(), static_cast<std::int16_t>(TableKind::Local), kCreator});

  IndexedTable aces(pager, space, definitions.at(1));
  for (const AceRow& a : kAces) {
    std::vector<Value> values(aces.Definition().columns.size(), Null{});
    values[aces.ColumnIndex("ObjectId")] = a.object;
    values[aces.ColumnIndex("SID")] = a.account;
    values[aces.ColumnIndex("ACM")] = a.rights;
    values[aces.ColumnIndex("FInheritable")] = a.inheritable;
    aces.Insert(values);
  }
}

// Every page of the new database, in the order Jet writes them.
void WriteEmptyDatabase(Pager& pager) {
  std::uint32_t header = pager.AppendPage();
  std::array<std::uint8_t, kPageSize> page0 = NewHeaderPage(kHeaderCreated);
  std::copy(page0.begin(), page0.end(), pager.Write(header));
  std::uint32_t globalMaps = pager.AppendPage();
  DataPageWriter maps(pager.Write(globalMaps));
  maps.Init(kGlobalMapOwner);
  maps.AddRow(GlobalMap());
  maps.AddRow(EmptyTableMap());

  PageSpace space(pager);
  const std::vector<SystemTable>& tables = SystemTables();
  std::vector<std::uint32_t> definitions;
  for (std::size_t i = 0; i < tables.size(); ++i) definitions.push_back(pager.Allocate());
  std::uint32_t mapPage = pager.Allocate();
  DataPageWriter(pager.Write(mapPage)).Init(0);
  std::vector<DefinitionLayout> layouts;
  for (const SystemTable& table : tables) layouts.push_back(LayOutSystemTable(pager, table, mapPage));
  for (std::size_t t = 0; t < tables.size(); ++t) {
    for (RealIndex& index : layouts[t].realIndexes) {
      index.rootPage = pager.Allocate();
      index::IndexPage root;
      root.tdefPage = definitions[t];
      index::SerializeIndexPage(root, pager.Write(index.rootPage));
      AddToMap(pager, index.usageMap, index.rootPage);
    }
    std::vector<std::uint8_t> block = BuildDefinition(layouts[t]);
    WriteDefinitionPage(block, 0, 0, pager.Write(definitions[t]));
  }
  AddRows(pager, space, definitions);
}

}  // namespace

void CreateDatabase(const std::string& path) {
  NewFile target(path);
  {
    File file(target.TemporaryPath());
    const Header header;  // a Jet 4 file whose pages are stored plain
    Pager pager(file, header);
    Pager::Statement statement(pager, LockMode::Exclusive);
    WriteEmptyDatabase(pager);
    statement.Commit();
  }
  target.Publish();
}

}  // namespace jet
