#include "transfer/transfer_commands.h"

#include "app/form2.h"

namespace transfer {

TransferCommands::TransferCommands(app::Form2& window, app::Prompter& prompter,
                                   const settings::ConnectionSettings& settings, mysql::MySqlConnection& mySql)
    : progress_(&window),
      toMySql_({window.List1(), window.List3(), window, prompter, progress_, settings, mySql}),
      toAccess_({window.List1(), window.List3(), window, prompter, progress_, settings, mySql}) {}

}  // namespace transfer
