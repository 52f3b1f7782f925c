// Our Jet engine behind the data-access layer: opening by connection string,
// typed values, static results, statements that change the file, and the
// engine's failures arriving with their numbers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/connection.h"
#include "dataaccess/error.h"
#include "dataaccess/jet_session.h"
#include "dataaccess/recordset.h"
#include "jet/database.h"
#include "jet/file.h"
#include "jet/write/database_writer.h"

namespace {

namespace fs = std::filesystem;
using dataaccess::Connection;
using dataaccess::DbError;
using dataaccess::Recordset;
using dataaccess::Value;

fs::path FixtureDir() {
  const char* env = std::getenv("TABLORIA_FIXTURES");
  return env && *env ? fs::path(env) : fs::path("/work/shared/fixtures/mdb");
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "jet-session.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }
  fs::path Copy(const std::string& fixture) const {
    fs::path to = path_ / fixture;
    fs::copy_file(FixtureDir() / fixture, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
    return to;
  }

 private:
  fs::path path_;
};

std::string JetString(const fs::path& file, const std::string& password = "") {
  return "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.string() + ";JET OLEDB:Database Password=" + password;
}

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  ::pclose(pipe);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// mdbtools' view of a table: its column names (mdb-export's header) and its
// row count (mdb-json writes one row per line).
std::vector<std::string> MdbColumns(const fs::path& file, const std::string& table) {
  std::vector<std::string> lines = Lines(Capture("mdb-export " + Quoted(file) + " '" + table + "' 2>/dev/null | head -1"));
  std::vector<std::string> names;
  if (lines.empty()) return names;
  std::string header = lines[0], name;
  for (char c : header) {
    if (c == ',') {
      names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  names.push_back(name);
  return names;
}

std::size_t MdbRowCount(const fs::path& file, const std::string& table) {
  return Lines(Capture("mdb-json " + Quoted(file) + " '" + table + "' 2>/dev/null")).size();
}

// Reads a whole result: its field names and every row.
struct Read {
  std::int64_t count = 0;
  std::vector<std::string> names;
  std::vector<std::vector<Value>> rows;
};

Read ReadAll(Connection& connection, const std::string& sql) {
  Recordset rs;
  rs.Open(sql, connection, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
  Read read;
  read.count = rs.RecordCount();  // before the first row is visited
  for (int i = 0; i < rs.FieldCount(); ++i) read.names.push_back(rs.Field(i).Name());
  while (!rs.Eof()) {
    std::vector<Value> row;
    for (int i = 0; i < rs.FieldCount(); ++i) row.push_back(rs.Field(i).Value());
    read.rows.push_back(std::move(row));
    rs.MoveNext();
  }
  return read;
}

TEST(JetValues, EachJetTypeBecomesItsDataAccessValue) {
  jet::Guid guid;
  for (int i = 0; i < 16; ++i) guid.bytes[i] = static_cast<std::uint8_t>(i * 17);
  struct Case {
    const char* type;
    jet::Value in;
    Value out;
  };
  const std::vector<Case> cases = {
      {"Null", jet::Null{}, dataaccess::Null{}},
      {"Boolean", true, true},
      {"Byte", std::uint8_t{255}, std::int64_t{255}},
      {"Integer", std::int16_t{-32768}, std::int64_t{-32768}},
      {"Long", std::int32_t{-2147483647 - 1}, std::int64_t{-2147483647 - 1}},
      {"Currency", jet::Currency{-922337203685477580}, dataaccess::Currency{-922337203685477580}},
      {"Single", 0.1f, 0.1f},
      {"Double", 444.555, 444.555},
      {"Date before 1899-12-30", jet::DateTime{-1.25}, dataaccess::DateTime{-1.25}},
      {"Binary", jet::Binary{{0x00, 0xFF, 0x10}}, dataaccess::Bytes{0x00, 0xFF, 0x10}},
      {"Text", jet::Text{"Θεσσαλονίκη 😀"}, std::string("Θεσσαλονίκη 😀")},
      {"Empty text stays empty", jet::Text{""}, std::string()},
      {"OLE", jet::Ole{{1, 2}}, dataaccess::Bytes{1, 2}},
      {"Memo", jet::Memo{std::string(70000, 'm')}, std::string(70000, 'm')},
      {"Replication ID", guid, std::string("{33221100-5544-7766-8899-AABBCCDDEEFF}")},
      {"Decimal", jet::Decimal{true, 3, 18, 123456}, dataaccess::Decimal{true, "123456", 3}},
      {"Decimal below one", jet::Decimal{false, 4, 18, 5}, dataaccess::Decimal{false, "5", 4}},
      {"Decimal of 28 digits",
       jet::Decimal{false, 0, 28, static_cast<unsigned __int128>(9999999999999999999ull) * 1000000000ull + 999999999},
       dataaccess::Decimal{false, "9999999999999999999999999999", 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(dataaccess::FromJetValue(c.in), c.out) << c.type;
}

TEST(JetConnection, ReadsTypedValuesOfAccessMadeTables) {
  Connection connection;
  connection.Open(JetString(FixtureDir() / "testV2000.mdb"));
  Read table1 = ReadAll(connection, "SELECT * FROM [Table1]");
  ASSERT_EQ(table1.count, 2);
  EXPECT_EQ(table1.names, (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
  std::vector<Value> first = {std::string("abcdefg"), std::string("hijklmnop"), std::int64_t{2}, std::int64_t{222},
                              std::int64_t{333333333}, 444.555, dataaccess::DateTime{27293},
                              dataaccess::Currency{35000}, true};
  EXPECT_EQ(table1.rows[0], first);
  EXPECT_EQ(table1.rows[1][8], Value(false));

  connection.Close();
  connection.Open(JetString(FixtureDir() / "numericV2000.mdb"));
  Read numeric = ReadAll(connection, "select * from test;");
  ASSERT_EQ(numeric.count, 1);
  EXPECT_EQ(numeric.rows[0][0], Value(std::string("some data")));
  EXPECT_EQ(numeric.rows[0][1], Value(dataaccess::Decimal{false, "1", 0}));
  EXPECT_EQ(numeric.rows[0][5], Value(dataaccess::Decimal{true, "1", 0}));

  connection.Close();
  connection.Open(JetString(FixtureDir() / "test2V2000.mdb"));
  Read projects = ReadAll(connection, "SELECT * FROM [MSP_PROJECTS]");
  ASSERT_GE(projects.count, 1);
  for (std::size_t i = 0; i < projects.names.size(); ++i) {
    if (projects.names[i] == "RESERVED_BINARY_DATA") {
      EXPECT_TRUE(std::holds_alternative<dataaccess::Bytes>(projects.rows[0][i]) ||
                  dataaccess::IsNull(projects.rows[0][i]));
    }
  }
}

// Every user table of every fixture: the count is exact before the first
// row, the fields come in column order, and the walk ends exactly after the
// last row; mdbtools reads the same columns and number of rows.
TEST(JetConnection, EveryFixtureTableMatchesMdbtoolsInShapeAndCount) {
  for (const auto& entry : fs::directory_iterator(FixtureDir())) {
    if (entry.path().extension() != ".mdb") continue;
    std::string password = entry.path().filename() == "passwordV2000.mdb" ? "password" : "";
    SCOPED_TRACE(entry.path().filename().string());
    Connection connection;
    connection.Open(JetString(entry.path(), password));
    jet::Database db = jet::Database::Open(entry.path().string(), password);
    for (const jet::CatalogueEntry& table : db.Tables()) {
      if (!jet::IsUserTable(table.attributes) || table.IsLinked()) continue;
      SCOPED_TRACE(table.name);
      Read read = ReadAll(connection, "SELECT * FROM [" + table.name + "]");
      EXPECT_EQ(static_cast<std::size_t>(read.count), read.rows.size());
      EXPECT_EQ(read.rows.size(), MdbRowCount(entry.path(), table.name));
      EXPECT_EQ(read.names, MdbColumns(entry.path(), table.name));
    }
  }
}

TEST(JetConnection, NamesAreMatchedWithoutRegardToCase) {
  Connection connection;
  connection.Open(JetString(FixtureDir() / "testV2000.mdb"));
  EXPECT_EQ(ReadAll(connection, "SELECT * FROM [tABLE1]").count, 2);
}

TEST(JetConnection, StatementsChangeTheFileAndLaterReadsSeeIt) {
  TempDir dir;
  fs::path file = dir.Copy("testV2000.mdb");
  Connection connection;
  connection.SetCursorLocation(dataaccess::kUseServer);
  connection.SetMode(dataaccess::kModeReadWrite);
  connection.Open(JetString(file));
  Recordset rs;
  rs.Open("CREATE TABLE `Town list` (`name` char(12), `note` memo)", connection);
  EXPECT_FALSE(rs.IsOpen()) << "a statement without rows leaves the result closed";
  rs.Open("INSERT INTO `Town list` VALUES('O''Brien', NULL)", connection);
  rs.Open("INSERT INTO `Town list` VALUES('', 'x')", connection);
  Read read = ReadAll(connection, "SELECT * FROM [Town list]");
  ASSERT_EQ(read.count, 2);
  EXPECT_EQ(read.rows[0], (std::vector<Value>{std::string("O'Brien     "), dataaccess::Null{}}));
  EXPECT_EQ(read.rows[1], (std::vector<Value>{std::string("            "), std::string("x")}));
  EXPECT_EQ(MdbRowCount(file, "Town list"), 2u);

  connection.Execute("DROP TABLE [Town list];");
  EXPECT_EQ(Capture("mdb-tables -1 " + Quoted(file)), "Table1\nTable2\nTable3\nTable4\n");
}

// The program keeps a connection open between commands: it must neither
// block other writers nor keep showing what the file held when it opened.
TEST(JetConnection, AnOpenConnectionHoldsNoLockAndNoStalePages) {
  TempDir dir;
  fs::path file = dir.Copy("testV2000.mdb");
  Connection reader;
  reader.Open(JetString(file));
  ASSERT_EQ(ReadAll(reader, "SELECT * FROM Table3").count, MdbRowCount(file, "Table3"));
  jet::ExecuteStatement(file.string(), "", "CREATE TABLE fresh (a text(5))");
  jet::ExecuteStatement(file.string(), "", "INSERT INTO fresh VALUES('one')");
  EXPECT_EQ(ReadAll(reader, "SELECT * FROM fresh").count, 1);
  reader.Execute("DROP TABLE fresh");
  EXPECT_THROW(ReadAll(reader, "SELECT * FROM fresh"), DbError);
}

// A row source is read a page at a time. Left open and half-read (the send
// to MySQL keeps it so between commands), it must hold no lock, so that
// writers here and in other processes go ahead, and still hand out exactly
// the rows it counted when its table only grew. A table replaced under it
// gives an error or its old rows, never rows read with another's layout.
TEST(JetConnection, AHalfReadRowSourceBlocksNoWriterAndKeepsItsCount) {
  constexpr int kRows = 300;  // some 16 data pages of 19 rows
  auto cell = [](int row) { return "row " + std::to_string(row) + " " + std::string(190, 'x'); };
  struct Case {
    const char* what;
    std::vector<std::string> statements;  // run while the source is half-read
    bool mayFail;                         // the read table itself was dropped and made anew
  };
  const std::vector<Case> cases = {
      {"writes to another table", {"CREATE TABLE other (a text(5))", "INSERT INTO other VALUES('one')"}, false},
      {"rows added to the table being read", {"INSERT INTO big VALUES('late', 'late')"}, false},
      {"the table dropped and made anew with other columns",
       {"DROP TABLE big", "CREATE TABLE big (n memo)", "INSERT INTO big VALUES('new')"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    fs::path file = dir.Copy("emptyJet4.mdb");
    {
      jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file.string(), "");
      writer.Execute("CREATE TABLE big (a text(255), b text(10))");
      for (int r = 0; r < kRows; ++r) writer.Execute("INSERT INTO big VALUES('" + cell(r) + "', NULL)");
    }
    Connection connection;
    connection.Open(JetString(file));
    Recordset rs;
    rs.Open("SELECT * FROM [big]", connection, dataaccess::kOpenStatic, dataaccess::kLockOptimistic);
    ASSERT_EQ(rs.RecordCount(), kRows);
    int read = 0;
    for (; read < kRows / 2; ++read, rs.MoveNext()) ASSERT_EQ(rs.Field(0).Value(), Value(cell(read)));

    {
      jet::File other(file.string());
      EXPECT_NO_THROW(other.Lock(jet::LockMode::Exclusive, std::chrono::milliseconds(0)))
          << "the half-read source holds a lock";
      other.Unlock();
    }
    for (const std::string& statement : c.statements) jet::ExecuteStatement(file.string(), "", statement);

    try {
      for (; !rs.Eof(); ++read, rs.MoveNext()) {
        ASSERT_EQ(rs.Field(0).Value(), Value(cell(read)));
        ASSERT_TRUE(dataaccess::IsNull(rs.Field(1).Value()));
      }
      EXPECT_EQ(read, kRows);
    } catch (const DbError& error) {
      EXPECT_TRUE(c.mayFail) << error.Description();
      EXPECT_EQ(error.Number(), dataaccess::kCommandError);
    }
  }
}

TEST(JetConnection, FailuresCarryTheEnginesNumberAndDescription) {
  TempDir dir;
  fs::path notADatabase = dir.Path() / "notes.mdb";
  std::ofstream(notADatabase) << "This is a text file, not a database.\n";
  fs::path truncated = dir.Path() / "truncated.mdb";
  fs::copy_file(FixtureDir() / "testV2000.mdb", truncated);
  fs::resize_file(truncated, 3000);
  fs::path cutAfterThreePages = dir.Path() / "three-pages.mdb";
  fs::copy_file(FixtureDir() / "testV2000.mdb", cutAfterThreePages);
  fs::resize_file(cutAfterThreePages, 3 * 4096);
  fs::path copy = dir.Copy("testV2000.mdb");
  fs::path password = FixtureDir() / "passwordV2000.mdb";

  struct Case {
    const char* what;
    std::string connectionString;
    std::string statement;  // empty: the open itself fails
    std::int32_t number;
  };
  const std::vector<Case> cases = {
      {"missing file", JetString(dir.Path() / "none.mdb"), "", dataaccess::kConnectFailed},
      {"directory", JetString(dir.Path()), "", dataaccess::kConnectFailed},
      {"empty path", JetString(""), "", dataaccess::kConnectFailed},
      {"not a database", JetString(notADatabase), "", dataaccess::kConnectFailed},
      {"truncated copy", JetString(truncated), "", dataaccess::kConnectFailed},
      {"copy cut after the catalogue's definition", JetString(cutAfterThreePages), "", dataaccess::kConnectFailed},
      {"wrong password", JetString(password, "Password"), "", dataaccess::kConnectFailed},
      {"no password for a protected file", JetString(password), "", dataaccess::kConnectFailed},
      {"password with the blanks kept", JetString(password, " password"), "", dataaccess::kConnectFailed},
      {"unknown table", JetString(copy), "SELECT * FROM [Nowhere]", -2147217865},
      {"drop of an unknown table", JetString(copy), "DROP TABLE Nowhere;", -2147217865},
      {"syntax", JetString(copy), "SELEKT * FROM Table1", dataaccess::kCommandError},
      {"name already taken", JetString(copy), "CREATE TABLE table1 (a text(5))", dataaccess::kCommandError},
      {"value too long", JetString(copy), "INSERT INTO Table3 VALUES(1, '" + std::string(51, 'x') + "')",
       dataaccess::kValueOverflow},
      {"value of the wrong kind", JetString(copy), "INSERT INTO Table3 VALUES('one', 'x')", dataaccess::kTypeMismatch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Connection connection;
    try {
      connection.Open(c.connectionString);
      if (c.statement.empty()) {
        ADD_FAILURE() << "opened";
        continue;
      }
      connection.Execute(c.statement);
      ADD_FAILURE() << "ran";
    } catch (const DbError& error) {
      EXPECT_EQ(error.Number(), c.number);
      EXPECT_FALSE(error.Description().empty());
    }
  }
  EXPECT_EQ(MdbRowCount(copy, "Table3"), MdbRowCount(FixtureDir() / "testV2000.mdb", "Table3"));
}

TEST(JetConnection, APasswordForAFileWithoutOneIsIgnoredAndTheRightOneOpens) {
  Connection connection;
  EXPECT_NO_THROW(connection.Open(JetString(FixtureDir() / "testV2000.mdb", "anything")));
  Connection protectedFile;
  protectedFile.Open(JetString(FixtureDir() / "passwordV2000.mdb", "password"));
  EXPECT_EQ(ReadAll(protectedFile, "SELECT * FROM Table1").rows.size(),
            MdbRowCount(FixtureDir() / "passwordV2000.mdb", "Table1"));
}

TEST(JetConnection, QuotedValuesOfTheConnectionStringReachTheEngine) {
  TempDir dir;
  fs::create_directory(dir.Path() / "a;b");
  fs::path file = dir.Path() / "a;b" / "\"odd\" name.mdb";
  fs::copy_file(FixtureDir() / "passwordV2000.mdb", file);
  Connection connection;
  connection.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + (dir.Path() / "a;b").string() +
                  "/\"\"odd\"\" name.mdb\";Jet OLEDB:Database Password='password'");
  EXPECT_EQ(ReadAll(connection, "SELECT * FROM Table1").rows.size(), MdbRowCount(file, "Table1"));
}

// The engine is chosen by the string's own key, whatever a quoted value
// holds and in whichever order the keys come.
TEST(JetConnection, TheProviderKeyChoosesTheEngineInAnyOrder) {
  TempDir dir;
  fs::path folder = dir.Path() / "x;DRIVER={MySQL ODBC 3.51 Driver}";
  fs::create_directory(folder);
  fs::copy_file(FixtureDir() / "testV2000.mdb", folder / "t.mdb");
  const std::vector<std::string> strings = {
      "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + (folder / "t.mdb").string() + "\";JET OLEDB:Database Password=",
      "Data Source=\"" + (folder / "t.mdb").string() + "\";Provider=microsoft.jet.oledb.4.0",
  };
  for (const std::string& text : strings) {
    SCOPED_TRACE(text);
    Connection connection;
    connection.Open(text);
    EXPECT_EQ(ReadAll(connection, "SELECT * FROM Table1").count, 2);
  }
}

}  // namespace
