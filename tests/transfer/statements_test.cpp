#include "transfer/statements.h"

#include <gtest/gtest.h>

using namespace transfer;

namespace {

struct Case {
  const char* what;
  std::string built;
  const char* expected;
};

TEST(Statements, AreBuiltCharacterForCharacter) {
  const std::vector<TargetColumn> orders = {{"ID", 3, TextKind::kChar}, {"Ship Name", 12, TextKind::kChar}};
  const std::vector<TargetColumn> wide = {{"a", 5, TextKind::kChar}, {"b", 300, TextKind::kLong}};
  const Case cases[] = {
      {"row source", AccessSelectStatement("Order Details"), "SELECT * FROM [Order Details]"},
      {"row source keeps a bracket", AccessSelectStatement("a]b"), "SELECT * FROM [a]b]"},
      {"row source of some fields", AccessSelectStatement("T", {"id", "memo-data"}), "SELECT [id], [memo-data] FROM [T]"},
      {"mysql create", MySqlCreateTable("Orders", orders), "CREATE TABLE `Orders`(`ID` char(3),`Ship Name` char(12));"},
      {"mysql create, one column", MySqlCreateTable("T", {{"A", 5, TextKind::kChar}}), "CREATE TABLE `T`(`A` char(5));"},
      {"mysql create with longtext", MySqlCreateTable("t", wide), "CREATE TABLE `t`(`a` char(5),`b` longtext);"},
      {"mysql names with backticks", MySqlCreateTable("a`b", {{"c`", 1, TextKind::kChar}}),
       "CREATE TABLE `a``b`(`c``` char(1));"},
      {"mysql insert", MySqlInsert("Orders", {"1", "", "O'Brien"}), "INSERT INTO `Orders` VALUES('1', NULL, 'O''Brien');"},
      {"mysql insert, all empty", MySqlInsert("T", {"", "", ""}), "INSERT INTO `T` VALUES(NULL, NULL, NULL);"},
      {"mysql insert, one value", MySqlInsert("T", {"hello"}), "INSERT INTO `T` VALUES('hello');"},
      {"mysql insert, one null", MySqlInsert("T", {""}), "INSERT INTO `T` VALUES(NULL);"},
      {"apostrophe alone, backslash kept, blank and 0 are values", MySqlInsert("T", {"'", "C:\\new\\", " ", "0"}),
       "INSERT INTO `T` VALUES('''', 'C:\\new\\', ' ', '0');"},
      {"describe quotes the name", MySqlDescribe("order lines"), "describe `order lines`"},
      {"one select of every column", MySqlSelectColumns("towns", {"id", "name", "a`b"}),
       "SELECT `id`,`name`,`a``b` FROM `towns`"},
      {"access drop", AccessDropTable("order lines"), "DROP TABLE [order lines]"},
      {"access create", AccessCreateTable("towns", {{"id", 3, TextKind::kChar}, {"name", 10, TextKind::kChar}}),
       "CREATE TABLE `towns`(`id` char(3),`name` char(10));"},
      {"access create with memo", AccessCreateTable("t", wide), "CREATE TABLE `t`(`a` char(5),`b` memo);"},
      {"access insert", AccessInsert("towns", {"7", "O'Brien"}), "INSERT INTO `towns` VALUES('7', 'O''Brien');"},
      {"access insert: empty quoted, NULL bare, Null911 a value", AccessInsert("t", {"", std::nullopt, "Null911"}),
       "INSERT INTO `t` VALUES('', NULL, 'Null911');"},
      {"access insert: apostrophes first, last and side by side", AccessInsert("t", {"'a''b'", "x'"}),
       "INSERT INTO `t` VALUES('''a''''b''', 'x''');"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.built, c.expected) << c.what;
}

}  // namespace
