#include "transfer/transfer_commands.h"

namespace transfer {

TransferCommands::TransferCommands(QWidget& window, ui::PointerHost& pointer, ui::TableList& accessList,
                                   ui::TableList& mySqlList, ui::Prompter& prompter,
                                   const settings::ConnectionSettings& settings, mysql::MySqlConnection& mySql)
    : progress_(&window),
      toMySql_({accessList, mySqlList, pointer, prompter, progress_, settings, mySql}),
      toAccess_({accessList, mySqlList, pointer, prompter, progress_, settings, mySql}) {}

}  // namespace transfer
