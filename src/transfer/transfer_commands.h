// The two send commands of the main window with the progress dialog they
// share, made once for the window and kept as long as it lives.
#pragma once

#include "transfer/qt_progress.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"

namespace app {
class Form2;
}

namespace transfer {

class TransferCommands {
 public:
  TransferCommands(app::Form2& window, app::Prompter& prompter, const settings::ConnectionSettings& settings,
                   mysql::MySqlConnection& mySql);

  SendTableToMySql& ToMySql() { return toMySql_; }
  SendTableToAccess& ToAccess() { return toAccess_; }

 private:
  QtProgress progress_;
  SendTableToMySql toMySql_;
  SendTableToAccess toAccess_;
};

}  // namespace transfer
