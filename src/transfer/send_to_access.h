// "Send Table to Access" (Check4): the MySQL table selected in List3 is read
// whole into memory ("describe " for the names, one SELECT of every column
// for the rows, widths measured as they arrive), then created in the Access
// file, every column char(n) (memo where Jet cannot hold it), and filled
// with one INSERT per row in the order read: NULL as NULL, every other value
// quoted, the empty text as ''.
//
// Access List1 shows the name afterwards exactly when the table exists.
// Changes to the file are synced once, when the command ends, and only when
// it changed the file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mysql/mysql_connection.h"
#include "transfer/send_job.h"
#include "transfer/statements.h"
#include "transfer/table_text.h"

namespace transfer {

class SendTableToAccess : public SendJob {
 public:
  explicit SendTableToAccess(CommandEnvironment environment);
  ~SendTableToAccess() override;

 protected:
  ui::NameList& SourceList() override { return env_.mySqlList; }
  ui::NameList& TargetList() override { return env_.accessList; }
  QString TargetSide() const override { return QStringLiteral("Access"); }
  QString NoSelectionText() const override { return QStringLiteral("Please select a MySQL table"); }

  bool Open(const QString& name) override;
  bool DropTarget(const QString& name) override;
  bool Read(const QString& name) override;
  bool Create(const QString& name) override;
  RowPass SendRows(const QString& name, RefusedRows& refused) override;
  std::optional<bool> TargetExists(const QString& name) override;

 private:
  void CouldNotRead(const QString& name, const dataaccess::DbError& error);

  mysql::MySqlConnection mySql_;  // this command's own
  std::vector<std::string> columnNames_;
  std::optional<TableText> rows_;
  std::vector<TargetColumn> columns_;
  bool wrote_ = false;  // the file needs its sync at the end
};

}  // namespace transfer
