// Inserts ROWS rows through one open handle into a copy of an Access-made
// file, either into its Table1 (a primary key on id, an index on id and one
// each on otherfk1 and otherfk2, all kept by the writer) or into a table of
// the same columns without indexes, and prints rows per second. Ids come in
// scrambled order, so that index entries land all over their trees.
// Each INSERT is a statement of its own (the file's lock and cache let go
// after each, as between the statements of a script), or, with --batch=N,
// N statements share one batch, as a send to Access runs them.
//   jet_index_bench ROWS indexed|plain [--batch=N] [FIXTURE_DIR]
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "jet/error.h"
#include "jet/write/database_writer.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: jet_index_bench ROWS indexed|plain [--batch=N] [FIXTURE_DIR]\n");
    return 2;
  }
  const int rows = std::atoi(argv[1]);
  const std::string mode = argv[2];
  int batch = 0;
  int next = 3;
  if (argc > next && std::string(argv[next]).rfind("--batch=", 0) == 0) batch = std::atoi(argv[next++] + 8);
  const char* env = std::getenv("TABLORIA_FIXTURES");
  const fs::path fixtures = argc > next ? argv[next] : env && *env ? env : "/work/shared/fixtures/mdb";
  const fs::path dir = fs::temp_directory_path() / ("jet_index_bench." + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "bench.mdb";
  int status = 0;
  try {
    fs::copy_file(fixtures / "indexTestV2000.mdb", file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    std::string table = "Table1";
    jet::DatabaseWriter writer = jet::DatabaseWriter::Open(file, "");
    if (mode == "plain") {
      table = "plain";
      writer.Execute("CREATE TABLE plain (id LONG, otherfk1 LONG, otherfk2 LONG, data TEXT(50), otherfk3 LONG)");
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rows; ++i) {
      if (batch > 0 && i % batch == 0) {
        if (i > 0) writer.CommitBatch();
        writer.BeginBatch();
      }
      // A bijection on 32 bits: every id distinct, in no order.
      const auto id = static_cast<std::int32_t>(static_cast<std::uint32_t>(i + 4) * 2654435761u);
      writer.Execute("INSERT INTO " + table + " VALUES (" + std::to_string(id) + ", " + std::to_string(i % 1000) +
                     ", " + std::to_string(i % 977) + ", 'row " + std::to_string(i) + "', 0)");
    }
    if (batch > 0 && rows > 0) writer.CommitBatch();
    writer.Sync();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s%s: %d rows in %.2f s, %.0f rows/s, file %.1f MiB\n", mode.c_str(), batch > 0 ? (", batches of " + std::to_string(batch)).c_str() : "", rows, seconds, rows / seconds,
                static_cast<double>(fs::file_size(file)) / (1 << 20));
  } catch (const jet::Error& e) {
    std::fprintf(stderr, "error %d: %s\n", e.Number(), e.Description().c_str());
    status = 1;
  }
  fs::remove_all(dir);
  return status;
}
