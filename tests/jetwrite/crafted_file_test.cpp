// Access-made files with one structure made to lie, as a hostile or damaged
// file would: each statement that would write through or free what the lie
// names is refused as damage, and the file stays byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "jet/bytes.h"
#include "jet/catalogue.h"
#include "jet/connection.h"
#include "jet/data_page.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/long_value.h"
#include "jet/tdef.h"
#include "jet/usage_map.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "jet/write/page_space.h"
#include "jet/write/row_edit.h"
#include "jet/write/table_rows.h"
#include "support.h"

namespace jetwritetest {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Changes the file through the engine's own pages, past every check.
void Craft(const fs::path& file, const std::function<void(jet::Pager&)>& change) {
  std::shared_ptr<jet::Connection> c = jet::OpenConnection(file.string(), "");
  jet::Pager::Statement statement(c->pager, jet::LockMode::Exclusive);
  change(c->pager);
  statement.Commit();
}

std::uint32_t TablePage(jet::Pager& pager, const std::string& name) {
  jet::PageSpace space(pager);
  std::optional<jet::CatalogueTable> table = jet::CatalogueWriter(pager, space).Find(name);
  if (!table) throw std::runtime_error("no table " + name);
  return static_cast<std::uint32_t>(table->id) & jet::kIdPageMask;
}

std::vector<std::uint32_t> DataPagesOf(jet::Pager& pager, std::uint32_t owner) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t p = 2; p < pager.PageCount(); ++p) {
    jet::DataPage page(*pager.Read(p), pager.Format());
    if (page.IsData() && page.Owner() == owner) pages.push_back(p);
  }
  return pages;
}

const jet::Column& ColumnNamed(const jet::TableDef& def, const std::string& name) {
  for (const jet::Column& c : def.columns)
    if (c.name == name) return c;
  throw std::runtime_error("no column " + name);
}

struct Case {
  const char* name;
  std::function<void(jet::Pager&)> craft;
  std::function<void(const std::string& file)> statement;
};

void Exec(const std::string& file, const std::string& sql) { jet::ExecuteStatement(file, "", sql); }

std::vector<Case> Cases() {
  return {
      // One more slot on each catalogue data page, deleted, its row said to
      // start at byte 16: inside the slot table.
      {"a slot whose row starts inside the page header",
       [](jet::Pager& pager) {
         for (std::uint32_t p : DataPagesOf(pager, jet::kCatalogueTdefPage)) {
           std::uint8_t* b = pager.Write(p);
           std::uint16_t slots = jet::U16(jet::ByteSpan(b, 4096), 12);
           jet::PutU16(b + 14 + 2 * slots, 0xC000 | 16);
           jet::PutU16(b + 12, static_cast<std::uint16_t>(slots + 1));
           jet::PutU16(b + 2, static_cast<std::uint16_t>(jet::U16(jet::ByteSpan(b, 4096), 2) - 2));
         }
       },
       [](const std::string& file) { Exec(file, "CREATE TABLE [fresh] (a text(10))"); }},
      // The catalogue's definition places DateUpdate far past any row.
      {"a fixed column placed past its row",
       [](jet::Pager& pager) {
         jet::TableDef def = jet::ReadTableDef(pager, jet::kCatalogueTdefPage);
         const std::uint16_t date = ColumnNamed(def, "DateUpdate").number;
         jet::PageRef tdef = pager.Read(jet::kCatalogueTdefPage);
         for (std::size_t i = 0; i < def.columns.size(); ++i) {
           std::size_t block = 63 + 12 * def.realIndexes.size() + 25 * i;
           if (jet::U16(jet::ByteSpan(*tdef), block + 5) == date)
             jet::PutU16(pager.Write(jet::kCatalogueTdefPage) + block + 21, 0x0FF0);
         }
       },
       [](const std::string& file) { jet::RenameTable(file, "", "a", "c"); }},
      // Table a's owned-pages map also lists table b's data page: dropping a
      // would free b's rows.
      {"a table map that lists another table's page",
       [](jet::Pager& pager) {
         jet::TableDef a = jet::ReadTableDef(pager, TablePage(pager, "a"));
         std::uint32_t ofB = DataPagesOf(pager, TablePage(pager, "b")).at(0);
         ASSERT_TRUE(jet::UsageMap(pager, a.ownedPages).Set(ofB, true));
       },
       [](const std::string& file) { Exec(file, "DROP TABLE [a]"); }},
  };
}

