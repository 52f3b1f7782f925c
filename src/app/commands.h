// The program's wiring: which module procedure each window hook runs.
#pragma once

namespace ui {
class Prompter;
}

namespace app {

class Program;

// Connects every hook of both windows to its command; call it before Start().
void ConnectCommands(Program& program, ui::Prompter& prompter);

}  // namespace app
