// Reading connection strings as a driver manager does.
#include <gtest/gtest.h>

#include "dataaccess/connection_string.h"

namespace {

using dataaccess::ConnectionAttributes;

struct ParseCase {
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
        ParseCase{"DRIVER={MySQL ODBC 3.51 Driver};SERVER=db;", {{"DRIVER", "MySQL ODBC 3.51 Driver"}, {"SERVER", "db"}}},
        ParseCase{"A=1;B=2", {{"A", "1"}, {"B", "2"}}},                       // no final ";"
        ParseCase{"PASSWORD=;USER=x;", {{"PASSWORD", ""}, {"USER", "x"}}},   // empty value
        ParseCase{"PASSWORD= a b ;", {{"PASSWORD", " a b "}}},               // blanks are part of the value
        ParseCase{" USER =x;", {{"USER", "x"}}},                             // blanks around a key are not
        ParseCase{"PASSWORD={T3st;pw};DB=d;", {{"PASSWORD", "T3st;pw"}, {"DB", "d"}}},
        ParseCase{"PASSWORD={a}}b};", {{"PASSWORD", "a}b"}}},                 // "}}" is one brace
        ParseCase{"PASSWORD={{x}}};", {{"PASSWORD", "{x}"}}},
        ParseCase{"PASSWORD={};", {{"PASSWORD", ""}}},
        ParseCase{"PASSWORD=a}b{c;", {{"PASSWORD", "a}b{c"}}},                // braces inside a plain value
        ParseCase{"PASSWORD=a=b;", {{"PASSWORD", "a=b"}}},
        ParseCase{"PASSWORD={open;USER=x", {{"PASSWORD", "open;USER=x"}}},   // never closed: the rest
        ParseCase{";;junk;A=1;", {{"A", "1"}}},                              // pieces without "="
        ParseCase{"", {}}));

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

}  // namespace