TEST(CraftedFiles, EachLieIsRefusedAsDamageAndChangesNothing) {
  const std::string memo(9000, 'm');
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::path file = dir.Copy("testV2000.mdb");
    for (const char* t : {"a", "b"}) {
      Exec(file.string(), std::string("CREATE TABLE [") + t + "] (x text(10), m memo)");
      Exec(file.string(), std::string("INSERT INTO [") + t + "] VALUES ('" + t + "', '" + memo + "')");
    }
    Craft(file, c.craft);
    const std::vector<std::uint8_t> before = Bytes(file);
    try {
      c.statement(file.string());
      ADD_FAILURE() << "the statement went through";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::kOpenFailed);
      EXPECT_NE(e.Description().find("damaged"), std::string::npos) << e.Description();
    }
    EXPECT_TRUE(Bytes(file) == before) << "the refused statement changed the file";
    EXPECT_FALSE(fs::exists(file.string() + "-journal"));
  }
}

// A catalogue row without an Id names no definition: the check reports it
// instead of failing on it (the catalogue's index on Id then disagrees too).
TEST(CraftedFiles, CheckReportsACatalogueRowWithoutId) {
  TempDir dir;
  fs::path file = dir.Copy("testV2000.mdb");
  Exec(file.string(), "CREATE TABLE [a] (x text(10))");
  Craft(file, [](jet::Pager& pager) {
    jet::PageSpace space(pager);
    jet::CatalogueTable a = *jet::CatalogueWriter(pager, space).Find("a");
    jet::TableDef objects = jet::ReadTableDef(pager, jet::kCatalogueTdefPage);
    std::uint16_t id = ColumnNamed(objects, "Id").number;
    jet::DataPage page(*pager.Read(a.row.where.page), pager.Format());
    jet::ByteSpan row = page.Row(a.row.where.row);
    std::size_t mask = static_cast<std::size_t>(row.data() - pager.Read(a.row.where.page)->data()) + row.size() -
                       (jet::U16(row, 0) + 7) / 8;
    pager.Write(a.row.where.page)[mask + id / 8] &= static_cast<std::uint8_t>(~(1u << (id % 8)));
  });
  std::vector<std::string> findings = jet::CheckDatabase(file.string(), "");
  EXPECT_NE(std::find(findings.begin(), findings.end(), "the catalogue row of table a has no Id"), findings.end())
      << ::testing::PrintToString(findings);
}

// Where row `n` (in page order) of a table keeps the reference of its one
// memo value: the page and the reference's offset on it.
std::pair<std::uint32_t, std::size_t> MemoReferenceOf(jet::Pager& pager, const jet::TableDef& def, std::size_t n) {
  for (std::uint32_t p : DataPagesOf(pager, def.page)) {
    jet::PageRef bytes = pager.Read(p);
    jet::DataPage page(*bytes, pager.Format());
    for (std::size_t slot = 0; slot < page.SlotCount(); ++slot) {
      if (page.IsDeleted(slot) || n-- > 0) continue;
      std::vector<jet::ByteSpan> refs = jet::LongValueReferences(def, page.Row(slot));
      if (refs.size() != 1) throw std::runtime_error("not one memo reference");
      return {p, static_cast<std::size_t>(refs[0].data() - bytes->data())};
    }
  }
  throw std::runtime_error("no such row");
}

// The LVAL rows holding the memo value of row `n`.
std::vector<jet::RowPointer> MemoRowsOf(jet::Pager& pager, const jet::TableDef& def, std::size_t n) {
  auto [page, at] = MemoReferenceOf(pager, def, n);
  jet::PageRef bytes = pager.Read(page);
  std::vector<jet::RowPointer> rows;
  jet::VisitLongValueRows(pager, jet::ByteSpan(*bytes).subspan(at, 12),
                          [&](jet::RowPointer where, jet::ByteSpan) { rows.push_back(where); });
  return rows;
}

