// mdbdump csv: texts quoted with their quotes doubled, Null as nothing, other
// values in their text forms; output larger than its buffer comes out whole
// and in order.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace jetwritetest
