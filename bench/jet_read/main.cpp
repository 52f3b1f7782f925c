// Reading speed of our engine inside one process: a table of ROWS rows and
// 5 text columns is built with our writer in a copy of an empty Access
// database, then read again and again for SECONDS; rows per second and peak
// memory. Whole processes beside mdb-export: bench/compare/run.sh.
//   jet_read_bench [ROWS] [SECONDS] [FIXTURE_DIR]
#include <sys/resource.h>
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

    std::cout << "jet engine: " << static_cast<long>(ours) << " rows/s, peak memory " << self.ru_maxrss / 1024
              << " MiB (checksum " << checksum << ")\n";
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << '\n';
    fs::remove_all(dir);
    return 1;
  }
  fs::remove_all(dir);
  return 0;
}
