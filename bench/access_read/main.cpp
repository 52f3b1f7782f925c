// Reading a large Access table: 100,000 rows x 5 text columns, written once
// by our writer through one open handle into a copy of an empty Access file,
// then read by our engine alone and by the program's data-access layer
// (SELECT * FROM through a Recordset, every value visited). Each reader runs
// in a child process of its own, so every peak memory figure is that
// reader's alone. Whole processes beside mdb-export: bench/compare/run.sh.
//   access_read_bench [ROWS] [FIXTURE_DIR]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"
#include "jet/database.h"
#include "jet/write/database_writer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kTable = "Bench rows";

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Cell(long row, int column) {
  return "row " + std::to_string(row) + " column " + std::to_string(column) + " of the benchmark";
}

void Build(const fs::path& file, long rows) {
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file.string(), "");
  writer.Execute(std::string("CREATE TABLE [") + kTable + "] (a text(60), b text(60), c text(60), d text(60), e text(60))");
  auto start = Clock::now();
  for (long r = 0; r < rows; ++r) {
    std::string sql = std::string("INSERT INTO [") + kTable + "] VALUES(";
    for (int c = 0; c < 5; ++c) sql += (c ? ", '" : "'") + Cell(r, c) + "'";
    writer.Execute(sql + ")");
  }
  writer.Sync();
  double took = Seconds(start);
  std::cout << "built: " << rows << " rows through one writer handle in " << took << " s ("
            << static_cast<long>(rows / took) << " rows/s), file " << fs::file_size(file) / (1024 * 1024) << " MiB\n";
}

struct Measure {
  double seconds = 0;
  long peakKiB = 0;
  bool ok = false;
};

// Runs `work` in a child, five times on a machine shared with others: the
// fastest wall time, the largest peak memory, and whether every run worked.
Measure InChild(const std::function<bool()>& work) {
  Measure best;
  best.ok = true;
  for (int run = 0; run < 5; ++run) {
    std::cout.flush();
    auto start = Clock::now();
    pid_t pid = ::fork();
    if (pid == 0) std::_Exit(work() ? 0 : 1);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    double took = Seconds(start);
    if (run == 0 || took < best.seconds) best.seconds = took;
    best.peakKiB = std::max(best.peakKiB, usage.ru_maxrss);
    best.ok = best.ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return best;
}

void Report(const char* who, long rows, const Measure& m) {
  std::cout << who << ": " << (m.ok ? "" : "FAILED, ") << static_cast<long>(rows / m.seconds) << " rows/s ("
            << m.seconds << " s), peak memory " << m.peakKiB / 1024 << " MiB\n";
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 100000;
  fs::path fixtures = argc > 2 ? argv[2]
                               : (std::getenv("TABLORIA_FIXTURES") ? std::getenv("TABLORIA_FIXTURES")
                                                                    : "/work/shared/fixtures/mdb");
  char pattern[] = "/tmp/access-read-bench.XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  fs::path dir = pattern;
  fs::path file = dir / "bench.mdb";
  fs::copy_file(fixtures / "emptyJet4.mdb", file);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  Build(file, rows);

  Measure engine = InChild([&] {
    jet::Database db = jet::Database::Open(file.string(), "");
    long seen = 0;
    for (auto cursor = db.OpenTable(kTable).Rows(); cursor.Next();) seen += cursor.Values().size() == 5;
    return seen == rows;
  });
  Measure layer = InChild([&] {
    dataaccess::Connection connection;
    connection.Open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + file.string() + ";JET OLEDB:Database Password=");
    dataaccess::Recordset rs;
    rs.Open(std::string("SELECT * FROM [") + kTable + "]", connection);
    long seen = 0;
    std::size_t bytes = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++seen) {
      for (int i = 0; i < rs.FieldCount(); ++i) bytes += std::get<std::string>(rs.Field(i).Value()).size();
    }
    return seen == rows && rs.RecordCount() == rows && bytes > 0;
  });
  std::cout << "best of five runs each:\n";
  Report("jet engine (row cursor)", rows, engine);
  Report("data-access layer (SELECT * FROM, every value)", rows, layer);
  fs::remove_all(dir);
  return engine.ok && layer.ok ? 0 : 1;
}
