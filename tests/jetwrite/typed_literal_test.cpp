// Literals typed against their column: what each type takes, exactly, and
// what it refuses instead of changing the value to fit.
#include <gtest/gtest.h>

#include "jet/error.h"
#include "jet/sql/statement.h"
#include "jet/write/typed_literal.h"

namespace jetwritetest {
namespace {

using Kind = jet::sql::Literal::Kind;

jet::Column ColumnOf(jet::ColumnType type, std::uint8_t precision = 0, std::uint8_t scale = 0) {
  jet::Column c;
  c.name = "f";
  c.type = static_cast<std::uint8_t>(type);
  c.precision = precision;
  c.scale = scale;
  return c;
}

jet::sql::Literal Lit(Kind kind, std::string text = {}, bool truth = false) { return {kind, std::move(text), truth}; }

struct Taken {
  const char* what;
  jet::Column column;
  jet::sql::Literal literal;
  jet::Value value;
};

TEST(TypedLiteral, ValuesThatFitAreTakenExactly) {
  using T = jet::ColumnType;
  const unsigned __int128 big = static_cast<unsigned __int128>(99999999999999ULL) * 100000000000000ULL + 99999999999999ULL;
  const Taken cases[] = {
      {"byte low", ColumnOf(T::Byte), Lit(Kind::Number, "0"), std::uint8_t{0}},
      {"byte high", ColumnOf(T::Byte), Lit(Kind::Number, "255"), std::uint8_t{255}},
      {"byte from text", ColumnOf(T::Byte), Lit(Kind::Text, "17"), std::uint8_t{17}},
      {"integer low", ColumnOf(T::Integer), Lit(Kind::Number, "-32768"), std::int16_t{-32768}},
      {"integer written with zeros", ColumnOf(T::Integer), Lit(Kind::Number, "+0012.000"), std::int16_t{12}},
      {"long high", ColumnOf(T::Long), Lit(Kind::Number, "2147483647"), std::int32_t{2147483647}},
      {"long low", ColumnOf(T::Long), Lit(Kind::Number, "-2147483648"), std::int32_t{INT32_MIN}},
      {"long by exponent", ColumnOf(T::Long), Lit(Kind::Number, "12E3"), std::int32_t{12000}},
      {"double", ColumnOf(T::Double), Lit(Kind::Number, "-1.5e-7"), -1.5e-7},
      {"single", ColumnOf(T::Single), Lit(Kind::Number, ".25"), 0.25f},
      {"currency", ColumnOf(T::Currency), Lit(Kind::Number, "-12.3456"), jet::Currency{-123456}},
      {"currency largest", ColumnOf(T::Currency), Lit(Kind::Number, "922337203685477.5807"),
       jet::Currency{INT64_MAX}},
      {"currency smallest", ColumnOf(T::Currency), Lit(Kind::Number, "-922337203685477.5808"),
       jet::Currency{INT64_MIN}},
      {"decimal to its scale", ColumnOf(T::Decimal, 10, 2), Lit(Kind::Number, "-3.5"), jet::Decimal{true, 2, 10, 350}},
      {"decimal of 28 digits", ColumnOf(T::Decimal, 28, 0), Lit(Kind::Number, "9999999999999999999999999999"),
       jet::Decimal{false, 0, 28, big}},
      {"decimal negative zero", ColumnOf(T::Decimal, 5, 1), Lit(Kind::Number, "-0.0"), jet::Decimal{false, 1, 5, 0}},
      {"date", ColumnOf(T::DateTime), Lit(Kind::Date, "2000-01-01"), jet::DateTime{36526}},
      {"date and time", ColumnOf(T::DateTime), Lit(Kind::Date, "2000-01-01 18:00:00"), jet::DateTime{36526.75}},
      {"date as text", ColumnOf(T::DateTime), Lit(Kind::Text, "1899-12-30 06:00"), jet::DateTime{0.25}},
      {"date before 1899: fraction forward", ColumnOf(T::DateTime), Lit(Kind::Date, "1899-12-29 06:00:00"),
       jet::DateTime{-1.25}},
      {"US date with PM", ColumnOf(T::DateTime), Lit(Kind::Date, "2/29/2024 1:30 PM"),
       jet::DateTime{45351 + 13.5 / 24}},
      {"time alone", ColumnOf(T::DateTime), Lit(Kind::Date, "12:00"), jet::DateTime{0.5}},
      {"milliseconds kept", ColumnOf(T::DateTime), Lit(Kind::Text, "2000-01-01 23:59:59.999"),
       jet::DateTime{36526 + (86399.999 / 86400.0)}},
      {"a finer fraction of zeros", ColumnOf(T::DateTime), Lit(Kind::Date, "12:00:00.500000"),
       jet::DateTime{(43200.5 / 86400.0)}},
      {"yes", ColumnOf(T::Boolean), Lit(Kind::Boolean, "", true), true},
      {"-1", ColumnOf(T::Boolean), Lit(Kind::Number, "-1"), true},
      {"0", ColumnOf(T::Boolean), Lit(Kind::Number, "0"), false},
      {"'No'", ColumnOf(T::Boolean), Lit(Kind::Text, "No"), false},
      {"guid", ColumnOf(T::Guid), Lit(Kind::Guid, "00112233-4455-6677-8899-AABBCCDDEEFF"),
       jet::Guid{{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}}},
      {"guid as text", ColumnOf(T::Guid), Lit(Kind::Text, "{00112233-4455-6677-8899-aabbccddeeff}"),
       jet::Guid{{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}}},
      {"binary", ColumnOf(T::Binary), Lit(Kind::Binary, "00fF10"), jet::Binary{{0x00, 0xFF, 0x10}}},
      {"empty binary", ColumnOf(T::Binary), Lit(Kind::Binary, ""), jet::Binary{}},
      {"ole", ColumnOf(T::Ole), Lit(Kind::Binary, "CAFE"), jet::Ole{{0xCA, 0xFE}}},
      {"text", ColumnOf(T::Text), Lit(Kind::Text, "it's"), jet::Text{"it's"}},
      {"number into text as written", ColumnOf(T::Text), Lit(Kind::Number, "007.50"), jet::Text{"007.50"}},
      {"memo", ColumnOf(T::Memo), Lit(Kind::Text, "m"), jet::Memo{"m"}},
      {"null", ColumnOf(T::Long), Lit(Kind::Null), jet::Null{}},
  };
  for (const Taken& c : cases) {
    try {
      EXPECT_EQ(jet::TypedValue(c.column, c.literal), c.value) << c.what;
    } catch (const jet::Error& e) {
      ADD_FAILURE() << c.what << ": " << e.Description();
    }
  }
}

struct Refused {
  const char* what;
  jet::Column column;
  jet::sql::Literal literal;
  std::int32_t number;
  int jetNumber;
  const char* words;
};

TEST(TypedLiteral, ValuesThatDoNotFitAreRefused) {
  using T = jet::ColumnType;
  const std::int32_t kOverflow = jet::kDataOverflow, kMismatch = jet::kTypeMismatch, kSyntax = jet::kStatementFailed;
  const Refused cases[] = {
      {"byte 256", ColumnOf(T::Byte), Lit(Kind::Number, "256"), kOverflow, 3349, "(Byte: 0 to 255)"},
      {"byte -1", ColumnOf(T::Byte), Lit(Kind::Number, "-1"), kOverflow, 3349, "The value -1 does not fit the field 'f'"},
      {"integer 32768", ColumnOf(T::Integer), Lit(Kind::Number, "32768"), kOverflow, 3349, "-32768 to 32767"},
      {"long 2^31", ColumnOf(T::Long), Lit(Kind::Number, "2147483648"), kOverflow, 3349, "2147483647"},
      {"long of 40 digits", ColumnOf(T::Long), Lit(Kind::Number, std::string(40, '9')), kOverflow, 3349, "38 digits"},
      {"long with a fraction", ColumnOf(T::Long), Lit(Kind::Number, "1.5"), kOverflow, 3349, "whole numbers"},
      {"single too large", ColumnOf(T::Single), Lit(Kind::Number, "1e39"), kOverflow, 3349, "3.4E38"},
      {"double too large", ColumnOf(T::Double), Lit(Kind::Number, "1e309"), kOverflow, 3349, "1.8E308"},
      {"currency 5 decimals", ColumnOf(T::Currency), Lit(Kind::Number, "0.00001"), kOverflow, 3349, "at most 4 decimals"},
      {"currency too large", ColumnOf(T::Currency), Lit(Kind::Number, "922337203685477.5808"), kOverflow, 3349, "Currency"},
      {"decimal scale", ColumnOf(T::Decimal, 10, 2), Lit(Kind::Number, "1.234"), kOverflow, 3349, "precision 10, scale 2"},
      {"decimal precision", ColumnOf(T::Decimal, 4, 2), Lit(Kind::Number, "123.4"), kOverflow, 3349, "precision 4"},
      {"text into long", ColumnOf(T::Long), Lit(Kind::Text, "twelve"), kMismatch, 3464, "(Long Integer) cannot take the value 'twelve'"},
      {"date into long", ColumnOf(T::Long), Lit(Kind::Date, "2000-01-01"), kMismatch, 3464, "#2000-01-01#"},
      {"boolean into long", ColumnOf(T::Long), Lit(Kind::Boolean, "", true), kMismatch, 3464, "True"},
      {"number into date", ColumnOf(T::DateTime), Lit(Kind::Number, "36526"), kMismatch, 3464, "Date/Time"},
      {"2 into yes/no", ColumnOf(T::Boolean), Lit(Kind::Number, "2"), kMismatch, 3464, "Yes/No"},
      {"text into binary", ColumnOf(T::Binary), Lit(Kind::Text, "ab"), kMismatch, 3464, "Binary"},
      {"binary into text", ColumnOf(T::Text), Lit(Kind::Binary, "ab"), kMismatch, 3464, "0xab"},
      {"boolean into memo", ColumnOf(T::Memo), Lit(Kind::Boolean, "", false), kMismatch, 3464, "Memo"},
      {"guid into text", ColumnOf(T::Text), Lit(Kind::Guid, "00112233-4455-6677-8899-AABBCCDDEEFF"), kMismatch, 3464, "{00112233"},
      {"text no date", ColumnOf(T::DateTime), Lit(Kind::Text, "soon"), kMismatch, 3464, "'soon'"},
      {"february 30", ColumnOf(T::DateTime), Lit(Kind::Date, "2023-02-30"), kSyntax, 3075,
       "Syntax error in date in query expression '#2023-02-30#'."},
      {"29 february of a common year", ColumnOf(T::DateTime), Lit(Kind::Date, "2100-02-29"), kSyntax, 3075, "date"},
      {"hour 24", ColumnOf(T::DateTime), Lit(Kind::Date, "2000-01-01 24:00:00"), kSyntax, 3075, "date"},
      {"year 99", ColumnOf(T::DateTime), Lit(Kind::Date, "0099-12-31"), kSyntax, 3075, "date"},
      {"microseconds Jet cannot hold", ColumnOf(T::DateTime), Lit(Kind::Date, "2020-01-01 23:59:59.999999"),
       kSyntax, 3075, "date"},
      {"a point without digits", ColumnOf(T::DateTime), Lit(Kind::Date, "12:00:00."), kSyntax, 3075, "date"},
      {"guid cut short", ColumnOf(T::Guid), Lit(Kind::Guid, "00112233-4455-6677-8899-AABBCCDDEE"), kSyntax, 3075,
       "Malformed GUID."},
      {"odd hex digits", ColumnOf(T::Binary), Lit(Kind::Binary, "abc"), kSyntax, 0, "odd number of hex digits"},
  };
  for (const Refused& c : cases) {
    try {
      jet::TypedValue(c.column, c.literal);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.Number(), c.number) << c.what;
      EXPECT_EQ(e.JetNumber(), c.jetNumber) << c.what;
      EXPECT_NE(e.Description().find(c.words), std::string::npos) << c.what << ": " << e.Description();
    }
  }
}

}  // namespace
}  // namespace jetwritetest
