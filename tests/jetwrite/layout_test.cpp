// Statements Jet refuses: each fails with Jet's number and a description of
// the fault, and leaves the file byte for byte as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "jet/error.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

std::string Columns(int count, const std::string& type) {
  std::string s;
  for (int i = 1; i <= count; ++i) s += (i > 1 ? "," : "") + std::string("`c") + std::to_string(i) + "` " + type;
  return s;
}

std::vector<char> Bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct Refusal {
  const char* what;
  std::string sql;
  std::int32_t number;
  std::string words;  // part of the description
};

TEST(Refusals, FailWithJetsNumberAndChangeNothing) {
  const std::string kSetUp = "CREATE TABLE `t`(`a` char(3),`b` text(5),`m` memo)";
  const std::string kTypedSetUp = "CREATE TABLE n (b BYTE, l LONG, d DATETIME, y YESNO, c CURRENCY)";
  const std::vector<Refusal> cases = {
      {"syntax", "CREATE TABLE `x` (`a` char(3)", jet::kStatementFailed, "Syntax error"},
      {"unknown statement", "UPDATE t SET a = 1", jet::kStatementFailed, "Invalid SQL statement"},
      {"width 0", "CREATE TABLE `x`(`a` char(0))", jet::kStatementFailed, "from 1 to 255"},
      {"width 256", "CREATE TABLE `x`(`a` text(256))", jet::kStatementFailed, "from 1 to 255"},
      {"256 columns", "CREATE TABLE `x`(" + Columns(256, "char(1)") + ")", jet::kStatementFailed, "Too many fields"},
      {"row over the limit", "CREATE TABLE `x`(" + Columns(8, "char(254)") + ")", jet::kStatementFailed,
       "Record is too large"},
      {"column twice", "CREATE TABLE `x`(`a` char(1),`A` char(2))", jet::kStatementFailed, "more than once"},
      {"name taken", "CREATE TABLE `T`(`a` char(1))", jet::kStatementFailed, "already exists"},
      {"invalid name", "CREATE TABLE `a.b`(`a` char(1))", jet::kStatementFailed, "not a valid name"},
      {"name beyond the sort order", "CREATE TABLE [smile\xF0\x9F\x98\x80](`a` char(1))", jet::kStatementFailed,
       "cannot index"},
      {"insert into unknown table", "INSERT INTO `nope` VALUES('1')", jet::kObjectNotFound, "cannot find"},
      {"too few values", "INSERT INTO `t` VALUES('1', '2')", jet::kStatementFailed, "Number of query values"},
      {"value too long for char", "INSERT INTO `t` VALUES('abcd', '', NULL)", jet::kDataOverflow,
       "The field 'a' holds at most 3 characters; the value has 4."},
      {"value too long for text", "INSERT INTO `t` VALUES('a', '123456', NULL)", jet::kDataOverflow,
       "The field 'b' holds at most 5 characters; the value has 6."},
      {"drop unknown table", "DROP TABLE nope;", jet::kObjectNotFound, "does not exist"},
      {"drop system table", "DROP TABLE MSysObjects", jet::kStatementFailed, "system table"},
      {"insert into system table", "INSERT INTO MSysACEs VALUES('1', '2', '3', '4')", jet::kStatementFailed,
       "system table"},
      {"two AutoNumbers", "CREATE TABLE x (a COUNTER, b AUTOINCREMENT)", jet::kStatementFailed, "more than one AutoNumber"},
      {"byte overflow", "INSERT INTO n VALUES(256, 1, #2000-01-01#, True, 1)", jet::kDataOverflow, "(Byte: 0 to 255)"},
      {"long overflow", "INSERT INTO n VALUES(1, -2147483649, NULL, NULL, NULL)", jet::kDataOverflow, "Long Integer"},
      {"currency decimals", "INSERT INTO n VALUES(1, 1, NULL, NULL, 0.12345)", jet::kDataOverflow, "4 decimals"},
      {"text into a number", "INSERT INTO n VALUES('x', 1, NULL, NULL, NULL)", jet::kTypeMismatch, "Data type mismatch"},
      {"no such date", "INSERT INTO n VALUES(1, 1, #2001-02-29#, NULL, NULL)", jet::kStatementFailed, "date"},
      {"2 for Yes/No", "INSERT INTO n VALUES(1, 1, NULL, 2, NULL)", jet::kTypeMismatch, "Yes/No"},
      {"leading U+FEFF", "INSERT INTO `t` VALUES('a', '\xEF\xBB\xBF" "b', NULL)", jet::kStatementFailed, "U+FEFF"},
      {"leading U+FEFF in a memo", "INSERT INTO `t` VALUES('a', 'b', '\xEF\xBB\xBF')", jet::kStatementFailed, "U+FEFF"},
      {"NUL", std::string("INSERT INTO `t` VALUES('a', 'b\0c', NULL)", 40), jet::kStatementFailed, "U+0000"},
      {"NUL in a char column", std::string("INSERT INTO `t` VALUES('\0', 'b', NULL)", 38), jet::kStatementFailed,
       "U+0000"},
      {"invalid UTF-8", "INSERT INTO `t` VALUES('\xFF', 'b', NULL)", jet::kStatementFailed, "not valid UTF-8"},
      {"lone surrogate as UTF-8", "INSERT INTO `t` VALUES('\xED\xB0\x80', 'b', NULL)", jet::kStatementFailed,
       "not valid UTF-8"},
  };
  TempDir dir;
  auto file = dir.Copy("emptyJet4.mdb");
  jet::ExecuteStatement(file, "", kSetUp);
  jet::ExecuteStatement(file, "", kTypedSetUp);
  std::vector<char> before = Bytes(file);
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      jet::ExecuteStatement(file, "", c.sql);
      ADD_FAILURE() << "accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), c.number);
      EXPECT_NE(e.Description().find(c.words), std::string::npos) << e.Description();
    }
    EXPECT_TRUE(Bytes(file) == before);
  }
}

