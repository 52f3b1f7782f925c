// Every MySQL column type arrives as the right kind of Value, exactly.
#include <gtest/gtest.h>

#include <cfloat>
#include <ostream>

#include "dataaccess/connection.h"
#include "dataaccess/value.h"
#include "test_server.h"

namespace dataaccess {
void PrintTo(const Null&, std::ostream* os) { *os << "Null"; }
void PrintTo(const Decimal& d, std::ostream* os) {
  *os << "Decimal{" << (d.negative ? "-" : "+") << d.digits << ", scale " << d.scale << "}";
}
void PrintTo(const DateTime& d, std::ostream* os) { *os << "DateTime{" << std::setprecision(17) << d.oleDate << "}"; }
void PrintTo(const Currency& c, std::ostream* os) { *os << "Currency{" << c.tenThousandths << "}"; }
void PrintTo(const SqlDateTime& t, std::ostream* os) {
  *os << "SqlDateTime{" << static_cast<int>(t.kind) << " " << SqlDateTimeText(t) << " (" << t.microsecond << "us)}";
}
}  // namespace dataaccess

namespace {

using dataaccess::Bytes;
using dataaccess::Decimal;
using dataaccess::SqlDateTime;
using dataaccess::Value;
using Kind = SqlDateTime::Kind;

SqlDateTime Stamp(Kind kind, unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                  unsigned second, unsigned long microsecond, unsigned decimals) {
  return {kind, false, year, month, day, hour, minute, second, microsecond, decimals};
}
SqlDateTime Date(unsigned year, unsigned month, unsigned day) {
  return Stamp(Kind::kDate, year, month, day, 0, 0, 0, 0, 0);
}

struct TypeCase {
  std::string columnType;
  std::string literal;
  Value expected;
};

std::string Repeat(const std::string& piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

std::vector<TypeCase> Cases() {
  return {
      {"TINYINT", "-128", std::int64_t{-128}},
      {"TINYINT UNSIGNED", "255", std::int64_t{255}},
      {"BOOLEAN", "TRUE", std::int64_t{1}},
      {"SMALLINT", "-32768", std::int64_t{-32768}},
      {"MEDIUMINT", "8388607", std::int64_t{8388607}},
      {"INT", "-2147483648", std::int64_t{-2147483648LL}},
      {"INT UNSIGNED", "4294967295", std::int64_t{4294967295LL}},
      {"BIGINT", "-9223372036854775808", std::int64_t{INT64_MIN}},
      {"BIGINT UNSIGNED", "5", std::int64_t{5}},
      // Beyond int64: kept exact as a decimal.
      {"BIGINT UNSIGNED", "18446744073709551615", Decimal{false, "18446744073709551615", 0}},
      {"BIT(10)", "b'1000000001'", std::int64_t{513}},
      {"BIT(64)", "0xFFFFFFFFFFFFFFFF", Decimal{false, "18446744073709551615", 0}},
      {"DECIMAL(20,4)", "-12345678901234.5678", Decimal{true, "123456789012345678", 4}},
      {"DECIMAL(5,2)", "0.05", Decimal{false, "5", 2}},
      {"DECIMAL(5,2)", "0", Decimal{false, "0", 2}},
      {"DECIMAL(65,30)", "12345678901234567890123456789012345.123456789012345678901234567891",
       Decimal{false, "12345678901234567890123456789012345123456789012345678901234567891", 30}},
      // The text protocol would print these floats with six digits only.
      {"FLOAT", "16777216", 16777216.0f},
      {"FLOAT", "0.1", 0.1f},
      {"FLOAT", "3.4028234e38", FLT_MAX},
      {"DOUBLE", "0.1", 0.1},
      {"DOUBLE", "0.6666666666666666", 0.6666666666666666},
      {"DOUBLE", "-1e-300", -1e-300},
      {"DOUBLE", "100000", 100000.0},
      // Dates and times exactly as MySQL holds them, whatever an OLE date could hold.
      {"DATE", "'2024-02-29'", Date(2024, 2, 29)},
      {"DATE", "'1899-12-30'", Date(1899, 12, 30)},
      {"DATE", "'0000-00-00'", Date(0, 0, 0)},
      {"DATE", "'0099-12-31'", Date(99, 12, 31)},
      {"DATETIME", "'1899-12-30 10:00:00'", Stamp(Kind::kDateTime, 1899, 12, 30, 10, 0, 0, 0, 0)},
      {"DATETIME", "'0000-00-00 00:00:00'", Stamp(Kind::kDateTime, 0, 0, 0, 0, 0, 0, 0, 0)},
      {"DATETIME(6)", "'2020-01-01 23:59:59.999999'", Stamp(Kind::kDateTime, 2020, 1, 1, 23, 59, 59, 999999, 6)},
      {"TIMESTAMP(3)", "'2024-02-29 18:00:00.5'", Stamp(Kind::kDateTime, 2024, 2, 29, 18, 0, 0, 500000, 3)},
      {"TIME", "'18:00:00'", Stamp(Kind::kTime, 0, 0, 0, 18, 0, 0, 0, 0)},
      {"TIME(3)", "'23:59:59.999'", Stamp(Kind::kTime, 0, 0, 0, 23, 59, 59, 999000, 3)},
      {"TIME(3)", "'838:59:59.5'", Stamp(Kind::kTime, 0, 0, 0, 838, 59, 59, 500000, 3)},
      {"TIME", "'-01:30:00'", [] {
         SqlDateTime t = Stamp(Kind::kTime, 0, 0, 0, 1, 30, 0, 0, 0);
         t.negative = true;
         return t;
       }()},
      {"YEAR", "2024", std::string("2024")},
      {"YEAR", "0", std::string("0000")},
      {"CHAR(5)", "'ab'", std::string("ab")},
      {"VARCHAR(20)", "'héllo 😀'", std::string("héllo 😀")},
      {"VARCHAR(20)", "''", std::string()},
      {"TINYTEXT", "'t'", std::string("t")},
      {"MEDIUMTEXT", "REPEAT('ab😀', 30000)", Repeat("ab😀", 30000)},
      {"ENUM('a','b')", "'b'", std::string("b")},
      {"SET('x','y')", "'x,y'", std::string("x,y")},
      {"JSON", "'{\"a\": 1}'", std::string("{\"a\": 1}")},
      {"BINARY(4)", "0x00FF0102", Bytes{0x00, 0xFF, 0x01, 0x02}},
      {"VARBINARY(10)", "0x0000", Bytes{0x00, 0x00}},
      {"VARBINARY(10)", "''", Bytes{}},
      {"BLOB", "0xDEADBEEF", Bytes{0xDE, 0xAD, 0xBE, 0xEF}},
      {"LONGBLOB", "REPEAT(0x00FF, 100000)", [] {
         Bytes b;
         for (int i = 0; i < 100000; ++i) b.insert(b.end(), {0x00, 0xFF});
         return b;
       }()},
  };
}

TEST(MySqlValuesTest, EveryColumnTypeGivesItsValue) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  std::vector<TypeCase> cases = Cases();
  std::string create = "CREATE TABLE t (id int";
  std::string values = "INSERT INTO t VALUES (1";
  std::string nulls = "INSERT INTO t VALUES (2";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    create += ", c" + std::to_string(i) + " " + cases[i].columnType + " NULL";
    values += ", " + cases[i].literal;
    nulls += ", NULL";
  }
  db.Run(create + ")");
  db.Run(values + ")");
  db.Run(nulls + ")");
  auto connection = db.Connect();
  dataaccess::Recordset rows = connection->Execute("SELECT * FROM t ORDER BY id");
  ASSERT_EQ(rows.RecordCount(), 2);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].columnType + " " + cases[i].literal.substr(0, 40));
    EXPECT_EQ(rows.Field(static_cast<int>(i) + 1).Value(), cases[i].expected);
  }
  rows.MoveNext();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_TRUE(dataaccess::IsNull(rows.Field(static_cast<int>(i) + 1).Value())) << cases[i].columnType;
  }
}

TEST(MySqlValuesTest, ExpressionsWithoutATableAreTypedToo) {
  REQUIRE_TEST_SERVER(server);
  testing_mysql::ScratchDatabase db(server);
  auto connection = db.Connect();
  dataaccess::Recordset rows = connection->Execute("SELECT NULL, 1 + 1, 'x', 1.50, X'01'");
  ASSERT_EQ(rows.FieldCount(), 5);
  EXPECT_TRUE(dataaccess::IsNull(rows.Field(0).Value()));
  EXPECT_EQ(rows.Field(1).Value(), Value(std::int64_t{2}));
  EXPECT_EQ(rows.Field(2).Value(), Value(std::string("x")));
  EXPECT_EQ(rows.Field(3).Value(), Value(Decimal{false, "150", 2}));
  EXPECT_EQ(rows.Field(4).Value(), Value(Bytes{0x01}));
}

}  // namespace
