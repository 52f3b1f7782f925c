// mdbdump exec takes a statement longer than a command line can carry from a
// file (-f PATH) or from standard input (-).
#include <gtest/gtest.h>

#include <fstream>

#include "support.h"

namespace jetwritetest {
namespace {

TEST(MdbdumpExec, ReadsALongStatementFromAFileOrStandardInput) {
  const std::string memo(200 * 1024, 'q');  // beyond the 128 KiB a single argument may hold
  const std::string mdbdump = MDBDUMP_PATH;
  struct Way {
    const char* name;
    std::string command;  // after "mdbdump exec FILE"
  };
  for (const Way& way : {Way{"file", " -f "}, Way{"standard input", " - < "}}) {
    SCOPED_TRACE(way.name);
    TempDir dir;
    auto file = dir.Copy("testV2000.mdb");
    const auto statement = dir.Path() / "statement.sql";
    std::ofstream(statement) << "CREATE TABLE [long] (m MEMO)";
    ASSERT_EQ(std::system((mdbdump + " exec " + file.string() + way.command + statement.string()).c_str()), 0);
    std::ofstream(statement) << "INSERT INTO [long] VALUES ('" << memo << "');\n";
    ASSERT_EQ(std::system((mdbdump + " exec " + file.string() + way.command + statement.string()).c_str()), 0);
    EXPECT_EQ(Capture(mdbdump + " csv " + file.string() + " long"), "m\n\"" + memo + "\"\n");
  }
}

}  // namespace
}  // namespace jetwritetest
