// Inserts 100,000 rows of 5 char(10) columns into a copy of an empty Access
// database, first one statement per call (open, run, close, as the program's
// ExecuteAccessStatement does), then through one open handle, then through
// one handle in batches of 10,000 rows (as a send to Access writes), and
// prints rows per second, CPU time per row, peak memory and the file's size.
// MODE (all, call, handle or batch) runs one part alone, for profiling.
//   jet_write_bench [ROWS] [FIXTURE_DIR] [MODE]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "jet/error.h"
#include "jet/write/database_writer.h"

namespace fs = std::filesystem;

namespace {

std::string Row(int i) {
  std::string n = std::to_string(i);
  return "INSERT INTO `bench` VALUES('" + n + "', 'name " + n + "', 'O''Brien', '', 'x" + n + "');";
}

fs::path FreshCopy(const fs::path& fixtures, const fs::path& dir, const char* name) {
  fs::path to = dir / name;
  fs::copy_file(fixtures / "emptyJet4.mdb", to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
  jet::ExecuteStatement(to, "", "CREATE TABLE `bench`(`a` char(10),`b` char(10),`c` char(10),`d` char(10),`e` char(10));");
  return to;
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <typename F>
void Measure(const char* label, const fs::path& file, int rows, F insert) {
  auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  for (int i = 0; i < rows; ++i) insert(i);
  jet::SyncDatabase(file);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpuPerRow = (CpuSeconds() - cpuStart) / rows * 1e6;
  std::printf("%-28s %8d rows %8.2f s %10.0f rows/s  cpu %6.2f us/row  peak %6ld KiB  file %8.1f MiB\n", label,
              rows, seconds, rows / seconds, cpuPerRow, PeakKiB(), static_cast<double>(fs::file_size(file)) / (1 << 20));
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  const char* env = std::getenv("TABLORIA_FIXTURES");
  fs::path fixtures = argc > 2 && *argv[2] ? argv[2] : env && *env ? env : "/work/shared/fixtures/mdb";
  std::string mode = argc > 3 ? argv[3] : "all";
  const auto runs = [&](const char* part) { return mode == "all" || mode == part; };
  fs::path dir = fs::temp_directory_path() / ("jet_write_bench." + std::to_string(::getpid()));
  fs::create_directories(dir);
  try {
    if (runs("call")) {
      fs::path perCall = FreshCopy(fixtures, dir, "per_call.mdb");
      Measure("one statement per call", perCall, rows, [&](int i) { jet::ExecuteStatement(perCall, "", Row(i)); });
    }
    if (runs("handle")) {
      fs::path handle = FreshCopy(fixtures, dir, "one_handle.mdb");
      jet::DatabaseWriter writer = jet::DatabaseWriter::Open(handle, "");
      Measure("one open handle", handle, rows, [&](int i) { writer.Execute(Row(i)); });
    }
    if (runs("batch")) {
      constexpr int kBatchRows = 10000;
      fs::path batched = FreshCopy(fixtures, dir, "batches.mdb");
      jet::DatabaseWriter writer = jet::DatabaseWriter::Open(batched, "");
      Measure("one handle, batches", batched, rows, [&](int i) {
        if (i % kBatchRows == 0) writer.BeginBatch();
        writer.Execute(Row(i));
        if ((i + 1) % kBatchRows == 0 || i + 1 == rows) writer.CommitBatch();
      });
    }
  } catch (const jet::Error& e) {
    std::fprintf(stderr, "error %d: %s\n", e.Number(), e.Description().c_str());
    fs::remove_all(dir);
    return 1;
  }
  fs::remove_all(dir);
  return 0;
}
