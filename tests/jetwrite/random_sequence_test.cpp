// A long seeded sequence of typed CREATE TABLE with constraints, INSERT
// (with and without a list of columns), CREATE INDEX, DROP INDEX, rename and
// DROP, refusals included, checked against a model of the tables and the
// rules their rows meet after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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

// What the model of a table keeps beside its rows: the rules its rows meet.
struct ModelIndex {
  std::string name;
  std::vector<std::size_t> columns;
  bool unique = false;
  bool primary = false;
};
struct ModelRules {
  std::vector<bool> notNull;
  std::vector<bool> memo;
  std::vector<ModelIndex> indexes;

  // Whether an index keys column `c`.
  bool Indexed(std::size_t c) const {
    for (const ModelIndex& i : indexes)
      if (std::find(i.columns.begin(), i.columns.end(), c) != i.columns.end()) return true;
    return false;
  }
  const ModelIndex* Index(const std::string& name) const {
    for (const ModelIndex& i : indexes)
      if (jet::SameName(i.name, name)) return &i;
    return nullptr;
  }
  // Whether a row with these values gives a unique index a key it holds.
  bool Duplicates(const ModelTable& t, const std::vector<Cell>& row) const {
    for (const ModelIndex& i : indexes) {
      if (!i.unique) continue;
      bool allNull = true;
      for (std::size_t c : i.columns) allNull = allNull && !row[c];
      if (allNull) continue;
      for (const std::vector<Cell>& other : t.rows) {
        bool same = true;
        for (std::size_t c : i.columns) same = same && other[c] == row[c];
        if (same) return true;
      }
    }
    return false;
  }
};

// The sort order keys no character beyond U+FFFF: such a text cannot enter an index.
bool Unkeyable(const Cell& v) { return v && v->find('\xF0') != std::string::npos; }

std::string Quoted(const Cell& v, bool number) {
  if (!v) return "NULL";
  if (number) return *v;
  std::string quoted = "'";
  for (char ch : *v) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
  return quoted + "'";
}

