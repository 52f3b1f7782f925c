// The program's two windows and how they take turns. The setup dialog is the
// start-up window; "OK" shows the main window (loading it the first time) and
// hides the dialog, the main window's setup button does the reverse, and
// closing either window ends the run.
#pragma once

#include "app/form1.h"
#include "app/form2.h"
#include "settings/connection_settings.h"

#include <functional>

namespace ui {
class Prompter;
}

namespace app {

class Program {
 public:
  // `quit` ends the run (the event loop's quit in the real program).
  Program(ui::Prompter& prompter, std::function<void()> quit);

  // Loads the setup dialog, which shows one of the two windows.
  void Start() { form1_.Load(); }

  settings::ConnectionSettings& Settings() { return settings_; }
  Form1& SetupDialog() { return form1_; }
  Form2& MainWindow() { return form2_; }

 private:
  settings::ConnectionSettings settings_;
  Form1 form1_;
  Form2 form2_;
};

}  // namespace app
