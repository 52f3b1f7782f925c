#include "jet/sql/names.h"
#include "jet/sql/statement.h"

#include <gtest/gtest.h>

#include <iterator>

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
  EXPECT_TRUE(insert.columns.empty());
  ASSERT_EQ(insert.values.size(), 4u);
  EXPECT_EQ(insert.values[0].kind, Literal::Kind::Text);
  EXPECT_EQ(insert.values[0].text, "1");
  EXPECT_EQ(insert.values[1].kind, Literal::Kind::Null);
  EXPECT_EQ(insert.values[2].text, "O'Brien");
  EXPECT_EQ(insert.values[3].kind, Literal::Kind::Text);
  EXPECT_EQ(insert.values[3].text, "");

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

TEST(Parse, EveryJetTypeAndItsSynonyms) {
  const struct {
    const char* type;
    ColumnKind kind;
    int length, precision, scale;
  } cases[] = {
      {"BIT", ColumnKind::Boolean, 0, 0, 0},          {"boolean", ColumnKind::Boolean, 0, 0, 0},
      {"LOGICAL", ColumnKind::Boolean, 0, 0, 0},      {"LOGICAL1", ColumnKind::Boolean, 0, 0, 0},
      {"YESNO", ColumnKind::Boolean, 0, 0, 0},        {"BYTE", ColumnKind::Byte, 0, 0, 0},
      {"TINYINT", ColumnKind::Byte, 0, 0, 0},         {"INTEGER1", ColumnKind::Byte, 0, 0, 0},
      {"SHORT", ColumnKind::Integer, 0, 0, 0},        {"SMALLINT", ColumnKind::Integer, 0, 0, 0},
      {"INTEGER2", ColumnKind::Integer, 0, 0, 0},     {"LONG", ColumnKind::Long, 0, 0, 0},
      {"INT", ColumnKind::Long, 0, 0, 0},             {"INTEGER", ColumnKind::Long, 0, 0, 0},
      {"INTEGER4", ColumnKind::Long, 0, 0, 0},        {"COUNTER", ColumnKind::Counter, 0, 0, 0},
      {"AUTOINCREMENT", ColumnKind::Counter, 0, 0, 0}, {"COUNTER(1, 1)", ColumnKind::Counter, 0, 0, 0},
      {"CURRENCY", ColumnKind::Currency, 0, 0, 0},    {"MONEY", ColumnKind::Currency, 0, 0, 0},
      {"SINGLE", ColumnKind::Single, 0, 0, 0},        {"REAL", ColumnKind::Single, 0, 0, 0},
      {"FLOAT4", ColumnKind::Single, 0, 0, 0},        {"IEEESINGLE", ColumnKind::Single, 0, 0, 0},
      {"DOUBLE", ColumnKind::Double, 0, 0, 0},        {"FLOAT", ColumnKind::Double, 0, 0, 0},
      {"FLOAT8", ColumnKind::Double, 0, 0, 0},        {"IEEEDOUBLE", ColumnKind::Double, 0, 0, 0},
      {"NUMBER", ColumnKind::Double, 0, 0, 0},        {"DATETIME", ColumnKind::DateTime, 0, 0, 0},
      {"DATE", ColumnKind::DateTime, 0, 0, 0},        {"TIME", ColumnKind::DateTime, 0, 0, 0},
      {"TIMESTAMP", ColumnKind::DateTime, 0, 0, 0},   {"GUID", ColumnKind::Guid, 0, 0, 0},
      {"UNIQUEIDENTIFIER", ColumnKind::Guid, 0, 0, 0}, {"DECIMAL", ColumnKind::Decimal, 0, 18, 0},
      {"DECIMAL(10)", ColumnKind::Decimal, 0, 10, 0}, {"NUMERIC(28, 28)", ColumnKind::Decimal, 0, 28, 28},
      {"DEC(5,2)", ColumnKind::Decimal, 0, 5, 2},     {"TEXT(20)", ColumnKind::Text, 20, 0, 0},
      {"VARCHAR", ColumnKind::Text, 255, 0, 0},       {"VARCHAR(9)", ColumnKind::Text, 9, 0, 0},
      {"NVARCHAR(3)", ColumnKind::Text, 3, 0, 0},     {"ALPHANUMERIC(4)", ColumnKind::Text, 4, 0, 0},
      {"STRING(5)", ColumnKind::Text, 5, 0, 0},       {"CHARACTER VARYING(6)", ColumnKind::Text, 6, 0, 0},
      {"CHAR VARYING(7)", ColumnKind::Text, 7, 0, 0}, {"NATIONAL CHARACTER VARYING(8)", ColumnKind::Text, 8, 0, 0},
      {"NATIONAL CHAR VARYING(9)", ColumnKind::Text, 9, 0, 0}, {"CHAR(1)", ColumnKind::FixedText, 1, 0, 0},
      {"CHAR", ColumnKind::FixedText, 255, 0, 0},     {"CHARACTER(2)", ColumnKind::FixedText, 2, 0, 0},
      {"NCHAR(3)", ColumnKind::FixedText, 3, 0, 0},   {"NATIONAL CHARACTER(4)", ColumnKind::FixedText, 4, 0, 0},
      {"NATIONAL CHAR(5)", ColumnKind::FixedText, 5, 0, 0}, {"TEXT", ColumnKind::Memo, 0, 0, 0},
      {"MEMO", ColumnKind::Memo, 0, 0, 0},            {"LONGTEXT", ColumnKind::Memo, 0, 0, 0},
      {"LONGCHAR", ColumnKind::Memo, 0, 0, 0},        {"NOTE", ColumnKind::Memo, 0, 0, 0},
      {"NTEXT", ColumnKind::Memo, 0, 0, 0},           {"BINARY", ColumnKind::Binary, 255, 0, 0},
      {"BINARY(16)", ColumnKind::Binary, 16, 0, 0},   {"VARBINARY(8)", ColumnKind::Binary, 8, 0, 0},
      {"BINARY VARYING(2)", ColumnKind::Binary, 2, 0, 0}, {"BIT VARYING(3)", ColumnKind::Binary, 3, 0, 0},
      {"LONGBINARY", ColumnKind::LongBinary, 0, 0, 0}, {"IMAGE", ColumnKind::LongBinary, 0, 0, 0},
      {"GENERAL", ColumnKind::LongBinary, 0, 0, 0},   {"OLEOBJECT", ColumnKind::LongBinary, 0, 0, 0},
  };
  for (const auto& c : cases) {
    auto create = std::get<CreateTable>(Parse(std::string("CREATE TABLE t ([x y] ") + c.type + ")"));
    ASSERT_EQ(create.columns.size(), 1u) << c.type;
    const DeclaredColumn& column = create.columns[0];
    EXPECT_EQ(column.name, "x y") << c.type;
    EXPECT_EQ(column.kind, c.kind) << c.type;
    EXPECT_EQ(column.length, c.length) << c.type;
    EXPECT_EQ(column.precision, c.precision) << c.type;
    EXPECT_EQ(column.scale, c.scale) << c.type;
    EXPECT_FALSE(column.notNull) << c.type;
    EXPECT_TRUE(create.indexes.empty()) << c.type;
  }
}

