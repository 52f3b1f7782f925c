// What we do not change: every statement that would change an Access 97
// file is refused, saying that such files are read-only here; a row for, or
// the drop of, an Access 2007-2019 table holding fields we cannot write
// (attachments, multi-valued, calculated, unknown types) is refused naming
// them, a row for a linked table is refused, and a file with Office's
// encryption is not opened. Either way
// the file stays byte for byte as it was. Nor is an Access 97 file called
// damaged by the structure check, which knows only the layout of the files
// it writes.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "jet/error.h"
#include "jet/format.h"
#include "jet/tdef.h"
#include "jet/write/consistency_check.h"
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

// Flips bits of one byte of a file in place.
void FlipBits(const std::string& file, std::uint64_t at, std::uint8_t bits) {
  std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
  f.seekg(static_cast<std::streamoff>(at));
  char byte = 0;
  f.get(byte);
  f.seekp(static_cast<std::streamoff>(at));
  f.put(static_cast<char>(byte ^ bits));
}

// Marks the first column of testV2007's Table1 calculated, as Access 2010
// marks an expression's column: the extra flags of its block, the first
// after the definition's header and its two real indexes' counts.
void MakeFirstColumnCalculated(const std::string& file) {
  constexpr std::uint64_t kTable1Definition = 62 * 4096;  // as its MSysObjects row names it
  const jet::Format& f = jet::kAceFormat;
  FlipBits(file, kTable1Definition + f.tdefFirstBlockAt + 2 * f.realIndexCountBlock + f.columnExtraFlagsAt,
          jet::kColumnCalculated);
}

TEST(ReadOnlyFormats, ChangesToTablesWithFieldsWeCannotWriteAreRefusedNamingThem) {
  struct Case {
    const char* fixture;
    const char* statement;
    const char* named;
    std::function<void(const std::string&)> prepare;  // on the copy, before its bytes are kept
  } cases[] = {
      {"accdb/complexDataTestV2007.accdb", "DROP TABLE [Table1]",
       "its fields 'VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880', 'multi-value-data', 'attach-data' in hidden "
       "tables", {}},
      {"accdb/complexDataTestV2007.accdb", "INSERT INTO [Table1] VALUES ('x', NULL, NULL, NULL, NULL, NULL)",
       "'multi-value-data' (a multi-valued field), 'attach-data' (attached files)", {}},
      {"accdb/testV2007.accdb", "INSERT INTO [Table1] VALUES ('k', 'b', 1, 2, 3, 4.5, #2001-02-03#, 1.25, True)",
       "(a calculated field)", MakeFirstColumnCalculated},
      {"accdb/linkerTestV2007.accdb", "INSERT INTO [Table2] VALUES (1)", "the linked table 'Table2'", {}},
      {"accdb/odbcLinkerTestV2007.accdb", "INSERT INTO [Ordrar] VALUES (1)", "the linked table 'Ordrar'", {}},
      {"accdb/unsupportedFieldsTestV2007.accdb", "INSERT INTO [Test] VALUES (1, NULL, NULL, NULL)",
       "'UnknownVar' (a field of type Unknown 0x46, which this program does not know)", {}},
      // A page-encoding key in an ACE header: Office's encryption, refused at
      // the open, before any statement.
      {"accdb/testV2007.accdb", "CREATE TABLE [New] ([a] TEXT(10))", "encrypted with a database password",
       [](const std::string& file) { FlipBits(file, 0x3E, 0x01); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fixture) + ": " + c.statement);
    TempDir dir;
    const std::string copy = dir.Copy(c.fixture).string();
    if (c.prepare) c.prepare(copy);
    const std::vector<char> before = Bytes(copy);
    try {
      jet::ExecuteStatement(copy, "", c.statement);
      ADD_FAILURE() << "not refused";
    } catch (const jet::Error& e) {
      EXPECT_NE(e.Description().find(c.named), std::string::npos) << e.what();
    }
    EXPECT_EQ(Bytes(copy), before);
  }
}

TEST(ReadOnlyFormats, TheCheckDeclinesAccess97FilesInsteadOfCallingThemDamaged) {
  TempDir dir;
  try {
    std::vector<std::string> findings = jet::CheckDatabase(dir.Copy("mdb97/testV1997.mdb").string(), "");
    ADD_FAILURE() << "checked, with " << findings.size() << " findings";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.Number(), jet::kOpenFailed);
    EXPECT_NE(e.Description().find("Access 97 files cannot be checked here"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace jetwritetest
