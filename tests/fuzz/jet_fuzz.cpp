// libFuzzer target: any bytes as an .mdb file. In read mode (the default) it
// is opened, its catalogue listed and every table read; in write mode
// (JET_FUZZ_MODE=write) a CREATE TABLE, an INSERT with a memo long enough
// for a chain of long-value pages, a rename and a DROP run on it, each on
// its own. A jet::Error is the right answer to bad bytes; a crash, a
// sanitizer report, a hang or any other exception is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/write/database_writer.h"

namespace {

void Read(const std::string& path) {
  jet::Database db = jet::Database::Open(path, "");
  for (const auto& entry : db.Tables()) {
    if (entry.IsLinked()) continue;
    jet::Table table = db.OpenTable(entry.name);
    table.RowCount();
    for (auto cursor = table.Rows(); cursor.Next();)
      for (const auto& v : cursor.Values()) jet::ToText(v);
  }
}

void Write(const std::string& path) {
  static const std::string memo(9000, 'm');
  const char* statements[] = {"CREATE TABLE [fuzz] (a text(10), m memo)", nullptr, nullptr, "DROP TABLE [fuzz b]"};
  jet::DatabaseWriter writer = jet::DatabaseWriter::Open(path, "");
  for (int step = 0; step < 4; ++step) {
    try {
      if (step == 1) writer.Execute("INSERT INTO [fuzz] VALUES ('a', '" + memo + "')");
      else if (step == 2) writer.RenameTable("fuzz", "fuzz b");
      else writer.Execute(statements[step]);
    } catch (const jet::Error&) {
    }
  }
  // Whatever was written must still read, or be refused, without a crash.
  Read(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/jet_fuzz." + std::to_string(::getpid()) + ".mdb";
  static const bool write = [] {
    const char* mode = std::getenv("JET_FUZZ_MODE");
    return mode && std::strcmp(mode, "write") == 0;
  }();
  static const bool cleanup = std::atexit([] {
    std::remove(path.c_str());
    std::remove((path + "-journal").c_str());
  }) == 0;
  (void)cleanup;
  std::remove((path + "-journal").c_str());
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  try {
    if (write) Write(path);
    else Read(path);
  } catch (const jet::Error&) {
  }
  return 0;
}