TEST(Parse, ColumnAndTableConstraints) {
  auto create = std::get<CreateTable>(Parse(
      "CREATE TABLE t (id COUNTER PRIMARY KEY, code TEXT(10) WITH COMPRESSION NOT NULL UNIQUE, "
      "n LONG CONSTRAINT nn NOT NULL, m LONG NULL, d DATETIME CONSTRAINT du UNIQUE, "
      "CONSTRAINT pair UNIQUE (n, [m]), UNIQUE (d))"));
  ASSERT_EQ(create.columns.size(), 5u);
  EXPECT_EQ(create.columns[0].kind, ColumnKind::Counter);
  EXPECT_TRUE(create.columns[1].compressed);
  EXPECT_TRUE(create.columns[1].notNull);
  EXPECT_TRUE(create.columns[2].notNull);
  EXPECT_FALSE(create.columns[3].notNull);
  const struct {
    const char* name;
    std::vector<std::string> columns;
    bool unique, primaryKey, disallowNull;
  } expected[] = {
      {"", {"id"}, true, true, true},     {"", {"code"}, true, false, false}, {"du", {"d"}, true, false, false},
      {"pair", {"n", "m"}, true, false, false}, {"", {"d"}, true, false, false},
  };
  ASSERT_EQ(create.indexes.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const DeclaredIndex& index = create.indexes[i];
    EXPECT_EQ(index.name, expected[i].name) << i;
    ASSERT_EQ(index.columns.size(), expected[i].columns.size()) << i;
    for (std::size_t k = 0; k < index.columns.size(); ++k) EXPECT_EQ(index.columns[k].name, expected[i].columns[k]) << i;
    EXPECT_EQ(index.unique, expected[i].unique) << i;
    EXPECT_EQ(index.primaryKey, expected[i].primaryKey) << i;
    EXPECT_EQ(index.disallowNull, expected[i].disallowNull) << i;
  }
  auto compound = std::get<CreateTable>(Parse("CREATE TABLE t (a LONG, b TEXT(5), CONSTRAINT pk PRIMARY KEY (a, b))"));
  ASSERT_EQ(compound.indexes.size(), 1u);
  EXPECT_TRUE(compound.indexes[0].primaryKey);
  EXPECT_EQ(compound.indexes[0].name, "pk");
  EXPECT_EQ(compound.indexes[0].columns.size(), 2u);
}

