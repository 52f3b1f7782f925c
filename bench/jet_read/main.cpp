// Reading speed of our engine beside mdb-export, in one run: a table of
// ROWS rows and 5 text columns is built with our writer in a copy of an
// empty Access database, then read again and again for SECONDS by each;
// rows per second and peak memory of both.
//   jet_read_bench [ROWS] [SECONDS] [FIXTURE_DIR]
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
#include "jet/write/database_writer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kTable = "bench";

fs::path BuildTable(const fs::path& fixtures, const fs::path& dir, int rows) {
  fs::path file = dir / "read_bench.mdb";
  fs::copy_file(fixtures / "emptyJet4.mdb", file, fs::copy_options::overwrite_existing);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
  writer.Execute("CREATE TABLE `bench`(`a` text(20),`b` text(20),`c` text(20),`d` text(20),`e` text(20))");
  for (int i = 0; i < rows; ++i) {
    std::string n = std::to_string(i);
    writer.Execute("INSERT INTO `bench` VALUES('" + n + "', 'name " + n + "', 'O''Brien', '', 'x" + n + "')");
  }
  writer.Sync();
  return file;
}

// Runs mdb-export once with its output thrown away; returns its peak memory in KiB.
long RunMdbExport(const fs::path& file) {
  std::cout.flush();  // the child must not repeat what is still buffered
  pid_t pid = ::fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    ::execlp("mdb-export", "mdb-export", file.c_str(), kTable, static_cast<char*>(nullptr));
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
  int rowsWanted = argc > 1 ? std::atoi(argv[1]) : 100000;
  double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
  const char* env = std::getenv("TABLORIA_FIXTURES");
  fs::path fixtures = argc > 3 ? argv[3] : env && *env ? env : "/work/shared/fixtures/mdb";
  fs::path dir = fs::temp_directory_path() / ("jet_read_bench." + std::to_string(::getpid()));
  fs::create_directories(dir);
  try {
    fs::path file = BuildTable(fixtures, dir, rowsWanted);
    std::cout << "table: " << rowsWanted << " rows x 5 text columns, " << fs::file_size(file) / (1 << 20)
              << " MiB file\n";

    // Ours: open, then read the table again and again (as a fresh statement each time).
    jet::Database db = jet::Database::Open(file.string(), "");
    std::uint64_t rows = 0, checksum = 0;
    auto start = Clock::now();
    double elapsed = 0;
    while (elapsed < seconds) {
      jet::Table table = db.OpenTable(kTable);
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
      theirPeak = std::max(theirPeak, RunMdbExport(file));
      theirRows += static_cast<std::uint64_t>(rowsWanted);
      elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    double theirs = static_cast<double>(theirRows) / elapsed;

    std::cout << "jet engine: " << static_cast<long>(ours) << " rows/s, peak memory " << self.ru_maxrss / 1024
              << " MiB (checksum " << checksum << ")\n";
    std::cout << "mdb-export: " << static_cast<long>(theirs) << " rows/s, peak memory " << theirPeak / 1024
              << " MiB\n";
    std::cout << "ratio: " << ours / theirs << "x (goal: at least 3x)\n";
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << '\n';
    fs::remove_all(dir);
    return 1;
  }
  fs::remove_all(dir);
  return 0;
}
