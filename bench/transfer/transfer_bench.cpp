// Both transfer directions for a table of 100,000 rows x 5 columns, through
// the real commands (scripted answers, no dialogs), with rows per second and
// the process's peak memory beside the table's text size. One phase per run,
// so each peak is its own:
//   transfer_bench to-access DATABASE MDB   MySQL table `bench` -> Access file
//   transfer_bench to-mysql  DATABASE MDB   Access table `bench` -> MySQL `bench`
// run.sh prepares the data, runs both and the plain mariadb client's ceiling.
#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "ui/mouse_pointer.h"
#include "ui/progress.h"
#include "ui/scripted_prompter.h"
#include "ui/table_list.h"
#include "settings/connection_settings.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

long PeakKib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

long CurrentKib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

struct Window : ui::PointerHost {
  void SetMousePointer(int) override {}
  int MousePointer() const override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: transfer_bench to-access|to-mysql DATABASE MDB\n";
    return 2;
  }
  QApplication application(argc, argv);
  std::string phase = argv[1];
  settings::ConnectionSettings settings;
  settings.SetServer(QString::fromStdString(Env("TABLORIA_TEST_MYSQL_HOST") + ":" + Env("TABLORIA_TEST_MYSQL_PORT")));
  settings.SetUser(QString::fromStdString(Env("TABLORIA_TEST_MYSQL_USER")));
  settings.SetPassword(QString::fromStdString(Env("TABLORIA_TEST_MYSQL_PASSWORD")));
  settings.SetDatabase(QString::fromStdString(argv[2]));
  settings.SetAccessMDBFile(QString::fromLocal8Bit(argv[3]));
  ui::ScriptedPrompter prompter;
  ui::QuietProgress progress;
  Window window;
  ui::TableList list1, list3;
  transfer::CommandEnvironment env{list1, list3, window, prompter, progress, settings};
  const QString table = QStringLiteral("bench");

  long baseline = CurrentKib();
  auto start = std::chrono::steady_clock::now();
  if (phase == "to-access") {
    list3.AddItem(table);
    list3.SetListIndex(0);
    transfer::SendTableToAccess(env).Run();
  } else {
    list1.AddItem(table);
    list1.SetListIndex(0);
    transfer::SendTableToMySql(env).Run();
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const QString& shown : prompter.ShownTexts()) std::cerr << "shown: " << shown.toStdString() << "\n";
  std::cout << phase << " seconds=" << seconds << " peak_kib=" << PeakKib() << " baseline_kib=" << baseline << "\n";
  return prompter.ShownTexts().isEmpty() ? 0 : 1;
}
