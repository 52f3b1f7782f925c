// A whole program with every hook wired to its command, the jobs' questions
// answered by the scripted prompter on the window's thread, and a way to let
// the window's thread run until the commands have ended.
#pragma once

#include <QTest>
#include <memory>

#include "app/commands.h"
#include "jobs/window_dialogs.h"
#include "program_fixture.h"

namespace testsupport {

struct WiredProgram {
  ProgramRun run;
  jobs::PrompterDialogs dialogs{run.prompter};
  std::unique_ptr<app::Commands> commands;  // ended before the windows

  void Create() {
    run.Create();
    commands = std::make_unique<app::Commands>(*run.program, dialogs);
  }
  // Lets the window's thread work until no command runs; false on time-out.
  bool WaitForCommands(int milliseconds = 120000) {
    return QTest::qWaitFor([this] { return !commands->Running(); }, milliseconds);
  }
};

}  // namespace testsupport
