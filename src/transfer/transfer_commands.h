// The two send commands of the main window with the progress dialog they
// share, made once for the window and kept as long as it lives.
#pragma once

#include "transfer/qt_progress.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"

class QWidget;

namespace transfer {

class TransferCommands {
 public:
  // `window` carries the two lists and owns the progress dialog.
  TransferCommands(QWidget& window, ui::PointerHost& pointer, ui::TableList& accessList,
                   ui::TableList& mySqlList, ui::Prompter& prompter,
                   const settings::ConnectionSettings& settings, mysql::MySqlConnection& mySql);

  SendTableToMySql& ToMySql() { return toMySql_; }
  SendTableToAccess& ToAccess() { return toAccess_; }

 private:
  QtProgress progress_;
  SendTableToMySql toMySql_;
  SendTableToAccess toAccess_;
};

}  // namespace transfer