TEST(Refusals, RenameChecksNamesAsCreateDoes) {
  TempDir dir;
  auto file = dir.Copy("emptyJet4.mdb");
  jet::ExecuteStatement(file, "", "CREATE TABLE a (x char(1))");
  jet::ExecuteStatement(file, "", "CREATE TABLE b (x char(1))");
  std::vector<char> before = Bytes(file);
  const std::vector<std::tuple<std::string, std::string, std::int32_t>> cases = {
      {"a", "B", jet::kStatementFailed}, {"a", "bad]name", jet::kStatementFailed},
      {"zz", "c", jet::kObjectNotFound},  {"MSysACEs", "x", jet::kStatementFailed},
  };
  for (const auto& [from, to, number] : cases) {
    SCOPED_TRACE(from + " -> " + to);
    try {
      jet::RenameTable(file, "", from, to);
      ADD_FAILURE() << "accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), number) << e.Description();
    }
    EXPECT_TRUE(Bytes(file) == before);
  }
  jet::RenameTable(file, "", "a", "A");  // a new case of its own name is fine
  EXPECT_EQ(UserTables(file, ""), (std::vector<std::string>{"A", "b"}));
}

TEST(Refusals, TablesInRelationshipsAreNotDropped) {
  TempDir dir;
  auto file = dir.Copy("indexTestV2000.mdb");
  std::vector<char> before = Bytes(file);
  for (const char* table : {"Table1", "Table2", "table3"}) {
    try {
      jet::ExecuteStatement(file, "", std::string("DROP TABLE ") + table);
      ADD_FAILURE() << table << " dropped";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::kStatementFailed);
      EXPECT_NE(e.Description().find("relationships"), std::string::npos);
    }
  }
  EXPECT_TRUE(Bytes(file) == before);
}

TEST(Refusals, OpenFailuresCarryTheOpenNumber) {
  TempDir dir;
  auto file = dir.Copy("passwordV2000.mdb");
  auto readOnly = dir.Copy("emptyJet4.mdb");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {(dir.Path() / "missing.mdb").string(), ""}, {file.string(), "wrong"}, {file.string(), ""},
      {readOnly.string(), ""}};
  for (const auto& [path, password] : cases) {
    SCOPED_TRACE(path + " / " + password);
    try {
      jet::ExecuteStatement(path, password, "CREATE TABLE t (a char(1))");
      if (::geteuid() != 0 || path != readOnly.string()) ADD_FAILURE() << "opened";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), jet::kOpenFailed) << e.Description();
    }
  }
}

}  // namespace
}  // namespace jetwritetest
