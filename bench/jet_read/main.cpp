// Reading speed of our engine beside mdb-export, on the largest table of the
// fixtures (until the writer can build a bigger one): rows per second and
// peak memory of each, in one run.
//   jet_read_bench [FIXTURE_DIR] [SECONDS]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "jet/database.h"
#include "jet/error.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Largest {
  std::string file, table;
  std::uint64_t rows = 0;
};

Largest FindLargest(const fs::path& dir) {
  Largest best;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".mdb") continue;
    try {
      jet::Database db = jet::Database::Open(entry.path().string(), "");
      for (const auto& t : db.Tables()) {
        if (!jet::IsUserTable(t.attributes) || t.IsLinked()) continue;
        std::uint64_t n = db.OpenTable(t.name).RowCount();
        if (n > best.rows) best = {entry.path().string(), t.name, n};
      }
    } catch (const jet::Error&) {  // the password fixture: not a candidate
    }
  }
  return best;
}

// Runs mdb-export once with its output thrown away; returns its peak memory in KiB.
long RunMdbExport(const Largest& t) {
  std::cout.flush();  // the child must not repeat what is still buffered
  pid_t pid = ::fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    ::execlp("mdb-export", "mdb-export", t.file.c_str(), t.table.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("mdb-export failed");
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path dir = argc > 1 ? argv[1] : (std::getenv("TABLORIA_FIXTURES") ? std::getenv("TABLORIA_FIXTURES") : "/work/shared/fixtures/mdb");
  double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
  Largest t = FindLargest(dir);
  if (t.rows == 0) {
    std::cerr << "no table with rows in " << dir << '\n';
    return 1;
  }
  std::cout << "table: " << t.table << " in " << fs::path(t.file).filename().string() << ", " << t.rows << " rows\n";

  // Ours: open, then read the table again and again (as a fresh statement each time).
  jet::Database db = jet::Database::Open(t.file, "");
  std::uint64_t rows = 0, checksum = 0;
  auto start = Clock::now();
  double elapsed = 0;
  while (elapsed < seconds) {
    jet::Table table = db.OpenTable(t.table);
    for (auto cursor = table.Rows(); cursor.Next();) {
      ++rows;
      checksum += cursor.Values().size();
    }
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  double ours = static_cast<double>(rows) / elapsed;
  struct rusage self {};
  ::getrusage(RUSAGE_SELF, &self);

  // mdb-export: whole runs, process start included, as a user would run it.
  std::uint64_t theirRows = 0;
  long theirPeak = 0;
  start = Clock::now();
  elapsed = 0;
  while (elapsed < seconds) {
    theirPeak = std::max(theirPeak, RunMdbExport(t));
    theirRows += t.rows;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  double theirs = static_cast<double>(theirRows) / elapsed;

  std::cout << "jet engine: " << static_cast<long>(ours) << " rows/s, peak memory " << self.ru_maxrss / 1024
            << " MiB (checksum " << checksum << ")\n";
  std::cout << "mdb-export: " << static_cast<long>(theirs) << " rows/s, peak memory " << theirPeak / 1024 << " MiB\n";
  std::cout << "ratio: " << ours / theirs << "x (goal: at least 3x)\n";
  return 0;
}
