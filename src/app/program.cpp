#include "app/program.h"

namespace app {

Program::Program(ui::Prompter& prompter, std::function<void()> quit)
    : form1_(settings_, prompter), form2_(prompter) {
  form1_.hooks.showMainWindow = [this] { form2_.ShowWindow(); };
  form2_.hooks.showSetupDialog = [this] { form1_.show(); };
  form1_.hooks.closed = quit;
  form2_.hooks.closed = quit;
}

}  // namespace app
