// Files we do not change: every statement that would change an Access 97
// file is refused, saying that such files are read-only here, and the file
// stays byte for byte as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "jet/error.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

std::vector<char> Bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ReadOnlyFormats, Access97FilesRefuseEveryChangeAndStayAsTheyWere) {
  TempDir dir;
  const std::string copy = dir.Copy("mdb97/testV1997.mdb").string();
  const std::vector<char> before = Bytes(copy);
  struct Case {
    const char* what;
    std::function<void()> change;
  } cases[] = {
      {"CREATE TABLE", [&] { jet::ExecuteStatement(copy, "", "CREATE TABLE [New] ([a] TEXT(10))"); }},
      {"INSERT", [&] { jet::ExecuteStatement(copy, "", "INSERT INTO [Table1] VALUES ('a','b',1,2,3,4,NULL,NULL,NULL)"); }},
      {"DROP TABLE", [&] { jet::ExecuteStatement(copy, "", "DROP TABLE [Table1]"); }},
      {"rename", [&] { jet::RenameTable(copy, "", "Table1", "Renamed"); }},
  };
  for (const Case& c : cases) {
    try {
      c.change();
      ADD_FAILURE() << c.what << " was not refused";
    } catch (const jet::Error& e) {
      EXPECT_NE(e.Description().find("Access 97 files are read-only here"), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_EQ(Bytes(copy), before) << c.what;
  }
}

}  // namespace
}  // namespace jetwritetest
