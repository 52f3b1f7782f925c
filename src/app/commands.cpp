// One line or block per hook, in the order the windows list them.
#include "app/commands.h"

#include "access/access_catalogue.h"
#include "app/program.h"
#include "maintenance/delete_table.h"
#include "maintenance/rename_table.h"
#include "mysql/connection_test.h"
#include "mysql/mysql_connection.h"
#include "mysql/mysql_table_list.h"
#include "transfer/transfer_commands.h"

#include <memory>

namespace app {

void ConnectCommands(Program& program, ui::Prompter& prompter) {
  settings::ConnectionSettings& settings = program.Settings();
  Form1& form1 = program.SetupDialog();
  Form2& form2 = program.MainWindow();
  mysql::MySqlConnection& shared = mysql::SharedMySqlConnection();

  // Setup dialog.
  form1.hooks.testConnection = [&] { mysql::TestMySqlConnection(settings, form1, prompter); };

  // Main window's load: the Access list first, then the MySQL list.
  form2.hooks.fillAccessTableList = [&] { msaccess::FillAccessTableList(settings, form2.List1(), prompter); };
  form2.hooks.fillMySqlTableList = [&] { mysql::LoadMySqlTableList(shared, settings, form2.List3(), prompter); };

  // Main window's commands. The two sends keep state between runs (the
  // Access row source); the hooks that share them keep them alive.
  auto sends = std::make_shared<transfer::TransferCommands>(form2, form2, form2.List1(), form2.List3(),
                                                                prompter, settings, shared);
  form2.hooks.sendTableToMySql = [sends] { sends->ToMySql().Run(); };
  form2.hooks.sendTableToAccess = [sends] { sends->ToAccess().Run(); };
  form2.hooks.deleteAccessTable = [&] {
    maintenance::DeleteSelectedAccessTable(settings, form2.List1(), form2, prompter);
  };
  form2.hooks.deleteMySqlTable = [&] {
    maintenance::DeleteSelectedMySqlTable(settings, form2.List3(), form2, prompter);
  };
  form2.hooks.renameAccessTable = [&] {
    maintenance::RenameSelectedAccessTable(settings, form2.List1(), form2, prompter);
  };
  form2.hooks.renameMySqlTable = [&] {
    maintenance::RenameSelectedMySqlTable(settings, shared, form2.List3(), form2, prompter);
  };
}

}  // namespace app
