// A new database made by our code: a .mdb page for page what the Jet engine
// wrote into the ADOX-made fixture, but for the bytes Jet leaves
// uninitialised; an .accdb with the header, the tables and the pages of an
// Access-made empty file, but for what Access adds; and a name that is taken
// or cannot be written is refused with nothing left behind. (That every
// statement works on a new file of each format, read back by both oracles,
// is one of the fixture steps.)
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "jet/bytes.h"
#include "jet/catalogue.h"
#include "jet/connection.h"
#include "jet/error.h"
#include "jet/tdef.h"
#include "jet/write/new_database.h"
#include "support.h"

namespace jetwritetest {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Zeroes in a definition page what Jet leaves as it found it: the fixed-area
// offset of variable columns, the order byte of unused index slots and the
// u32 after an index's root page.
void ZeroLeftovers(std::uint8_t* page) {
  jet::ByteSpan b(page, 4096);
  std::size_t columns = jet::U16(b, 45), real = jet::U32(b, 51);
  std::size_t at = 63 + 12 * real;
  for (std::size_t c = 0; c < columns; ++c, at += 25)
    if (!(page[at + 15] & 0x01)) page[at + 21] = page[at + 22] = 0;
  for (std::size_t c = 0; c < columns; ++c) at += 2 + jet::U16(b, at);
  for (std::size_t i = 0; i < real; ++i, at += 52) {
    for (std::size_t k = 0; k < 10; ++k)
      if (jet::U16(b, at + 4 + 3 * k) == 0xFFFF) page[at + 6 + 3 * k] = 0;
    std::fill(page + at + 42, page + at + 46, 0);
  }
}

TEST(NewDatabase, IsLaidOutPageForPageAsJetLaysOutAnEmptyDatabase) {
  TempDir dir;
  fs::path file = dir.Path() / "new.mdb";
  jet::CreateDatabase(file);
  Bytes ours = ReadAll(file);
  Bytes jets = ReadAll(FixtureDir() / "adox_jet4.mdb");
  ASSERT_EQ(ours.size(), jets.size());
  for (std::uint32_t page = 2; page <= 5; ++page) {
    ZeroLeftovers(ours.data() + 4096 * page);
    ZeroLeftovers(jets.data() + 4096 * page);
  }
  for (std::size_t page = 0; page < ours.size() / 4096; ++page) {
    auto mine = ours.begin() + static_cast<std::ptrdiff_t>(4096 * page);
    auto theirs = jets.begin() + static_cast<std::ptrdiff_t>(4096 * page);
    auto [a, b] = std::mismatch(mine, mine + 4096, theirs);
    EXPECT_TRUE(a == mine + 4096) << "page " << page << " differs first at offset " << (a - mine);
  }
}

// Every field of a definition that says what the table is, as text, so that
// a difference names itself.
std::string Describe(const jet::TableDef& def) {
  std::string out = "page " + std::to_string(def.page) + " type " + std::to_string(def.tableType) + "\n";
  for (const jet::Column& c : def.columns) {
    out += "column " + c.name + " type " + std::to_string(c.type) + " number " + std::to_string(c.number) +
           " var " + std::to_string(c.varIndex) + " length " + std::to_string(c.length) + " flags " +
           std::to_string(c.flags) + " extra " + std::to_string(c.extraFlags);
    if (c.IsFixed()) out += " at " + std::to_string(c.fixedOffset);
    if (c.Type() == jet::ColumnType::Decimal)
      out += " precision " + std::to_string(c.precision) + " scale " + std::to_string(c.scale);
    else
      out += " sort " + std::to_string(c.sortLcid) + "/" + std::to_string(c.sortVersion);
    out += "\n";
  }
  for (const jet::RealIndex& index : def.realIndexes) {
    out += "index flags " + std::to_string(index.flags) + " root " + std::to_string(index.rootPage) + " on";
    for (const auto& [column, ascending] : index.columns) out += " " + std::to_string(column) + (ascending ? "+" : "-");
    out += "\n";
  }
  for (const jet::LogicalIndex& index : def.logicalIndexes)
    out += "logical " + index.name + " " + std::to_string(index.number) + " real " + std::to_string(index.realIndex) +
           " kind " + std::to_string(index.kind) + "\n";
  return out;
}

TEST(NewDatabase, AccdbHoldsTheEngineTablesOfAnAccessMadeFileWhereAccessPutsThem) {
  TempDir dir;
  fs::path file = dir.Path() / "new.accdb";
  jet::CreateDatabase(file);
  auto ours = jet::OpenConnection(file, "");
  auto access = jet::OpenConnection(dir.Copy("accdb/empty2016.accdb"), "");
  EXPECT_EQ(ours->header.format, &jet::kAceFormat);
  EXPECT_EQ(ours->header.version, access->header.version);
  EXPECT_EQ(ours->header.sortOrder, access->header.sortOrder);
  EXPECT_EQ(ours->header.sortVersion, access->header.sortVersion);
  EXPECT_EQ(ours->header.codePage, access->header.codePage);

  jet::Pager::Statement readOurs(ours->pager, jet::LockMode::Shared);
  jet::Pager::Statement readAccess(access->pager, jet::LockMode::Shared);
  std::vector<jet::CatalogueEntry> tables = jet::ReadCatalogue(ours->pager);
  std::map<std::string, jet::CatalogueEntry> accessTables;
  for (const jet::CatalogueEntry& e : jet::ReadCatalogue(access->pager)) accessTables[e.name] = e;
  ASSERT_EQ(tables.size(), 14u);  // the four of Jet's catalogue, MSysComplexColumns, nine complex types
  for (const jet::CatalogueEntry& e : tables) {
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(accessTables.count(e.name));
    const jet::CatalogueEntry& theirs = accessTables[e.name];
    EXPECT_EQ(e.tdefPage, theirs.tdefPage);
    EXPECT_EQ(e.flags, theirs.flags);
    EXPECT_EQ(Describe(jet::ReadTableDef(ours->pager, e.tdefPage)),
              Describe(jet::ReadTableDef(access->pager, theirs.tdefPage)));
  }
  // The pages in between (usage maps, index roots, the first rows of
  // MSysObjects) lie where Access has them, and the file ends with the
  // rights; Access's own tables come after them in its file.
  const std::uint32_t rightsPage = static_cast<std::uint32_t>(ReadAll(file).size() / 4096 - 1);
  EXPECT_EQ(rightsPage, 41u);
  for (std::uint32_t page = 1; page < rightsPage; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    EXPECT_EQ((*ours->pager.Read(page))[0], (*access->pager.Read(page))[0]);
  }
}

TEST(NewDatabase, RefusesWhatItCannotCreateAndLeavesNothingBehind) {
  TempDir dir;
  fs::path existing = dir.Path() / "existing.mdb";
  std::ofstream(existing) << "keep me";
  fs::create_directory(dir.Path() / "folder.mdb");
  struct Case {
    fs::path path;
    std::string says;
  } cases[] = {
      {existing, "already exists"},
      {dir.Path() / "folder.mdb", "is a folder"},
      {dir.Path() / "missing" / "new.mdb", "does not exist"},
      {"", "no file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    try {
      jet::CreateDatabase(c.path);
      ADD_FAILURE() << "created";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::kOpenFailed);
      EXPECT_NE(e.Description().find(c.says), std::string::npos) << e.Description();
    }
  }
  EXPECT_EQ(ReadAll(existing), (Bytes{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
  std::size_t entries = std::distance(fs::directory_iterator(dir.Path()), {});
  EXPECT_EQ(entries, 2u);  // no temporary file left beside the two
}

}  // namespace
}  // namespace jetwritetest
