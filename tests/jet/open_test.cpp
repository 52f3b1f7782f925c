// Opening files: what opens, what is refused and with which error, and that
// damaged files give errors rather than crashes or hangs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "jet/error.h"
#include "support.h"

namespace {

using jettest::Fixture;
using jettest::ReadAll;
using jettest::TempDir;
namespace fs = std::filesystem;

// Opens and expects a failure whose description contains `expected`.
void ExpectOpenFails(const std::string& path, const std::string& password, const std::string& expected) {
  try {
    jet::Database::Open(path, password);
    ADD_FAILURE() << path << " opened";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.Number(), jet::kOpenFailed) << e.what();
    EXPECT_NE(e.Description().find(expected), std::string::npos) << e.what();
  }
}

TEST(Open, RefusesPathsThatAreNoDatabase) {
  TempDir dir;
  jettest::WriteAll(dir.Path() / "text.mdb", std::vector<std::uint8_t>(10000, 'x'));
  jettest::WriteAll(dir.Path() / "empty.mdb", {});
  auto header = jettest::ReadAll(Fixture("testV2000.mdb"));
  header.resize(2000);
  jettest::WriteAll(dir.Path() / "short.mdb", header);

  struct Case {
    std::string path, expected;
  } cases[] = {
      {"", "No database file was given"},
      {(dir.Path() / "missing.mdb").string(), "Could not find file"},
      {(dir.Path() / "no/such/dir.mdb").string(), "Could not find file"},
      {dir.Path().string(), "is a folder"},
      {(dir.Path() / "text.mdb").string(), "Unrecognized database format"},
      {(dir.Path() / "empty.mdb").string(), "the file is empty"},
      {(dir.Path() / "short.mdb").string(), "too short"},
  };
  for (const auto& c : cases) ExpectOpenFails(c.path, "", c.expected);
}

TEST(Open, RefusesVersionsItDoesNotKnowAndEncryptedAceFiles) {
  TempDir dir;
  const std::vector<std::uint8_t> ace = {'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ', 'A', 'C', 'E', ' ', 'D', 'B'};
  struct Case {
    std::string fixture;
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
    std::string expected;
  } cases[] = {
      {"testV2000.mdb", 0x14, {7}, "does not know (version byte 7)"},
      {"testV2000.mdb", 0x14, {2}, "does not know (version byte 2)"},  // ACE's version, Jet's name
      {"testV2000.mdb", 0x04, ace, "does not know (version byte 1)"},  // and the other way round
      // The page key, which ACE uses only for pages encrypted with the password.
      {"accdb/testV2007.accdb", 0x3E, {static_cast<std::uint8_t>(ReadAll(Fixture("accdb/testV2007.accdb"))[0x3E] ^ 1)},
       "encrypted with a database password"},
  };
  for (const auto& c : cases) {
    fs::path copy = dir.Copy(c.fixture);
    jettest::Patch(copy, c.offset, c.bytes);
    ExpectOpenFails(copy.string(), "", c.expected);
  }
}

TEST(Open, UnreadableFileIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads files without permission";
  TempDir dir;
  fs::path copy = dir.Copy("testV2000.mdb");
  fs::permissions(copy, fs::perms::none);
  ExpectOpenFails(copy.string(), "", "permission");
}

TEST(Open, ReadOnlyFileIsRead) {
  TempDir dir;
  fs::path copy = dir.Copy("testV2000.mdb");
  fs::permissions(copy, fs::perms::owner_read);
  jet::Database db = jet::Database::Open(copy.string(), "");
  EXPECT_EQ(db.Execute("SELECT * FROM [Table1]").RecordCount(), 2u);
}

TEST(Open, PasswordAsJetChecksIt) {
  struct Case {
    const char* file;
    const char* password;
    bool opens;
  } cases[] = {
      {"passwordV2000.mdb", "password", true},
      {"passwordV2000.mdb", "", false},
      {"passwordV2000.mdb", "Password", false},  // case matters
      {"passwordV2000.mdb", " password", false},  // blanks are the caller's to trim
      {"passwordV2000.mdb", "passwor", false},
      {"noPasswordV2000.mdb", "", true},
      {"noPasswordV2000.mdb", "anything", true},  // ignored when the file has none
      {"encodedV2000.mdb", "", true},
  };
  for (const auto& c : cases) {
    std::string path = Fixture(c.file).string();
    if (c.opens) {
      EXPECT_NO_THROW(jet::Database::Open(path, c.password)) << c.file << " / " << c.password;
    } else {
      ExpectOpenFails(path, c.password, "Not a valid password.");
    }
  }
  EXPECT_EQ(jet::Database::Open(Fixture("passwordV2000.mdb").string(), "password").FileHeader().password, u"password");
}

// Reads what can be read; anything else must be a jet::Error.
void ReadOrFailCleanly(const fs::path& file, const std::string& password) {
  try {
    jettest::ReadEverything(jet::Database::Open(file.string(), password));
  } catch (const jet::Error& e) {
    EXPECT_FALSE(e.Description().empty());
  }
}

TEST(Open, TruncatedCopiesFailCleanly) {
  TempDir dir;
  for (const char* name : {"testV2000.mdb", "test2V2000.mdb", "encodedV2000.mdb", "compIndexTestV2000.mdb"}) {
    auto bytes = jettest::ReadAll(Fixture(name));
    for (std::size_t keep : {std::size_t{4096}, std::size_t{3 * 4096}, bytes.size() / 2, bytes.size() - 100}) {
      std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
      fs::path copy = dir.Path() / "cut.mdb";
      jettest::WriteAll(copy, cut);
      SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(keep));
      ReadOrFailCleanly(copy, "");
    }
  }
}

TEST(Open, CopiesWithPagesOverwrittenFailCleanly) {
  TempDir dir;
  std::mt19937 random(20240601);
  for (const auto& entry : fs::directory_iterator(jettest::FixtureDir())) {
    if (entry.path().extension() != ".mdb") continue;
    std::string name = entry.path().filename().string();
    std::string password = name == "passwordV2000.mdb" ? "password" : "";
    auto original = jettest::ReadAll(entry.path());
    std::size_t pages = original.size() / 4096;
    for (int round = 0; round < 6; ++round) {
      auto bytes = original;
      // A few whole pages of noise, then a few single bytes: both kinds of damage.
      for (int k = 0; k < 2; ++k) {
        std::size_t page = 1 + random() % (pages - 1);
        for (std::size_t i = 0; i < 4096; ++i) bytes[page * 4096 + i] = static_cast<std::uint8_t>(random());
      }
      for (int k = 0; k < 40; ++k) bytes[4096 + random() % (bytes.size() - 4096)] = static_cast<std::uint8_t>(random());
      fs::path copy = dir.Path() / "damaged.mdb";
      jettest::WriteAll(copy, bytes);
      SCOPED_TRACE(name + " round " + std::to_string(round));
      ReadOrFailCleanly(copy, password);
    }
  }
}

TEST(Open, CyclesInPageChainsAreDetected) {
  TempDir dir;
  // The catalogue's definition (page 2) continuing with itself.
  fs::path copy = dir.Copy("testV2000.mdb");
  jettest::Patch(copy, 2 * 4096 + 4, {2, 0, 0, 0});
  ExpectOpenFails(copy.string(), "", "cycle");
}

}  // namespace
