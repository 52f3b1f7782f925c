// How fast the data-access layer reads a whole MySQL table, and what it costs
// in memory: 100,000 rows of 5 text columns, read through Recordset with every
// value touched. Runs against the server named by TABLORIA_TEST_MYSQL_* (start
// one with scripts/lib/mariadb.sh) in a database of its own, dropped at the end.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "dataaccess/connection.h"
#include "dataaccess/error.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Peak resident memory of this process so far, in KiB.
long PeakKib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  if (Env("TABLORIA_TEST_MYSQL_PORT").empty()) {
    std::cerr << "Set TABLORIA_TEST_MYSQL_HOST, _PORT, _USER and _PASSWORD (a server started by "
                 "scripts/lib/mariadb.sh).\n";
    return 2;
  }
  std::string password = Env("TABLORIA_TEST_MYSQL_PASSWORD");
  std::string braced;
  for (char c : password) braced += c == '}' ? std::string("}}") : std::string(1, c);
  std::string database = "tabloria_bench_" + std::to_string(getpid());
  std::string base = "DRIVER={MySQL ODBC 3.51 Driver};SERVER=" + Env("TABLORIA_TEST_MYSQL_HOST") + ":" +
                     Env("TABLORIA_TEST_MYSQL_PORT") + ";USER=" + Env("TABLORIA_TEST_MYSQL_USER") +
                     ";PASSWORD={" + braced + "};";
  try {
    dataaccess::Connection admin;
    admin.Open(base);
    admin.Execute("CREATE DATABASE `" + database + "` CHARACTER SET utf8mb4");
    admin.Execute("USE `" + database + "`");
    admin.Execute("CREATE TABLE `" + database + "`.t (a varchar(40), b varchar(40), c varchar(40), "
                  "d varchar(40), e varchar(40))");
    admin.Execute("INSERT INTO `" + database + "`.t SELECT CONCAT('alpha ', seq), CONCAT('bravo ', seq), "
                  "CONCAT('charlie ', seq), CONCAT('delta delta ', seq), CONCAT('echo ', seq * 7) "
                  "FROM seq_1_to_" + std::to_string(rows));
    dataaccess::Recordset size = admin.Execute(
        "SELECT SUM(LENGTH(a) + LENGTH(b) + LENGTH(c) + LENGTH(d) + LENGTH(e)) FROM `" + database + "`.t");
    const auto& total = std::get<dataaccess::Decimal>(size.Field(0).Value());

    dataaccess::Connection connection;
    connection.SetCursorLocation(dataaccess::kUseClient);
    connection.Open(base + "DATABASE=" + database + ";");
    long before = PeakKib();
    auto start = std::chrono::steady_clock::now();
    dataaccess::Recordset table = connection.Execute("SELECT * FROM t");
    std::int64_t count = table.RecordCount();
    std::size_t bytes = 0;
    while (!table.Eof()) {
      for (int i = 0; i < table.FieldCount(); ++i) bytes += std::get<std::string>(table.Field(i).Value()).size();
      table.MoveNext();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long after = PeakKib();
    table.Close();
    admin.Execute("DROP DATABASE `" + database + "`");

    std::cout << "rows: " << count << " (" << bytes << " bytes of text; the server counts " << total.digits
              << ")\n"
              << "read: " << seconds << " s, " << static_cast<long>(count / seconds) << " rows/s\n"
              << "peak memory: " << after << " KiB (" << (after - before) << " KiB more than before the read, "
              << static_cast<double>(after - before) * 1024 / static_cast<double>(bytes) << " x the text size)\n";
  } catch (const dataaccess::DbError& error) {
    std::cerr << error.Number() << " " << error.Description() << "\n";
    return 1;
  }
}