TEST(RandomSequence, MatchesTheModelAfterEveryStep) {
  const std::uint32_t seed = 20261210;
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  TempDir dir;
  auto file = dir.Copy("noPasswordV2000.mdb");
  std::vector<std::string> untouched = UserTables(file, "");
  Model model;
  std::map<std::string, ModelRules> rules;
  for (int step = 0; step < 500; ++step) {
    SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
    std::size_t op = pick(13);
    std::string name = kNames[pick(kNames.size())];
    std::optional<std::string> existing = Existing(model, name);
    std::string sql;
    try {
      if (op < 2) {  // create: texts, memos and numbers, NOT NULL, a primary key and a unique constraint
        ModelTable t;
        ModelRules r;
        sql = "CREATE TABLE [" + name + "] (";
        std::size_t columns = 1 + pick(5);
        std::vector<std::size_t> numbers;
        for (std::size_t c = 0; c < columns; ++c) {
          std::size_t kind = pick(4);
          int width = static_cast<int>(1 + pick(20));
          t.columns.push_back("c" + std::to_string(c));
          t.fixedWidths.push_back(kind == 0 ? width : 0);
          t.limits.push_back(kind == 0 || kind == 1 ? width : 0);
          r.notNull.push_back(pick(4) == 0);
          r.memo.push_back(kind == 2);
          if (kind == 3) numbers.push_back(c);
          sql += (c ? ", " : "") + t.columns.back() +
                 (kind == 0   ? " char(" + std::to_string(width) + ")"
                  : kind == 1 ? " text(" + std::to_string(width) + ")"
                  : kind == 2 ? " memo"
                              : " long") +
                 (r.notNull.back() ? " NOT NULL" : "");
        }
        if (!numbers.empty() && pick(2) == 0) {
          r.indexes.push_back({"pk", {numbers[0]}, true, true});
          sql += ", CONSTRAINT pk PRIMARY KEY (c" + std::to_string(numbers[0]) + ")";
        }
        if (numbers.size() > 1 && pick(2) == 0) {
          r.indexes.push_back({"u1", {numbers.back(), numbers[numbers.size() - 2]}, true, false});
          sql += ", CONSTRAINT u1 UNIQUE (c" + std::to_string(numbers.back()) + ", c" +
                 std::to_string(numbers[numbers.size() - 2]) + ")";
        }
        jet::ExecuteStatement(file, "", sql + ")");
        ASSERT_FALSE(existing) << "created a second " << name;
        model.tables[name] = t;
        rules[name] = r;
      } else if (op < 9) {  // insert, at times through a list of columns
        if (!existing) {
          EXPECT_THROW(jet::ExecuteStatement(file, "", "INSERT INTO [" + name + "] VALUES('a')"), jet::Error);
          continue;
        }
        ModelTable& t = model.tables[*existing];
        const ModelRules& r = rules[*existing];
        std::vector<std::size_t> listed(t.columns.size());
        for (std::size_t c = 0; c < listed.size(); ++c) listed[c] = c;
        const bool withList = pick(3) == 0;
        if (withList) {
          std::shuffle(listed.begin(), listed.end(), rng);
          listed.resize(1 + pick(listed.size()));
        }
        std::vector<Cell> row(t.columns.size());
        bool overflows = false;
        std::string names, values;
        for (std::size_t c : listed) {
          const bool number = !r.memo[c] && t.limits[c] == 0;
          Cell v = pick(6) == 0 ? Cell{} : number ? Cell{std::to_string(pick(12))} : Cell{kValues[pick(kValues.size())]};
          if (v && r.memo[c] && pick(8) == 0) v = std::string(5000 + pick(20000), 'm');
          if (v && t.limits[c] != 0 && jet::Utf8ToUtf16(*v).size() > static_cast<std::size_t>(t.limits[c]))
            overflows = true;
          row[c] = v;
          names += (names.empty() ? "" : ", ") + t.columns[c];
          values += (values.empty() ? "" : ", ") + Quoted(v, number);
        }
        bool required = false, keyNull = false, unkeyable = false;
        for (std::size_t c = 0; c < row.size(); ++c) {
          required = required || (r.notNull[c] && !row[c]);
          unkeyable = unkeyable || (r.Indexed(c) && Unkeyable(row[c]));
        }
        for (const ModelIndex& i : r.indexes)
          for (std::size_t c : i.columns) keyNull = keyNull || (i.primary && !row[c]);
        const bool duplicate = r.Duplicates(t, row);
        sql = "INSERT INTO [" + name + "] " + (withList ? "(" + names + ") " : "") + "VALUES(" + values + ")";
        try {
          jet::ExecuteStatement(file, "", sql);
          EXPECT_FALSE(overflows || required || keyNull || duplicate || unkeyable) << sql;
          t.rows.push_back(row);
        } catch (const jet::Error& e) {
          EXPECT_TRUE(overflows || required || keyNull || duplicate || unkeyable) << sql << ": " << e.Description();
          // One cause alone names itself.
          if (overflows + required + keyNull + duplicate + unkeyable == 1) {
            if (overflows) EXPECT_EQ(e.Number(), jet::kDataOverflow) << e.Description();
            if (required) EXPECT_EQ(e.JetNumber(), 3314) << e.Description();
            if (keyNull) EXPECT_EQ(e.JetNumber(), 3058) << e.Description();
            if (duplicate) EXPECT_EQ(e.JetNumber(), 3022) << e.Description();
          }
        }
      } else if (op < 10) {  // rename
        std::string to = kNames[pick(kNames.size())];
        std::optional<std::string> target = Existing(model, to);
        jet::RenameTable(file, "", name, to);
        ASSERT_TRUE(existing) << "renamed a missing table";
        ASSERT_TRUE(!target || *target == *existing) << "renamed onto " << *target;
        ModelTable t = model.tables[*existing];
        ModelRules r = rules[*existing];
        model.tables.erase(*existing);
        rules.erase(*existing);
        model.tables[to] = t;
        rules[to] = r;
      } else if (op < 11) {  // drop
        jet::ExecuteStatement(file, "", "DROP TABLE [" + name + "];");
        ASSERT_TRUE(existing) << "dropped a missing table";
        model.tables.erase(*existing);
        rules.erase(*existing);
      } else if (op < 12) {  // create index: one or two columns, unique over numbers only
        const std::string index = std::vector<std::string>{"i1", "I1", "i2", "pk", "u1"}[pick(5)];
        ModelIndex i{index, {}, false, false};
        std::size_t columns = existing ? model.tables[*existing].columns.size() : 1;
        i.columns.push_back(pick(columns));
        if (columns > 1 && pick(2) == 0) {
          std::size_t second = pick(columns);
          if (second != i.columns[0]) i.columns.push_back(second);
        }
        bool memo = false, numbers = true;
        if (existing)
          for (std::size_t c : i.columns) {
            memo = memo || rules[*existing].memo[c];
            numbers = numbers && !rules[*existing].memo[c] && model.tables[*existing].limits[c] == 0;
          }
        i.unique = numbers && pick(2) == 0;
        sql = std::string("CREATE ") + (i.unique ? "UNIQUE " : "") + "INDEX " + index + " ON [" + name + "] (";
        for (std::size_t k = 0; k < i.columns.size(); ++k)
          sql += (k ? ", c" : "c") + std::to_string(i.columns[k]) + (pick(2) ? " DESC" : "");
        sql += std::string(")") + (!i.unique && pick(3) == 0 ? " WITH IGNORE NULL" : "");
        // Rows the index cannot take: a key twice in a unique index, a text it cannot key.
        bool refusedByRows = false;
        if (existing)
          for (const std::vector<Cell>& row : model.tables[*existing].rows)
            for (std::size_t c : i.columns) refusedByRows = refusedByRows || Unkeyable(row[c]);
        if (existing && i.unique) {
          ModelRules only;
          only.indexes.push_back(i);
          ModelTable seen = model.tables[*existing];
          seen.rows.clear();
          for (const std::vector<Cell>& row : model.tables[*existing].rows) {
            refusedByRows = refusedByRows || only.Duplicates(seen, row);
            seen.rows.push_back(row);
          }
        }
        try {
          jet::ExecuteStatement(file, "", sql);
          ASSERT_TRUE(existing) << sql;
          EXPECT_FALSE(rules[*existing].Index(index) || memo || refusedByRows) << sql;
          rules[*existing].indexes.push_back(i);
        } catch (const jet::Error& e) {
          EXPECT_TRUE(!existing || rules[*existing].Index(index) || memo || refusedByRows) << sql << ": " << e.Description();
        }
      } else {  // drop index
        std::string index = std::vector<std::string>{"i1", "i2", "pk", "u1"}[pick(4)];
        sql = "DROP INDEX " + index + " ON [" + name + "]";
        try {
          jet::ExecuteStatement(file, "", sql);
          ASSERT_TRUE(existing && rules[*existing].Index(index)) << sql;
          std::erase_if(rules[*existing].indexes, [&](const ModelIndex& i) { return jet::SameName(i.name, index); });
        } catch (const jet::Error& e) {
          EXPECT_TRUE(!existing || !rules[*existing].Index(index)) << sql << ": " << e.Description();
        }
      }
    } catch (const jet::Error& e) {
      // Refused: it must have been refusable, and nothing changed.
      if (op < 2) {
        EXPECT_TRUE(existing) << sql << ": " << e.Description();
      }
      if (op >= 9 && op < 11) {
        EXPECT_TRUE(!existing || op == 9) << e.Description();
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
