// Program entry: the Qt application, the real dialogs, the two windows.
#include "app/commands.h"
#include "app/program.h"
#include "ui/qt_prompter.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The run ends only when a window is closed: a message box closed while
  // both windows are hidden (during the main window's load) must not end it.
  QApplication::setQuitOnLastWindowClosed(false);

  ui::QtPrompter prompter;
  app::Program program(prompter, [] { QCoreApplication::quit(); });
  app::ConnectCommands(program, prompter);
  program.Start();
  return application.exec();
}
