#include "jet/sql/names.h"
#include "jet/sql/statement.h"

#include <gtest/gtest.h>

namespace jet::sql {
namespace {

TEST(Parse, ReadsTheStatementsTheProgramSends) {
  auto select = std::get<Select>(Parse("SELECT * FROM [Order Details]"));
  EXPECT_EQ(select.table, "Order Details");
  EXPECT_TRUE(select.columns.empty());
  auto some = std::get<Select>(Parse("SELECT [Ship Name], ID,`memo-data` FROM Orders;"));
  EXPECT_EQ(some.table, "Orders");
  EXPECT_EQ(some.columns, (std::vector<std::string>{"Ship Name", "ID", "memo-data"}));

  auto create = std::get<CreateTable>(Parse("CREATE TABLE `Orders`(`ID` char(3),`Ship Name` char(12));"));
  EXPECT_EQ(create.table, "Orders");
  ASSERT_EQ(create.columns.size(), 2u);
  EXPECT_EQ(create.columns[1].name, "Ship Name");
  EXPECT_EQ(create.columns[1].kind, ColumnKind::FixedText);
  EXPECT_EQ(create.columns[1].length, 12);

  auto insert = std::get<InsertValues>(Parse("INSERT INTO `Orders` VALUES('1', NULL, 'O''Brien', '');"));
  EXPECT_EQ(insert.table, "Orders");
  ASSERT_EQ(insert.values.size(), 4u);
  EXPECT_EQ(insert.values[0], "1");
  EXPECT_FALSE(insert.values[1].has_value());
  EXPECT_EQ(insert.values[2], "O'Brien");
  EXPECT_EQ(insert.values[3], "");

  EXPECT_EQ(std::get<DropTable>(Parse("DROP TABLE Orders;")).table, "Orders");
  EXPECT_EQ(std::get<DropTable>(Parse("DROP TABLE Orders")).table, "Orders");
  EXPECT_EQ(std::get<DropTable>(Parse("drop table [My Orders] ;  ")).table, "My Orders");
}

TEST(Parse, TakesNamesBareBracketedOrInBackticks) {
  const struct {
    const char* sql;
    const char* name;
  } cases[] = {
      {"DROP TABLE Orders", "Orders"},
      {"DROP TABLE [Orders 2]", "Orders 2"},
      {"DROP TABLE `Orders 2`", "Orders 2"},
      {"DROP TABLE [it's]", "it's"},
      {"DROP TABLE \xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
      {"DROP TABLE [Order]", "Order"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::get<DropTable>(Parse(c.sql)).table, c.name) << c.sql;
}

TEST(Parse, ColumnKinds) {
  auto create = std::get<CreateTable>(
      Parse("CREATE TABLE t (a char(1), b text(255), c memo, d varchar(9), e longtext)"));
  const struct {
    ColumnKind kind;
    int length;
  } expected[] = {{ColumnKind::FixedText, 1}, {ColumnKind::Text, 255}, {ColumnKind::Memo, 0},
                  {ColumnKind::Text, 9}, {ColumnKind::Memo, 0}};
  ASSERT_EQ(create.columns.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(create.columns[i].kind, expected[i].kind) << i;
    EXPECT_EQ(create.columns[i].length, expected[i].length) << i;
  }
}

TEST(Parse, RefusesWhatJetRefuses) {
  const struct {
    const char* sql;
    const char* message;
  } cases[] = {
      {"DROP TABLE Order Details;", "Syntax error in DROP TABLE or DROP INDEX."},
      {"DROP TABLE Order;", "Syntax error in DROP TABLE or DROP INDEX."},
      {"DROP TABLE", "Syntax error in DROP TABLE or DROP INDEX."},
      {"DROP TABLE []", "Syntax error in DROP TABLE or DROP INDEX."},
      {"DROP TABLE [a]b", "Syntax error in DROP TABLE or DROP INDEX."},
      {"CREATE TABLE t()", "Syntax error in CREATE TABLE statement."},
      {"CREATE TABLE t(a char(3)", "Syntax error in CREATE TABLE statement."},
      {"CREATE TABLE t(a integer)", "Syntax error in field definition."},
      {"CREATE TABLE t(a char(0))", "Size of field 'a' must be from 1 to 255 characters."},
      {"CREATE TABLE t(a text(256))", "Size of field 'a' must be from 1 to 255 characters."},
      {"INSERT INTO t VALUES('a)", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t VALUES('a' 'b')", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t VALUES()", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t VALUES('a'); DROP TABLE t", "Syntax error in INSERT INTO statement."},
      {"SELECT a, FROM t", "Syntax error in FROM clause."},
      {"SELECT FROM t", "Syntax error in FROM clause."},
      {"SELECT * FROM [a]]", "Syntax error in FROM clause."},
      {"SELECT * FROM", "Syntax error in FROM clause."},
      {"SELECT *;", "Syntax error in query. Incomplete query clause."},
      {"SELECT * FRO t", "Syntax error in FROM clause."},
      {"UPDATE t SET a = 1", "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', "
                             "'SELECT', or 'UPDATE'."},
      {"", "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."},
  };
  for (const auto& c : cases) {
    try {
      Parse(c.sql);
      ADD_FAILURE() << "accepted: " << c.sql;
    } catch (const SyntaxError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.sql;
    }
  }
}

TEST(InvalidNameReason, FollowsJetsNamingRules) {
  const struct {
    std::string name;
    bool valid;
  } cases[] = {
      {"Orders", true},   {"Order Details", true}, {"it's", true},  {"\xF0\x9F\x98\x80", true},
      {"", false},        {" leading", false},     {"a.b", false},  {"a!b", false},
      {"a`b", false},     {"a[b", false},          {"a]b", false},  {"tab\there", false},
      {std::string(64, 'x'), true},                {std::string(65, 'x'), false},
      {"\xC3\xA9" "123456789012345678901234567890123456789012345678901234567890123", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(!InvalidNameReason(c.name).has_value(), c.valid) << c.name;
  }
  EXPECT_EQ(*InvalidNameReason("a.b"),
            "'a.b' is not a valid name. Make sure that it does not include invalid characters or "
            "punctuation and that it is not too long.");
}

}  // namespace
}  // namespace jet::sql
