// Grows a copy of an Access-made database to TARGET bytes by inserting rows
// of a short text and a 4,000-character memo (one long-value page a row) in
// batches of 1,000, printing the rate as it goes; then, with --to-limit,
// goes on until the engine refuses a row at 2 GiB and prints the refusal.
// Row i holds ("r<i>", "r<i>:" followed by the letter 'a' + i % 26 up to
// 4,000 characters), so that any reader can check every row.
//   jet_growth_bench FIXTURE OUT TARGET_BYTES [--to-limit]
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

std::string Insert(long i) {
  std::string key = "r" + std::to_string(i);
  std::string memo = key + ":";
  memo.resize(4000, static_cast<char>('a' + i % 26));
  return "INSERT INTO [growth] VALUES ('" + key + "', '" + memo + "')";
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double MiB(const fs::path& file) { return static_cast<double>(fs::file_size(file)) / (1 << 20); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: jet_growth_bench FIXTURE OUT TARGET_BYTES [--to-limit]\n");
    return 2;
  }
  fs::path out = argv[2];
  const std::uintmax_t target = std::strtoull(argv[3], nullptr, 10);
  const bool toLimit = argc > 4 && std::string(argv[4]) == "--to-limit";
  fs::copy_file(argv[1], out, fs::copy_options::overwrite_existing);
  fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write);
  auto start = std::chrono::steady_clock::now();
  auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
  long rows = 0;
  try {
    jet::DatabaseWriter writer = jet::DatabaseWriter::Open(out, "");
    writer.Execute("CREATE TABLE [growth] (k text(20), m memo)");
    double lastReport = 0;
    for (bool growing = true; growing;) {
      writer.BeginBatch();
      try {
        for (int i = 0; i < 1000; ++i, ++rows) writer.Execute(Insert(rows));
        writer.CommitBatch();
      } catch (const jet::Error& e) {
        // The refused row changed nothing; the batch's earlier rows stay.
        writer.CommitBatch();
        std::printf("refused row %ld at %.1f MiB (%ju bytes): %d %s\n", rows, MiB(out),
                    static_cast<std::uintmax_t>(fs::file_size(out)), e.Number(), e.Description().c_str());
        break;
      }
      growing = toLimit || fs::file_size(out) < target;
      if (seconds() - lastReport >= 10 || !growing) {
        lastReport = seconds();
        std::printf("%9ld rows %9.1f MiB %7.1f s %8.0f rows/s %7.1f MiB/s peak %ld KiB\n", rows, MiB(out), seconds(),
                    rows / seconds(), MiB(out) / seconds(), PeakKiB());
        std::fflush(stdout);
      }
    }
  } catch (const jet::Error& e) {
    std::fprintf(stderr, "failed after %ld rows: %s\n", rows, e.Description().c_str());
    return 1;
  }
  std::printf("%ld rows in %.1f s, %.1f MiB\n", rows, seconds(), MiB(out));
  return 0;
}
