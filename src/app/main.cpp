// Program entry: a command on the command line, or the Qt application, the
// real dialogs, the two windows and the runners of their commands.
#include "app/commands.h"
#include "app/program.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "jobs/window_dialogs.h"
#include "ui/qt_prompter.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (cli::WantsCommandLine(words)) {
    QCoreApplication application(argc, argv);
    return cli::Run(words);
  }
  QApplication application(argc, argv);
  // The run ends only when a window is closed: a message box closed while
  // both windows are hidden must not end it.
  QApplication::setQuitOnLastWindowClosed(false);

  ui::QtPrompter prompter;
  jobs::QtDialogs dialogs;
  app::Program program(prompter, [] { QCoreApplication::quit(); });
  // Made after the windows and so ended before them: a job still running
  // is cancelled first.
  app::Commands commands(program, dialogs);
  program.Start();
  return application.exec();
}
