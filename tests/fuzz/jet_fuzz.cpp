// libFuzzer target: any bytes as an .mdb file, opened, its catalogue listed
// and every table read. A jet::Error is the right answer to bad bytes; a
// crash, a sanitizer report, a hang or any other exception is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jet/database.h"
#include "jet/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/jet_fuzz." + std::to_string(::getpid()) + ".mdb";
  static const bool cleanup = std::atexit([] { std::remove(path.c_str()); }) == 0;
  (void)cleanup;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  try {
    jet::Database db = jet::Database::Open(path, "");
    for (const auto& entry : db.Tables()) {
      if (entry.IsLinked()) continue;
      jet::Table table = db.OpenTable(entry.name);
      table.RowCount();
      for (auto cursor = table.Rows(); cursor.Next();)
        for (const auto& v : cursor.Values()) jet::ToText(v);
    }
  } catch (const jet::Error&) {
  }
  return 0;
}