// The offset on its page where an LVAL row begins.
std::size_t RowOffset(jet::Pager& pager, jet::RowPointer where) {
  jet::PageRef bytes = pager.Read(where.page);
  return static_cast<std::size_t>(jet::DataPage(*bytes, pager.Format()).Row(where.row).data() - bytes->data());
}

// Each fault the check must find in memo values and Required fields, made in
// a table of two chained memo values (rows 0 and 1) and one on a single
// LVAL row (row 2).
TEST(CraftedFiles, CheckFindsBrokenLongValuesAndNullsInRequiredFields) {
  struct Fault {
    const char* name;
    std::function<void(jet::Pager&, const jet::TableDef&)> craft;
    std::string finding;
  };
  const std::vector<Fault> faults = {
      {"two values in one LVAL row",
       [](jet::Pager& pager, const jet::TableDef& def) {
         auto [page0, at0] = MemoReferenceOf(pager, def, 0);
         auto [page1, at1] = MemoReferenceOf(pager, def, 1);
         std::vector<std::uint8_t> reference(pager.Read(page0)->begin() + at0, pager.Read(page0)->begin() + at0 + 12);
         std::copy(reference.begin(), reference.end(), pager.Write(page1) + at1);
       },
       "that holds a value of"},
      {"a value shorter than its row",
       [](jet::Pager& pager, const jet::TableDef& def) {
         auto [page, at] = MemoReferenceOf(pager, def, 2);
         std::uint8_t* b = pager.Write(page) + at;
         jet::PutU32(b, jet::U32(jet::ByteSpan(b, 4), 0) - 10);
       },
       "leaves 10 bytes of its row unused"},
      {"a chain that does not end",
       [](jet::Pager& pager, const jet::TableDef& def) {
         std::vector<jet::RowPointer> rows = MemoRowsOf(pager, def, 0);
         jet::PutU32(pager.Write(rows.back().page) + RowOffset(pager, rows.back()), rows.front().ToU32());
       },
       "does not end its chain"},
      {"an LVAL page no map lists",
       [](jet::Pager& pager, const jet::TableDef& def) {
         const jet::RowPointer single = MemoRowsOf(pager, def, 2).at(0);
         ASSERT_TRUE(jet::UsageMap(pager, jet::ReadLongValueMaps(def).at(0).owned).Set(single.page, false));
       },
       "none of the table's long-value maps lists"},
      {"a Null in a Required field",
       [](jet::Pager& pager, const jet::TableDef& def) {
         auto [page, at] = MemoReferenceOf(pager, def, 0);
         jet::PageRef bytes = pager.Read(page);
         jet::DataPage data(*bytes, pager.Format());
         for (std::size_t slot = 0; slot < data.SlotCount(); ++slot) {
           jet::ByteSpan row = data.Row(slot);
           const std::size_t begin = static_cast<std::size_t>(row.data() - bytes->data());
           if (at < begin || at >= begin + row.size()) continue;
           // Column x is number 0: bit 0 of the null mask, the row's last byte.
           pager.Write(page)[begin + row.size() - 1] &= 0xFE;
         }
       },
       "the field 'x' is Required, but the row at"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    TempDir dir;
    fs::path file = dir.Copy("testV2000.mdb");
    Exec(file.string(), "CREATE TABLE [a] (x text(10) NOT NULL, m memo)");
    for (const auto& [x, length] : {std::pair{"one", 9000}, {"two", 9000}, {"three", 1500}})
      Exec(file.string(), std::string("INSERT INTO [a] VALUES ('") + x + "', '" + std::string(length, x[0]) + "')");
    ASSERT_EQ(jet::CheckDatabase(file.string(), ""), std::vector<std::string>{});
    Craft(file, [&](jet::Pager& pager) { f.craft(pager, jet::ReadTableDef(pager, TablePage(pager, "a"))); });
    std::string findings;
    for (const std::string& finding : jet::CheckDatabase(file.string(), "")) findings += finding + "\n";
    EXPECT_NE(findings.find(f.finding), std::string::npos) << findings;
  }
}

}  // namespace
}  // namespace jetwritetest
