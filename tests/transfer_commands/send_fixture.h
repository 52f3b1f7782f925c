// What the send commands' tests share: a scratch MySQL database and a
// fixture copy named by the settings, the two lists, a window that records
// its pointer, a scripted prompter and a progress that can cancel, and the
// three readers of an Access table (our engine, mdb-json, mdb-reader).
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/mouse_pointer.h"
#include "ui/scripted_prompter.h"
#include "ui/table_list.h"
#include "config_home.h"
#include "settings/connection_settings.h"
#include "test_server.h"
#include "transfer/command_support.h"
#include "ui/progress.h"

namespace transfertest {

using Cell = std::optional<std::string>;
using Rows = std::vector<std::vector<Cell>>;

// Records what a command reports and cancels its row pass at a chosen row.
class ScriptedProgress : public ui::Progress {
 public:
  std::optional<std::int64_t> cancelAt;  // once this many rows are done in cancelPhase
  QString cancelPhase;                   // the row pass when empty
  std::function<void(std::int64_t done)> duringRowPass;  // what happens outside as the rows go
  std::function<void(std::int64_t read)> duringRead;     // and as the source is read
  std::function<void(const QString& phase)> atPhase;     // what happens outside as a phase begins
  QStringList titles;
  QStringList phases;
  std::int64_t lastDone = -1;
  std::int64_t lastTotal = 0;

  void Title(const QString& title) override { titles << title; }
  bool Phase(const QString& text, ui::CancelMode) override {
    phases << text;
    inRowPass_ = text.isEmpty();
    reading_ = text.startsWith(QStringLiteral("Reading "));
    phase_ = text;
    if (atPhase) atPhase(text);
    return !cancelled_;
  }
  void Rows(std::int64_t done, std::int64_t total) override {
    lastDone = done;
    lastTotal = total;
    if (cancelAt && phase_ == cancelPhase && done >= *cancelAt) cancelled_ = true;
    if (duringRowPass && inRowPass_) duringRowPass(done);
    if (duringRead && reading_) duringRead(done);
  }
  bool Cancelled() const override { return cancelled_; }

 private:
  bool inRowPass_ = false;
  bool reading_ = false;
  QString phase_;
  bool cancelled_ = false;
};

class Window : public ui::PointerHost {
 public:
  void SetMousePointer(int shape) override { pointer = shape; }
  int MousePointer() const override { return pointer; }
  int pointer = ui::kDefaultPointer;
};

class SendTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  transfer::CommandEnvironment Environment() {
    return {list1_, list3_, window_, prompter_, progress_, settings_};
  }
  // Selects `name` in a list, adding it first when it is not there.
  static void Select(ui::TableList& list, const QString& name);

  // MySQL side.
  void RunMySql(const std::string& statement) const { db_->Run(statement); }
  Rows MySqlRows(const std::string& table) const;  // SELECT * in the server's order
  std::vector<std::pair<std::string, std::string>> MySqlColumnTypes(const std::string& table) const;  // name, type

  // Access side: a fixture copy named by the settings. A fixture of the
  // folders beside the Jet 4 one is named with its folder ("accdb/x.accdb").
  void UseFixture(const std::string& fixture, const std::string& password = "");
  // Access side: an empty file made as `tabloria new` makes it (its
  // extension picks the format).
  void UseNewFile(const std::string& name);
  void RunAccess(const std::string& statement) const;
  Rows AccessRows(const std::string& table) const;            // our engine
  std::vector<std::string> AccessColumnNames(const std::string& table) const;
  Rows MdbJsonRows(const std::string& table) const;           // mdbtools
  std::optional<Rows> MdbReaderRows(const std::string& table) const;  // mdb-reader; nullopt when node is missing
  std::vector<std::string> MdbSchemaKeys(const std::string& table) const;  // mdbtools' ALTER TABLE lines, sorted
  std::vector<std::string> AccessTables() const;

  // What the command showed in order, apart from its notes of success.
  QStringList Shown() const { return Texts(false); }
  QStringList Notes() const { return Texts(true); }
  QStringList Texts(bool notes) const {
    QStringList texts;
    for (const ui::ScriptedPrompter::Shown& item : prompter_.ShownItems())
      if ((item.kind == ui::ScriptedPrompter::Kind::Note) == notes) texts << item.text;
    return texts;
  }

  testsupport::ScopedConfigHome configHome_;
  settings::ConnectionSettings settings_;
  ui::ScriptedPrompter prompter_;
  ScriptedProgress progress_;
  Window window_;
  ui::TableList list1_;
  ui::TableList list3_;
  std::optional<testing_mysql::TestServer> server_;
  std::unique_ptr<testing_mysql::ScratchDatabase> db_;
  QTemporaryDir dir_;
  std::filesystem::path mdb_;
  std::string password_;
};

std::filesystem::path FixtureDir();
// Access 2000-2003 files, then Access 2007 and later, then (when asked)
// Access 97 ones, named as UseFixture takes them.
std::vector<std::string> EveryFixture(bool withAccess97 = true);
std::string TrimRight(std::string text);
std::vector<std::string> FixtureUserTables(const std::filesystem::path& file, const std::string& password);

}  // namespace transfertest
