// The program's wiring: which module procedure each window hook runs.
#pragma once

namespace app {

class Program;
class Prompter;

// Connects every hook of both windows to its command; call it before Start().
void ConnectCommands(Program& program, Prompter& prompter);

}  // namespace app
