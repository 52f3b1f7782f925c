// A long seeded sequence of CREATE, INSERT, rename and DROP, refusals
// included, checked against a model of the tables after every step.
#include <gtest/gtest.h>

#include <random>

#include "jet/error.h"
#include "jet/names.h"
#include "jet/text_codec.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

const std::vector<std::string> kNames = {"alpha", "ALPHA", "Beta", "gamma delta", "\xC3\x84pfel", "\xC3\xA4pfel",
                                         "O'Neil", "x1", "x2", "x3", "Ω table", "z"};
const std::vector<std::string> kValues = {"", "a", "O'Brien", "''", "  padded  ", "\xC3\xA9t\xC3\xA9",
                                          "\xF0\x9F\x98\x80 smile", "0123456789"};

std::optional<std::string> Existing(const Model& model, const std::string& name) {
  for (const auto& [n, t] : model.tables)
    if (jet::SameName(n, name)) return n;
  return std::nullopt;
}

TEST(RandomSequence, MatchesTheModelAfterEveryStep) {
  const std::uint32_t seed = 20261210;
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  TempDir dir;
  auto file = dir.Copy("noPasswordV2000.mdb");
  std::vector<std::string> untouched = UserTables(file, "");
  Model model;
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
    std::size_t op = pick(10);
    std::string name = kNames[pick(kNames.size())];
    std::optional<std::string> existing = Existing(model, name);
    try {
      if (op < 2) {  // create
        ModelTable t;
        std::string sql = "CREATE TABLE [" + name + "] (";
        std::size_t columns = 1 + pick(5);
        for (std::size_t c = 0; c < columns; ++c) {
          std::size_t kind = pick(3);
          int width = static_cast<int>(1 + pick(20));
          t.columns.push_back("c" + std::to_string(c));
          t.fixedWidths.push_back(kind == 0 ? width : 0);
          t.limits.push_back(kind == 2 ? 0 : width);
          sql += (c ? ", " : "") + t.columns.back() +
                 (kind == 0 ? " char(" + std::to_string(width) + ")"
                            : kind == 1 ? " text(" + std::to_string(width) + ")" : " memo");
        }
        jet::ExecuteStatement(file, "", sql + ")");
        ASSERT_FALSE(existing) << "created a second " << name;
        model.tables[name] = t;
      } else if (op < 8) {  // insert
        if (!existing) {
          EXPECT_THROW(jet::ExecuteStatement(file, "", "INSERT INTO [" + name + "] VALUES('a')"), jet::Error);
          continue;
        }
        ModelTable& t = model.tables[*existing];
        std::vector<Cell> row;
        std::string sql = "INSERT INTO [" + name + "] VALUES(";
        bool fits = true;
        bool shouldFit = true;
        for (std::size_t c = 0; c < t.columns.size(); ++c) {
          Cell v = pick(6) == 0 ? Cell{} : Cell{kValues[pick(kValues.size())]};
          if (v && pick(8) == 0) v = std::string(5000 + pick(20000), 'm');
          std::string quoted = "NULL";
          if (v) {
            quoted = "'";
            for (char ch : *v) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
            quoted += "'";
            if (t.limits[c] != 0 && jet::Utf8ToUtf16(*v).size() > static_cast<std::size_t>(t.limits[c]))
              shouldFit = false;
          }
          row.push_back(v);
          sql += (c ? ", " : "") + quoted;
        }
        try {
          jet::ExecuteStatement(file, "", sql + ")");
        } catch (const jet::Error& e) {
          fits = false;
          EXPECT_EQ(e.Number(), jet::kDataOverflow) << e.Description();
        }
        EXPECT_EQ(fits, shouldFit);
        if (fits) t.rows.push_back(row);
      } else if (op < 9) {  // rename
        std::string to = kNames[pick(kNames.size())];
        std::optional<std::string> target = Existing(model, to);
        jet::RenameTable(file, "", name, to);
        ASSERT_TRUE(existing) << "renamed a missing table";
        ASSERT_TRUE(!target || *target == *existing) << "renamed onto " << *target;
        ModelTable t = model.tables[*existing];
        model.tables.erase(*existing);
        model.tables[to] = t;
      } else {  // drop
        jet::ExecuteStatement(file, "", "DROP TABLE [" + name + "];");
        ASSERT_TRUE(existing) << "dropped a missing table";
        model.tables.erase(*existing);
      }
    } catch (const jet::Error& e) {
      // Refused: it must have been refusable, and nothing changed.
      if (op < 2) {
        EXPECT_TRUE(existing) << e.Description();
      }
      if (op >= 8) {
        EXPECT_TRUE(!existing || op == 8) << e.Description();
      }
    }
    for (const std::string& d : CompareWithModel(file, "", model, untouched)) ADD_FAILURE() << d;
    for (const std::string& f : jet::CheckDatabase(file, "")) ADD_FAILURE() << "check: " << f;
    if (HasFailure()) return;
  }
  std::vector<std::string> names = untouched;
  for (const auto& [n, t] : model.tables) names.push_back(n);
  EXPECT_TRUE(MdbToolsLists(file, names));
  EXPECT_EQ(OracleDifferences(dir.Path()), "");
}

}  // namespace
}  // namespace jetwritetest
