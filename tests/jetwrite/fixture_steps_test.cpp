// On a copy of every Jet 4 fixture, of Access 2007-2019 files, and on a
// database of our own making: tables of
// several shapes are created, filled,
// renamed and dropped; after each step our reader sees exactly the expected
// tables and rows, the consistency check finds nothing, mdb-tables lists the
// same tables and mdbtools and mdb-reader read every value as we do.
#include <gtest/gtest.h>

#include "jet/error.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "jet/write/new_database.h"
#include "support.h"

namespace jetwritetest {
namespace {

std::string Quote(const Cell& c) {
  if (!c) return "NULL";
  std::string out = "'";
  for (char ch : *c) out += ch == '\'' ? std::string("''") : std::string(1, ch);
  return out + "'";
}

std::string InsertSql(const std::string& table, const std::vector<Cell>& row) {
  std::string sql = "INSERT INTO `" + table + "` VALUES(";
  for (std::size_t i = 0; i < row.size(); ++i) sql += (i ? ", " : "") + Quote(row[i]);
  return sql + ");";
}

std::string Repeat(const std::string& s, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

// The parameters that stand for files made by jet::CreateDatabase, one per
// format it writes (the extension decides which).
const std::string kNewJet4 = "new.mdb";
const std::string kNewAce = "new.accdb";

bool IsNewDatabase(const std::string& param) { return param == kNewJet4 || param == kNewAce; }

class FixtureSteps : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (IsNewDatabase(GetParam())) {
      file_ = dir_.Path() / GetParam();
      jet::CreateDatabase(file_);
    } else {
      file_ = dir_.Copy(GetParam());
      password_ = PasswordOf(GetParam());
    }
    untouched_ = UserTables(file_, password_);
  }

  void Create(const std::string& name, const std::vector<std::pair<std::string, std::string>>& columns) {
    std::string sql = "CREATE TABLE `" + name + "`(";
    ModelTable t;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      sql += (i ? "," : "") + std::string("`") + columns[i].first + "` " + columns[i].second;
      t.columns.push_back(columns[i].first);
      int width = 0;
      if (columns[i].second.rfind("char(", 0) == 0) width = std::stoi(columns[i].second.substr(5));
      t.fixedWidths.push_back(width);
    }
    jet::ExecuteStatement(file_, password_, sql + ");");
    model_.tables[name] = t;
  }

  void Insert(jet::DatabaseWriter& writer, const std::string& table, const std::vector<Cell>& row) {
    writer.Execute(InsertSql(table, row));
    model_.tables[table].rows.push_back(row);
  }

  void Verify(const std::string& step, bool oracles) {
    SCOPED_TRACE(step);
    for (const std::string& d : CompareWithModel(file_, password_, model_, untouched_)) ADD_FAILURE() << d;
    for (const std::string& f : jet::CheckDatabase(file_, password_)) ADD_FAILURE() << "check: " << f;
    std::vector<std::string> names = untouched_;
    for (const auto& [name, t] : model_.tables) names.push_back(name);
    EXPECT_TRUE(MdbToolsLists(file_, names));
    if (oracles) {
      EXPECT_EQ(OracleDifferences(dir_.Path()), "");
    }
  }

  TempDir dir_;
  std::filesystem::path file_;
  std::string password_;
  std::vector<std::string> untouched_;
  Model model_;
};

