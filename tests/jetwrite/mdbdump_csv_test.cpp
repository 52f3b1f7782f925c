// mdbdump csv: texts quoted with their quotes doubled, Null as nothing, other
// values in their text forms; output larger than its buffer comes out whole
// and in order, and a file cut short gives the rows before the cut, then the
// error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

TEST(MdbdumpCsv, QuotesTextsAndKeepsEveryRowInOrder) {
  TempDir dir;
  const auto file = dir.Copy("testV2000.mdb");
  struct Row {
    const char* values;  // as INSERT takes them
    const char* csv;     // the line mdbdump prints
  } rows[] = {
      {"'plain', 'memo', 1", "\"plain\",\"memo\",1"},
      {"'say \"hi\", twice', 'a \"\"quoted\"\" memo\"', -2",
       "\"say \"\"hi\"\", twice\",\"a \"\"\"\"quoted\"\"\"\" memo\"\"\",-2"},
      {"'two\nlines', '', NULL", "\"two\nlines\",\"\","},
      {"NULL, NULL, 0", ",,0"},
      {"'caf\xC3\xA9 \xE2\x82\xAC', '\"', 7", "\"caf\xC3\xA9 \xE2\x82\xAC\",\"\"\"\",7"},
  };
  std::string expected = "t,m,n\n";
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file.string(), "");
  writer.BeginBatch();
  writer.Execute("CREATE TABLE csv (t TEXT(100), m MEMO, n INTEGER)");
  // Enough rows for several of the output's writes.
  for (int i = 0; i < 3000; ++i) {
    const Row& row = rows[i % std::size(rows)];
    writer.Execute(std::string("INSERT INTO csv VALUES (") + row.values + ")");
    expected += std::string(row.csv) + "\n";
  }
  writer.CommitBatch();
  EXPECT_EQ(Capture(std::string(MDBDUMP_PATH) + " csv " + file.string() + " csv"), expected);
}

TEST(MdbdumpCsv, AFileCutShortGivesTheRowsBeforeTheCutThenTheError) {
  TempDir dir;
  const auto file = dir.Copy("testV2000.mdb");
  {
    jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file.string(), "");
    writer.BeginBatch();
    writer.Execute("CREATE TABLE many (t TEXT(200))");
    for (int i = 0; i < 3000; ++i)
      writer.Execute("INSERT INTO many VALUES ('row " + std::to_string(i) + " " + std::string(100, 'x') + "')");
    writer.CommitBatch();
  }
  const std::string csv = std::string(MDBDUMP_PATH) + " csv " + file.string() + " many";
  const std::string whole = Capture(csv);
  // The table's pages were the last added: the cut leaves the first part of
  // them, the last one cut short.
  std::filesystem::resize_file(file, std::filesystem::file_size(file) - 20 * 4096 - 100);
  const auto out = dir.Path() / "out", err = dir.Path() / "err";
  EXPECT_NE(std::system((csv + " >" + out.string() + " 2>" + err.string()).c_str()), 0);
  std::stringstream got, message;
  got << std::ifstream(out).rdbuf();
  message << std::ifstream(err).rdbuf();
  EXPECT_EQ(message.str(), "mdbdump: error -2147467259: The database file is damaged and cannot be read (a table owns a page "
            "beyond the end of the file).\n");
  const std::string rows = got.str();
  EXPECT_GT(rows.size(), std::string("t\n").size() + 1000);
  EXPECT_LT(rows.size(), whole.size() - 19 * 1000);  // each page held some rows
  EXPECT_EQ(whole.substr(0, rows.size()), rows);
  EXPECT_EQ(rows.back(), '\n');
}

}  // namespace
}  // namespace jetwritetest
