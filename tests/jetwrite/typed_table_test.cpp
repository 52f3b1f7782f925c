// A table of every Jet 4 column type, made by CREATE TABLE and filled with
// typed literals at the edges of each type, reads back exactly: by our reader,
// by mdbtools and by mdb-reader, on a file of our own and on Access-made ones
// (Access 2000-2003 and 2007-2019).
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

const char* const kCreate =
    "CREATE TABLE [every type] (b BYTE, i SHORT, l LONG, c CURRENCY, s SINGLE, d DOUBLE, t DATETIME, y BIT, "
    "g GUID, n DECIMAL(18, 4), tx TEXT(10) WITH COMPRESSION, fx CHAR(4), m MEMO, bi BINARY(8), o LONGBINARY)";

struct Row {
  std::string values;      // as written in INSERT
  std::vector<Cell> read;  // as our reader's text forms give them back
};

std::vector<Row> Rows() {
  const std::string memo(5000, 'm');
  return {
      {"255, -32768, 2147483647, 922337203685477.5807, 3.5, -1.5e300, #2024-02-29 13:05:09#, True, "
       "{6F9619FF-8B86-D011-B42D-00C04FC964FF}, -12345678901234.5678, 'h\xC3\xA9llo', 'ab', '" + memo +
           "', 0x0001FF, 0xCAFEBABE",
       {"255", "-32768", "2147483647", "922337203685477.5807", "3.5", "-1.5E+300", "2024-02-29 13:05:09", "True",
        "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "-12345678901234.5678", "h\xC3\xA9llo", "ab", memo, "0x0001FF",
        "0xCAFEBABE"}},
      {"NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL",
       {{}, {}, {}, {}, {}, {}, {}, "False", {}, {}, {}, {}, {}, {}, {}}},
      {"'0', 0, -2147483648, -922337203685477.5808, -3.4e38, 5e-324, '1899-12-29 06:00', -1, "
       "'{00000000-0000-0000-0000-000000000000}', 0.0001, '', '', '', 0x, 0x",
       {"0", "0", "-2147483648", "-922337203685477.5808", "-3.4E+38", "5E-324", "1899-12-29 06:00:00", "True",
        "{00000000-0000-0000-0000-000000000000}", "0.0001", "", "", "", "0x", "0x"}},
  };
}

class TypedTable : public ::testing::TestWithParam<std::string> {};

TEST_P(TypedTable, EveryTypeReadsBackExactly) {
  TempDir dir;
  auto file = dir.Copy(GetParam());
  const std::string password = PasswordOf(GetParam());
  std::vector<std::string> untouched = UserTables(file, password);
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, password);
  writer.Execute(kCreate);
  Model model;
  ModelTable& t = model.tables["every type"];
  t.columns = {"b", "i", "l", "c", "s", "d", "t", "y", "g", "n", "tx", "fx", "m", "bi", "o"};
  t.fixedWidths.assign(t.columns.size(), 0);
  t.fixedWidths[11] = 4;
  for (const Row& row : Rows()) {
    writer.Execute("INSERT INTO [every type] VALUES (" + row.values + ")");
    t.rows.push_back(row.read);
  }
  writer.Sync();
  for (const std::string& d : CompareWithModel(file, password, model, untouched)) ADD_FAILURE() << d;
  for (const std::string& f : jet::CheckDatabase(file, password)) ADD_FAILURE() << "check: " << f;
  EXPECT_EQ(OracleDifferences(dir.Path()), "");
}

INSTANTIATE_TEST_SUITE_P(Files, TypedTable,
                         ::testing::Values("emptyJet4.mdb", "testV2000.mdb", "passwordV2000.mdb",
                                           "accdb/empty2007.accdb", "accdb/empty2019.accdb", "accdb/testV2007.accdb"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param.substr(0, info.param.find('.'));
                           std::replace(name.begin(), name.end(), '/', '_');
                           return name;
                         });

}  // namespace
}  // namespace jetwritetest
