// A whole program for a test: its own empty settings folder, a scripted
// prompter, and a count of the times the program asked to end the run.
#pragma once

#include "app/program.h"
#include "ui/scripted_prompter.h"
#include "config_home.h"
#include "settings/settings_store.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

struct ProgramRun {
  ScopedConfigHome home;
  ui::ScriptedPrompter prompter;
  int quits = 0;
  std::unique_ptr<app::Program> program;

  void Create() {
    program = std::make_unique<app::Program>(prompter, [this] { ++quits; });
  }
  void Start() {
    Create();
    program->Start();
  }
  // The five values that let the main window open at once.
  void StoreCompleteSettings() {
    settings::WriteSetting("Server", "db.example");
    settings::WriteSetting("User", "alice");
    settings::WriteSetting("Password", "s3cret");
    settings::WriteSetting("Database", "shop");
    settings::WriteSetting("AccessMDBFile", "/data/shop.mdb");
  }

  app::Form1& form1() { return program->SetupDialog(); }
  app::Form2& form2() { return program->MainWindow(); }

  template <typename Widget = QWidget>
  static Widget* Child(QWidget& form, const char* name) {
    auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget) ADD_FAILURE() << "no control " << name << " on " << form.objectName().toStdString();
    return widget;
  }
};

}  // namespace testsupport
