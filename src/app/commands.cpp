// One block per hook, in the order the windows list them.
#include "app/commands.h"

#include "access/access_catalogue.h"
#include "access/access_files.h"
#include "app/program.h"
#include "maintenance/delete_table.h"
#include "maintenance/rename_table.h"
#include "mysql/connection_test.h"
#include "mysql/mysql_connection.h"
#include "mysql/mysql_table_list.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"
#include "ui/message_tap.h"
#include "ui/table_list.h"

#include <QtGlobal>

namespace app {

namespace {

using Context = jobs::JobRunner::Context;
using Show = jobs::JobRunner::Show;
using settings::ConnectionSettings;

// A window command's line in the history. A history that cannot be written
// is no reason to stop the user with a box; it is told on standard error.
void RecordFromWindow(std::optional<history::Entry> entry, const ui::MessageTap& shown,
                      const ConnectionSettings& values) {
  if (!entry) return;
  entry->from = "window";
  history::Complete(*entry, shown.FirstMessage().toStdString(), values.AccessMDBFile().toStdString(),
                    values.Database().toStdString(), values.Server().toStdString());
  if (std::optional<std::string> failure = history::Append(*entry))
    qWarning("Tabloria could not add to its history: %s", failure->c_str());
}

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
  auto sendEnvironment = [list1, list3](Context& job, ui::Prompter& prompter, const ConnectionSettings& values) {
    return transfer::CommandEnvironment{job.Linked(*list1), job.Linked(*list3), job.Pointer(),
                                        prompter,           job.Progress(),     values};
  };

  // Setup dialog.
  QObject::connect(&setupJobs_, &jobs::JobRunner::runningChanged, form1, &Form1::ShowTesting);
  form1->hooks.testConnection = [this, form1, settings] {
    setupJobs_.Start(*form1, Show::kNothing, [values = *settings](Context& job) {
      mysql::TestMySqlConnection(values, job.Pointer(), job.Prompter());
    });
  };

  // On the main window's runner, so that the main window's load, which may
  // follow at once, finds the file made.
  form1->hooks.createAccessDatabase = [main, form1, settings](const QString& path) {
    main->Start(*form1, Show::kNothing, [path, values = *settings](Context& job) {
      ui::MessageTap shown(job.Prompter());
      RecordFromWindow(msaccess::NewAccessDatabase(path, shown), shown, values);
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
  // Each records what it did in the history.
  form2->hooks.sendTableToMySql = [=] {
    onMainWindow(Show::kProgress, [=](Context& job, const ConnectionSettings& values) {
      ui::MessageTap shown(job.Prompter());
      RecordFromWindow(transfer::SendTableToMySql(sendEnvironment(job, shown, values)).Run(), shown, values);
    });
  };
  form2->hooks.sendTableToAccess = [=] {
    onMainWindow(Show::kProgress, [=](Context& job, const ConnectionSettings& values) {
      ui::MessageTap shown(job.Prompter());
      std::optional<history::Entry> entry;
      {
        transfer::SendTableToAccess send(sendEnvironment(job, shown, values));
        entry = send.Run();
      }  // its end saves the file, which may fail and say so
      RecordFromWindow(entry, shown, values);
    });
  };
  form2->hooks.deleteAccessTable = [=] {
    onMainWindow(Show::kProgress, [list1](Context& job, const ConnectionSettings& values) {
      ui::MessageTap shown(job.Prompter());
      RecordFromWindow(maintenance::DeleteSelectedAccessTable(values, job.Linked(*list1), job.Pointer(), shown,
                                                              job.Progress()),
                       shown, values);
    });
  };
  form2->hooks.deleteMySqlTable = [=] {
    onMainWindow(Show::kProgress, [list3](Context& job, const ConnectionSettings& values) {
      ui::MessageTap shown(job.Prompter());
      RecordFromWindow(
          maintenance::DeleteSelectedMySqlTable(values, job.Linked(*list3), job.Pointer(), shown, job.Progress()),
          shown, values);
    });
  };
  form2->hooks.renameAccessTable = [=] {
    onMainWindow(Show::kProgress, [list1](Context& job, const ConnectionSettings& values) {
      ui::MessageTap shown(job.Prompter());
      RecordFromWindow(maintenance::RenameSelectedAccessTable(values, job.Linked(*list1), job.Pointer(), shown,
                                                              job.Progress()),
                       shown, values);
    });
  };
  form2->hooks.renameMySqlTable = [=] {
    onMainWindow(Show::kProgress, [list3](Context& job, const ConnectionSettings& values) {
      ui::MessageTap shown(job.Prompter());
      mysql::MySqlConnection mySql;
      RecordFromWindow(maintenance::RenameSelectedMySqlTable(values, mySql, job.Linked(*list3), job.Pointer(), shown,
                                                             job.Progress()),
                       shown, values);
    });
  };
}

}  // namespace app
