// One block per hook, in the order the windows list them.
#include "app/commands.h"

#include "access/access_catalogue.h"
#include "app/program.h"
#include "maintenance/delete_table.h"
#include "maintenance/rename_table.h"
#include "mysql/connection_test.h"
#include "mysql/mysql_connection.h"
#include "mysql/mysql_table_list.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"
#include "ui/table_list.h"

namespace app {

namespace {

using Context = jobs::JobRunner::Context;
using Show = jobs::JobRunner::Show;
using settings::ConnectionSettings;

}  // namespace

Commands::Commands(Program& program, jobs::WindowDialogs& dialogs)
    : mainWindowJobs_(dialogs, &program.MainWindow()), setupJobs_(dialogs, &program.SetupDialog()) {
  const ConnectionSettings* settings = &program.Settings();
  Form1* form1 = &program.SetupDialog();
  Form2* form2 = &program.MainWindow();
  ui::TableList* list1 = &form2->List1();
  ui::TableList* list3 = &form2->List3();
  jobs::JobRunner* main = &mainWindowJobs_;

  // Runs `command` on the main window's runner with the values of the moment.
  auto onMainWindow = [main, form2, settings](Show show, std::function<void(Context&, const ConnectionSettings&)> command) {
    main->Start(*form2, show, [command = std::move(command), values = *settings](Context& job) { command(job, values); });
  };
  auto sendEnvironment = [list1, list3](Context& job, const ConnectionSettings& values) {
    return transfer::CommandEnvironment{job.Linked(*list1), job.Linked(*list3), job.Pointer(),
                                        job.Prompter(),     job.Progress(),     values};
  };

  // Setup dialog.
  QObject::connect(&setupJobs_, &jobs::JobRunner::runningChanged, form1, &Form1::ShowTesting);
  form1->hooks.testConnection = [this, form1, settings] {
    setupJobs_.Start(*form1, Show::kNothing, [values = *settings](Context& job) {
      mysql::TestMySqlConnection(values, job.Pointer(), job.Prompter());
    });
  };

  QObject::connect(main, &jobs::JobRunner::runningChanged, form2, &Form2::ShowWorking);

  // Main window's load: the hourglass while the Access list, then the MySQL
  // list, fill as their answers come.
  form2->hooks.fillTableLists = [=] {
    onMainWindow(Show::kNothing, [list1, list3](Context& job, const ConnectionSettings& values) {
      ui::ArrowOnExit pointer(job.Pointer());
      pointer.SetHourglass();
      msaccess::FillAccessTableList(values, job.Linked(*list1), job.Prompter());
      mysql::MySqlConnection mySql;
      mysql::LoadMySqlTableList(mySql, values, job.Linked(*list3), job.Prompter());
    });
  };

  // Main window's commands.
  form2->hooks.sendTableToMySql = [=] {
    onMainWindow(Show::kProgress, [=](Context& job, const ConnectionSettings& values) {
      transfer::SendTableToMySql(sendEnvironment(job, values)).Run();
    });
  };
  form2->hooks.sendTableToAccess = [=] {
    onMainWindow(Show::kProgress, [=](Context& job, const ConnectionSettings& values) {
      transfer::SendTableToAccess(sendEnvironment(job, values)).Run();
    });
  };
  form2->hooks.deleteAccessTable = [=] {
    onMainWindow(Show::kProgress, [list1](Context& job, const ConnectionSettings& values) {
      maintenance::DeleteSelectedAccessTable(values, job.Linked(*list1), job.Pointer(), job.Prompter(),
                                             job.Progress());
    });
  };
  form2->hooks.deleteMySqlTable = [=] {
    onMainWindow(Show::kProgress, [list3](Context& job, const ConnectionSettings& values) {
      maintenance::DeleteSelectedMySqlTable(values, job.Linked(*list3), job.Pointer(), job.Prompter(), job.Progress());
    });
  };
  form2->hooks.renameAccessTable = [=] {
    onMainWindow(Show::kProgress, [list1](Context& job, const ConnectionSettings& values) {
      maintenance::RenameSelectedAccessTable(values, job.Linked(*list1), job.Pointer(), job.Prompter(),
                                             job.Progress());
    });
  };
  form2->hooks.renameMySqlTable = [=] {
    onMainWindow(Show::kProgress, [list3](Context& job, const ConnectionSettings& values) {
      mysql::MySqlConnection mySql;
      maintenance::RenameSelectedMySqlTable(values, mySql, job.Linked(*list3), job.Pointer(), job.Prompter(),
                                            job.Progress());
    });
  };
}

}  // namespace app