TEST(Parse, IndexStatements) {
  const struct {
    const char* sql;
    const char* table;
    const char* name;
    std::vector<std::pair<std::string, bool>> columns;
    bool unique, primaryKey, disallowNull, ignoreNull;
  } cases[] = {
      {"CREATE INDEX byName ON [People] ([Last Name], first)", "People", "byName",
       {{"Last Name", true}, {"first", true}}, false, false, false, false},
      {"create unique index u on t (a ASC, b DESC);", "t", "u", {{"a", true}, {"b", false}}, true, false, false, false},
      {"CREATE INDEX pk ON t (a) WITH PRIMARY", "t", "pk", {{"a", true}}, true, true, true, false},
      {"CREATE INDEX n ON t (a DESC) WITH DISALLOW NULL", "t", "n", {{"a", false}}, false, false, true, false},
      {"CREATE UNIQUE INDEX n ON t (a) WITH IGNORE NULL", "t", "n", {{"a", true}}, true, false, false, true},
  };
  for (const auto& c : cases) {
    auto create = std::get<CreateIndex>(Parse(c.sql));
    EXPECT_EQ(create.table, c.table) << c.sql;
    EXPECT_EQ(create.index.name, c.name) << c.sql;
    ASSERT_EQ(create.index.columns.size(), c.columns.size()) << c.sql;
    for (std::size_t i = 0; i < c.columns.size(); ++i) {
      EXPECT_EQ(create.index.columns[i].name, c.columns[i].first) << c.sql;
      EXPECT_EQ(create.index.columns[i].ascending, c.columns[i].second) << c.sql;
    }
    EXPECT_EQ(create.index.unique, c.unique) << c.sql;
    EXPECT_EQ(create.index.primaryKey, c.primaryKey) << c.sql;
    EXPECT_EQ(create.index.disallowNull, c.disallowNull) << c.sql;
    EXPECT_EQ(create.index.ignoreNull, c.ignoreNull) << c.sql;
  }
  auto drop = std::get<DropIndex>(Parse("DROP INDEX [by name] ON People;"));
  EXPECT_EQ(drop.index, "by name");
  EXPECT_EQ(drop.table, "People");
}