TEST_P(FixtureSteps, CreateInsertRenameDrop) {
  Create("one", {{"c", "char(1)"}});
  std::vector<std::pair<std::string, std::string>> wide;
  for (int i = 1; i <= 255; ++i) wide.push_back({"column number " + std::to_string(i), "char(1)"});
  Create("wide", wide);
  Create("w255", {{"fixed", "char(255)"}, {"var", "text(255)"}, {"notes", "memo"}});
  std::vector<std::pair<std::string, std::string>> limit;
  for (int i = 1; i <= 16; ++i) limit.push_back({"t" + std::to_string(i), "text(255)"});
  Create("limit", limit);
  Verify("created", false);

  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file_, password_);
  for (const Cell& c : std::vector<Cell>{"x", "", std::nullopt, "'", "\xC3\xA9"}) Insert(writer, "one", {c});
  std::vector<Cell> letters, nulls(255);
  for (int i = 0; i < 255; ++i) letters.push_back(std::string(1, static_cast<char>('a' + i % 26)));
  Insert(writer, "wide", letters);
  Insert(writer, "wide", nulls);
  const std::string accents = Repeat("\xC3\xA9", 255);                   // 255 x é
  const std::string emoji = Repeat("\xF0\x9F\x98\x80", 127) + "!";       // 255 UTF-16 units
  const std::string memo64k = Repeat("Jet memo \xE2\x9C\x93 O'Brien. ", 2731);  // about 64 KiB stored
  Insert(writer, "w255", {accents, emoji, memo64k});
  Insert(writer, "w255", {"", "", ""});
  Insert(writer, "w255", {std::nullopt, std::nullopt, std::nullopt});
  Insert(writer, "w255", {"it's", "''quoted''", Repeat("x", 3000)});
  Insert(writer, "w255", {"short", "ascii", "inline memo"});
  // A row of 4060 bytes is taken; one more character is refused.
  std::vector<Cell> under(16, "");
  for (int i = 0; i < 7; ++i) under[static_cast<std::size_t>(i)] = Repeat("u", 255);
  under[7] = Repeat("v", 225);
  Insert(writer, "limit", under);
  std::vector<Cell> over = under;
  *over[8] = "w";
  EXPECT_THROW(writer.Execute(InsertSql("limit", over)), jet::Error);
  writer.Sync();
  Verify("first rows", true);

  // Thousands of rows: pages fill, and the table outgrows one inline map.
  for (int i = 0; i < 2600; ++i)
    Insert(writer, "w255", {"row " + std::to_string(i), Repeat("\xC3\xBC", 200 + i % 55), std::to_string(i)});
  writer.Sync();
  Verify("many rows", true);

  jet::RenameTable(file_, password_, "w255", "Renamed \xC3\xA4 table");
  model_.tables["Renamed \xC3\xA4 table"] = model_.tables["w255"];
  model_.tables.erase("w255");
  Verify("renamed", true);

  for (const char* name : {"wide", "one"}) {
    jet::ExecuteStatement(file_, password_, std::string("DROP TABLE [") + name + "];");
    model_.tables.erase(name);
  }
  Verify("dropped two", false);
  for (std::string name : {std::string("Renamed \xC3\xA4 table"), std::string("limit")}) {
    jet::ExecuteStatement(file_, password_, "DROP TABLE [" + name + "]");
    model_.tables.erase(name);
  }
  Verify("dropped all", true);
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = IsNewDatabase(info.param) ? info.param : info.param.substr(0, info.param.find('.'));
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFixture, FixtureSteps, ::testing::ValuesIn(FixtureNames()), TestName);
INSTANTIATE_TEST_SUITE_P(OurOwn, FixtureSteps, ::testing::Values(kNewJet4, kNewAce), TestName);
// Access 2007 to 2019: an empty file of each version (the catalogue's keys in
// the sort order that version writes), and files with tables and indexes.
INSTANTIATE_TEST_SUITE_P(AccessSince2007, FixtureSteps,
                         ::testing::Values("accdb/empty2007.accdb", "accdb/empty2010.accdb", "accdb/empty2016.accdb",
                                           "accdb/empty2019.accdb", "accdb/testV2007.accdb",
                                           "accdb/indexTestV2007.accdb"),
                         TestName);

// Hundreds of tables: the catalogue's index pages split, and drops empty
// some of them again.
TEST(CatalogueGrowth, HundredsOfTablesSplitAndShrinkTheIndexes) {
  TempDir dir;
  auto file = dir.Copy("noPasswordV2000.mdb");
  std::vector<std::string> untouched = UserTables(file, "");
  Model model;
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
  for (int i = 0; i < 400; ++i) {
    std::string name = "Table with a long name, number " + std::to_string(i);
    writer.Execute("CREATE TABLE [" + name + "] (a char(2))");
    model.tables[name] = ModelTable{{"a"}, {2}, {2}, {}};
  }
  for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << f;
  for (int i = 0; i < 400; i += 3) {
    std::string name = "Table with a long name, number " + std::to_string(i);
    writer.Execute("DROP TABLE [" + name + "]");
    model.tables.erase(name);
  }
  for (int i = 1; i < 400; i += 9) {
    std::string from = "Table with a long name, number " + std::to_string(i);
    std::string to = "R" + std::to_string(i);
    writer.RenameTable(from, to);
    model.tables[to] = model.tables[from];
    model.tables.erase(from);
  }
  writer.Sync();
  for (const std::string& d : CompareWithModel(file, "", model, untouched)) ADD_FAILURE() << d;
  for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << f;
  std::vector<std::string> names = untouched;
  for (const auto& [name, t] : model.tables) names.push_back(name);
  EXPECT_TRUE(MdbToolsLists(file, names));
  EXPECT_EQ(OracleDifferences(dir.Path()), "");
}

}  // namespace
}  // namespace jetwritetest
