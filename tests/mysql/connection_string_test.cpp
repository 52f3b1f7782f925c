// The MySQL connection string in both key orders, character for character,
// and that the driver side reads every value back unchanged.
#include <gtest/gtest.h>

#include "dataaccess/connection_string.h"
#include "mysql/mysql_connection.h"

namespace {

using mysql::BuildMySqlConnectionString;
using mysql::KeyOrder;

struct StringCase {
  const char* name;
  QString server, user, password, database;
  QString shared;  // DRIVER, SERVER, DATABASE, USER, PASSWORD
  QString probe;   // DRIVER, SERVER, USER, DATABASE, PASSWORD
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }

class BuildTest : public testing::TestWithParam<StringCase> {};

TEST_P(BuildTest, GivesBothOrdersExactly) {
  const StringCase& c = GetParam();
  EXPECT_EQ(BuildMySqlConnectionString(c.server, c.user, c.password, c.database, KeyOrder::kShared), c.shared);
  EXPECT_EQ(BuildMySqlConnectionString(c.server, c.user, c.password, c.database, KeyOrder::kProbe), c.probe);
}

TEST_P(BuildTest, DriverSideReadsEveryValueBack) {
  const StringCase& c = GetParam();
  for (KeyOrder order : {KeyOrder::kShared, KeyOrder::kProbe}) {
    auto attributes = dataaccess::ConnectionAttributes::Parse(
        BuildMySqlConnectionString(c.server, c.user, c.password, c.database, order).toStdString());
    EXPECT_EQ(attributes.Find({"DRIVER"}), "MySQL ODBC 3.51 Driver");
    EXPECT_EQ(attributes.Find({"SERVER"}), c.server.toStdString());
    EXPECT_EQ(attributes.Find({"USER"}), c.user.toStdString());
    EXPECT_EQ(attributes.Find({"PASSWORD"}), c.password.toStdString());
    EXPECT_EQ(attributes.Find({"DATABASE"}), c.database.toStdString());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildTest,
    testing::Values(
        StringCase{"Plain", "db.example", "anna", "secret", "shop",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db.example;DATABASE=shop;USER=anna;PASSWORD=secret;",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db.example;USER=anna;DATABASE=shop;PASSWORD=secret;"},
        StringCase{"Empty", "", "", "", "",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER=;DATABASE=;USER=;PASSWORD=;",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER=;USER=;DATABASE=;PASSWORD=;"},
        // Blanks, "}" inside, "=" and non-ASCII stay exactly as typed.
        StringCase{"BlanksBracesEqualsNonAscii", " h:3307 ", "a}b", "p=w ", "Größe",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER= h:3307 ;DATABASE=Größe;USER=a}b;PASSWORD=p=w ;",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER= h:3307 ;USER=a}b;DATABASE=Größe;PASSWORD=p=w ;"},
        // ";" would end the value: braced, "}" doubled.
        StringCase{"Semicolons", "/run/my;sql.sock", "u", "T3st;pw", "d}b;",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER={/run/my;sql.sock};DATABASE={d}}b;};USER=u;PASSWORD={T3st;pw};",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER={/run/my;sql.sock};USER=u;DATABASE={d}}b;};PASSWORD={T3st;pw};"},
        // A leading "{" would be read as a brace: braced too.
        StringCase{"LeadingBrace", "h", "{u}", "{", "d",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER=h;DATABASE=d;USER={{u}}};PASSWORD={{};",
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER=h;USER={{u}}};DATABASE=d;PASSWORD={{};"}),
    [](const testing::TestParamInfo<StringCase>& info) { return std::string(info.param.name); });

TEST(QuoteMySqlNameTest, DoublesInnerBackticks) {
  EXPECT_EQ(mysql::QuoteMySqlName("Orders"), "`Orders`");
  EXPECT_EQ(mysql::QuoteMySqlName("Ship Name"), "`Ship Name`");
  EXPECT_EQ(mysql::QuoteMySqlName("a`b``"), "`a``b`````");
}

}  // namespace