TEST(Parse, InsertWithColumnsAndTypedLiterals) {
  auto insert = std::get<InsertValues>(Parse(
      "INSERT INTO t ([a b], c, d, e, f, g, h, i, j, k, l, m, n) VALUES ('it''s', -12, 3.25e-2, .5, "
      "#2024-02-29 13:05:09#, True, no, {6F9619FF-8B86-D011-B42D-00C04FC964FF}, 0x00ff, NULL, +7, 'caf\xC3\xA9', On)"));
  EXPECT_EQ(insert.columns, (std::vector<std::string>{"a b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n"}));
  using K = Literal::Kind;
  const struct {
    K kind;
    const char* text;
    bool truth;
  } expected[] = {{K::Text, "it's", false},    {K::Number, "-12", false},
                  {K::Number, "3.25e-2", false}, {K::Number, ".5", false},
                  {K::Date, "2024-02-29 13:05:09", false}, {K::Boolean, "", true},
                  {K::Boolean, "", false},      {K::Guid, "6F9619FF-8B86-D011-B42D-00C04FC964FF", false},
                  {K::Binary, "00ff", false},   {K::Null, "", false},
                  {K::Number, "+7", false},     {K::Text, "caf\xC3\xA9", false},
                  {K::Boolean, "", true}};
  ASSERT_EQ(insert.values.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(insert.values[i].kind, expected[i].kind) << i;
    EXPECT_EQ(insert.values[i].text, expected[i].text) << i;
    EXPECT_EQ(insert.values[i].truth, expected[i].truth) << i;
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
      {"CREATE TABLE t(a widget)", "Syntax error in field definition."},
      {"CREATE TABLE t(a long(4))", "Syntax error in field definition."},
      {"CREATE TABLE t(a text(5, 2))", "Syntax error in field definition."},
      {"CREATE TABLE t(a char(0))", "Size of field 'a' must be from 1 to 255 characters."},
      {"CREATE TABLE t(a text(256))", "Size of field 'a' must be from 1 to 255 characters."},
      {"CREATE TABLE t(a binary(256))", "Size of field 'a' must be from 1 to 255 bytes."},
      {"CREATE TABLE t(a decimal(29))", "The precision of field 'a' must be from 1 to 28 and its scale from 0 to its precision."},
      {"CREATE TABLE t(a decimal(5, 6))", "The precision of field 'a' must be from 1 to 28 and its scale from 0 to its precision."},
      {"CREATE TABLE t(a counter(100, 5))", "The AutoNumber field 'a' can only count from 1 in steps of 1 here; leave out the seed and increment."},
      {"CREATE TABLE t(a long WITH COMPRESSION)", "Only text and memo fields can be compressed; 'a' is neither."},
      {"CREATE TABLE t(a long REFERENCES u (b))", "Relationships (FOREIGN KEY and REFERENCES) cannot be created here; create the table without them."},
      {"CREATE TABLE t(a long, FOREIGN KEY (a) REFERENCES u (b))", "Relationships (FOREIGN KEY and REFERENCES) cannot be created here; create the table without them."},
      {"CREATE TABLE t(a long DEFAULT 0)", "Default values cannot be set here; give 'a' its value in each INSERT."},
      {"CREATE TABLE t(a long CONSTRAINT c)", "Syntax error in CONSTRAINT clause."},
      {"CREATE TABLE t(CONSTRAINT c CHECK (a > 0))", "Syntax error in CONSTRAINT clause."},
      {"CREATE TABLE t(a long, PRIMARY KEY ())", "Syntax error in CREATE TABLE statement."},
      {"CREATE TABLE t(UNIQUE (a))", "Syntax error in CREATE TABLE statement."},
      {"CREATE INDEX i ON t", "Syntax error in CREATE INDEX statement."},
      {"CREATE INDEX i ON t (a) WITH NOTHING", "Syntax error in CREATE INDEX statement."},
      {"CREATE UNIQUE TABLE t (a long)", "Syntax error in CREATE TABLE statement."},
      {"DROP INDEX i", "Syntax error in DROP TABLE or DROP INDEX."},
      {"INSERT INTO t VALUES(12abc)", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t VALUES(1e)", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t VALUES(#2024-01-01)", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t VALUES(-)", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t (a VALUES(1)", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t () VALUES(1)", "Syntax error in INSERT INTO statement."},
      {"INSERT INTO t VALUES('\xC3')", "The statement is not valid UTF-8: byte 0xC3 at offset 22 does not begin a valid character."},
      {"INSERT INTO t VALUES('\xED\xA0\x80')", "The statement is not valid UTF-8: byte 0xED at offset 22 does not begin a valid character."},
      {"INSERT INTO t VALUES('\xC0\xAF')", "The statement is not valid UTF-8: byte 0xC0 at offset 22 does not begin a valid character."},
      {"INSERT INTO t VALUES('\xF4\x90\x80\x80')", "The statement is not valid UTF-8: byte 0xF4 at offset 22 does not begin a valid character."},
      {"DROP TABLE \xFF", "The statement is not valid UTF-8: byte 0xFF at offset 11 does not begin a valid character."},
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
