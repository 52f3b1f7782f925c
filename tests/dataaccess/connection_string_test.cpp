// Reading connection strings as a driver manager does.
#include <gtest/gtest.h>

#include "dataaccess/connection_string.h"

namespace {

using dataaccess::ConnectionAttributes;

struct ParseCase {
  const char* name;
  const char* text;
  std::vector<std::pair<std::string, std::string>> expected;
};

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesEachAttributeVerbatim) {
  EXPECT_EQ(ConnectionAttributes::Parse(GetParam().text).All(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTest,
    testing::Values(
        ParseCase{"Plain", "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db;", {{"DRIVER", "MySQL ODBC 3.51 Driver"}, {"SERVER", "db"}}},
        ParseCase{"NoFinalSemicolon", "A=1;B=2", {{"A", "1"}, {"B", "2"}}},
        ParseCase{"EmptyValue", "PASSWORD=;USER=x;", {{"PASSWORD", ""}, {"USER", "x"}}},
        ParseCase{"BlanksKeptInValue", "PASSWORD= a b ;", {{"PASSWORD", " a b "}}},
        ParseCase{"BlanksAroundKeyDropped", " USER =x;", {{"USER", "x"}}},
        ParseCase{"BracedSemicolon", "PASSWORD={T3st;pw};DB=d;", {{"PASSWORD", "T3st;pw"}, {"DB", "d"}}},
        ParseCase{"DoubledClosingBrace", "PASSWORD={a}}b};", {{"PASSWORD", "a}b"}}},
        ParseCase{"BracesInsideBraces", "PASSWORD={{x}}};", {{"PASSWORD", "{x}"}}},
        ParseCase{"EmptyBraces", "PASSWORD={};", {{"PASSWORD", ""}}},
        ParseCase{"BracesInsidePlainValue", "PASSWORD=a}b{c;", {{"PASSWORD", "a}b{c"}}},
        ParseCase{"EqualsInValue", "PASSWORD=a=b;", {{"PASSWORD", "a=b"}}},
        ParseCase{"UnclosedBrace", "PASSWORD={open;USER=x", {{"PASSWORD", "open;USER=x"}}},
        ParseCase{"PiecesWithoutEquals", ";;junk;A=1;", {{"A", "1"}}},
        ParseCase{"EmptyString", "", {}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(ConnectionAttributesTest, FindIgnoresCaseAndTakesTheFirstOfItsAliases) {
  auto attributes = ConnectionAttributes::Parse("uid=first;Server=s;USER=second;pwd=p;");
  EXPECT_EQ(attributes.Find({"SERVER"}), "s");
  EXPECT_EQ(attributes.Find({"USER", "UID"}), "first");
  EXPECT_EQ(attributes.Find({"PASSWORD", "PWD"}), "p");
  EXPECT_EQ(attributes.Find({"DATABASE", "DB"}), std::nullopt);
}

TEST(ConnectionAttributesTest, BothKeyOrdersGiveTheSameValues) {
  auto shared = ConnectionAttributes::Parse(
      "DRIVER={MySQL ODBC 3.51 Driver};SERVER=h;DATABASE=d;USER=u;PASSWORD={p;w};");
  auto probe = ConnectionAttributes::Parse(
      "DRIVER={MySQL ODBC 3.51 Driver};SERVER=h;USER=u;DATABASE=d;PASSWORD={p;w};");
  for (auto key : {"DRIVER", "SERVER", "DATABASE", "USER", "PASSWORD"}) {
    EXPECT_EQ(shared.Find({key}), probe.Find({key})) << key;
  }
  EXPECT_EQ(probe.Find({"PASSWORD"}), "p;w");
}

// OLE DB strings (the Access file's) enclose values in quotes, not braces.
class ParseOleDbTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseOleDbTest, GivesEachAttributeAsOleDbReadsIt) {
  EXPECT_EQ(ConnectionAttributes::ParseOleDb(GetParam().text).All(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseOleDbTest,
    testing::Values(
        ParseCase{"Jet", "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data\\a.mdb;JET OLEDB:Database Password=",
                  {{"PROVIDER", "Microsoft.Jet.OLEDB.4.0"}, {"Data Source", "C:\\data\\a.mdb"},
                   {"JET OLEDB:Database Password", ""}}},
        ParseCase{"BlanksKeptInValue", "Password= pw ;", {{"Password", " pw "}}},
        ParseCase{"DoubleQuotedSemicolon", "Data Source=\"a;b.mdb\";X=1", {{"Data Source", "a;b.mdb"}, {"X", "1"}}},
        ParseCase{"DoubledQuote", "P=\"say \"\"hi\"\"\";", {{"P", "say \"hi\""}}},
        ParseCase{"SingleQuoted", "P='it''s;';", {{"P", "it's;"}}},
        ParseCase{"QuoteInsidePlainValue", "P=a\"b'c;", {{"P", "a\"b'c"}}},
        ParseCase{"BracesArePlain", "P={x;y}=z;", {{"P", "{x"}, {"y}", "z"}}},
        ParseCase{"UnclosedQuote", "P=\"open;Q=1", {{"P", "open;Q=1"}}},
        ParseCase{"EmptyQuotes", "P=\"\";Q=2;", {{"P", ""}, {"Q", "2"}}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(ConnectionAttributesTest, FirstKeyTellsTheSyntaxApart) {
  EXPECT_EQ(ConnectionAttributes::FirstKey("DRIVER={x};SERVER=s"), "DRIVER");
  EXPECT_EQ(ConnectionAttributes::FirstKey(" Provider =Microsoft.Jet.OLEDB.4.0;"), "Provider");
  EXPECT_EQ(ConnectionAttributes::FirstKey("no attributes"), "");
}

}  // namespace
