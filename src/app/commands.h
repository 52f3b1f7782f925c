// The program's wiring: which command each window hook runs, as a job on a
// worker thread of its own, and the two runners they run on. Each job
// starts with the connection values as they stand at the press.
#pragma once

#include "jobs/job_runner.h"

namespace jobs {
class WindowDialogs;
}

namespace app {

class Program;

class Commands {
 public:
  // Connects every hook of both windows; make it before Start().
  Commands(Program& program, jobs::WindowDialogs& dialogs);

  // True while a job of either window runs.
  bool Running() const { return mainWindowJobs_.Running() || setupJobs_.Running(); }

 private:
  jobs::JobRunner mainWindowJobs_;  // the main window's load and its commands, one at a time
  jobs::JobRunner setupJobs_;       // the setup window's connection test
};

}  // namespace app
