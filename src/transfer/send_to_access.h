// "Send Table to Access" (Check4): the MySQL table selected in List3 is read
// whole into memory (ReadMySqlTable's steps: "describe " for the names, one
// SELECT of every column for the rows, widths measured as they arrive), then
// created in the Access file, every column char(n) (memo where Jet cannot
// hold it), and filled with one INSERT per row in the order read: NULL as
// NULL, every other value quoted, the empty text as ''.
//
// Every failure ends the run with one message naming what failed and the
// database's description; the pointer then returns to the arrow. Access
// List1 shows the name afterwards exactly when the table exists. Changes to
// the file are synced once, when the command ends.
#pragma once

#include <QString>

#include "transfer/command_support.h"

namespace transfer {

class SendTableToAccess {
 public:
  explicit SendTableToAccess(CommandEnvironment environment) : env_(environment) {}

  // The command; does nothing while a send is already running.
  void Run();

 private:
  void Send();

  CommandEnvironment env_;
  bool running_ = false;
};

}  // namespace transfer
