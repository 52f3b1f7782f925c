// A child process writes in a loop, one statement at a time or in batches,
// and is killed at a random moment. Every time the file opens (the journal
// of the interrupted statement or batch rolled back), the consistency check
// finds nothing, every table complete before that statement or batch reads
// back whole, and the table it touched is as before or as after it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "jet/error.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "support.h"

namespace jetwritetest {
namespace {

// Statement i of the child's endless script, and what it does to the model.
struct Step {
  std::string sql;
  std::string table;  // the table it changes
  std::function<void(Model&)> apply;
};

std::string TableName(int k) { return "kill table " + std::to_string(k); }

Step ScriptStep(int i) {
  int k = i / 40;
  if (i % 40 == 0)
    return {"CREATE TABLE [" + TableName(k) + "] (a char(5), b text(40), m memo)", TableName(k), [k](Model& m) {
              m.tables[TableName(k)] = ModelTable{{"a", "b", "m"}, {5, 0, 0}, {5, 40, 0}, {}};
            }};
  if (i % 40 == 39 && k % 3 == 1)
    return {"DROP TABLE [" + TableName(k) + "]", TableName(k), [k](Model& m) { m.tables.erase(TableName(k)); }};
  std::vector<Cell> row = {std::to_string(i), "row '" + std::to_string(i) + "'",
                           std::string(i % 7 == 0 ? 9000 : 20, 'x')};
  std::string sql = "INSERT INTO [" + TableName(k) + "] VALUES('" + *row[0] + "', 'row ''" + std::to_string(i) +
                    "''', '" + *row[2] + "')";
  return {sql, TableName(k), [k, row](Model& m) {
            if (m.tables.count(TableName(k))) m.tables[TableName(k)].rows.push_back(row);
          }};
}

// Statements a batch of the child holds: 40 divides by it, so each batch
// changes one table only.
constexpr int kBatchSteps = 8;

// Writes "b" as a statement (or batch) begins and "d" once it is done.
[[noreturn]] void RunChild(const std::string& file, int pipeOut, int steps) {
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
  for (int i = 0;; i += steps) {
    if (::write(pipeOut, "b", 1) != 1) ::_exit(3);
    try {
      if (steps > 1) writer.BeginBatch();
      for (int j = 0; j < steps; ++j) writer.Execute(ScriptStep(i + j).sql);
      if (steps > 1) writer.CommitBatch();
    } catch (...) {
      ::_exit(2);
    }
    if (::write(pipeOut, "d", 1) != 1) ::_exit(3);
  }
}

TEST(Kill, FileSurvivesAKilledWriter) {
  std::mt19937 rng(7);
  for (int round = 0; round < 24; ++round) {
    const int steps = round < 12 ? 1 : kBatchSteps;
    SCOPED_TRACE("round " + std::to_string(round) + ", statements at a time: " + std::to_string(steps));
    TempDir dir;
    auto file = dir.Copy(round % 2 ? "encodedV2000.mdb" : "delTestV2000.mdb");
    std::vector<std::string> untouched = UserTables(file, "");
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      RunChild(file.string(), fds[1], steps);
    }
    ::close(fds[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(20000, 400000)(rng)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: " << status;
    std::string log;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) log.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int done = static_cast<int>(std::count(log.begin(), log.end(), 'd')) * steps;
    bool interrupted = !log.empty() && log.back() == 'b';

    Model model;
    for (int i = 0; i < done; ++i) ScriptStep(i).apply(model);
    std::string touched = interrupted ? ScriptStep(done).table : "";
    Model after = model;
    if (interrupted)
      for (int j = 0; j < steps; ++j) ScriptStep(done + j).apply(after);

    // Every table the interrupted statement did not touch reads back whole;
    // the touched one is as before or as after it.
    Model others = model;
    others.tables.erase(touched);
    std::vector<std::string> untouchedPlus = untouched;
    bool touchedListed = false;
    for (const std::string& n : UserTables(file, ""))
      if (n == touched) touchedListed = true;
    if (touchedListed) untouchedPlus.push_back(touched);
    for (const std::string& d : CompareWithModel(file, "", others, untouchedPlus)) ADD_FAILURE() << d;
    if (touchedListed && model.tables.count(touched) && after.tables.count(touched)) {
      Model before1, after1;
      before1.tables[touched] = model.tables[touched];
      after1.tables[touched] = after.tables[touched];
      std::vector<std::string> rest = untouched;
      for (const auto& [n, t] : others.tables) rest.push_back(n);
      bool asBefore = CompareWithModel(file, "", before1, rest).empty();
      bool asAfter = CompareWithModel(file, "", after1, rest).empty();
      EXPECT_TRUE(asBefore || asAfter) << "table " << touched << " is neither before nor after the statement";
    }
    EXPECT_EQ(jet::CheckDatabase(file, ""), std::vector<std::string>{}) << "after " << done << " statements";
  }
}

}  // namespace
}  // namespace jetwritetest
