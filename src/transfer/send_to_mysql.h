// "Send Table to MySQL" (Check3): the Access table selected in List1 is
// created afresh in MySQL, every column char(n) sized by its longest value
// text (longtext where MySQL cannot hold the char column), and filled with
// one INSERT per row in the row source's order.
//
// The Access connection and the row source are members that outlive a run:
// each run replaces them, and after a declined overwrite the row source
// stays open. Every failure ends the run with one message naming what failed
// and the database's description; the pointer then returns to the arrow.
// MySQL List3 shows the name afterwards exactly when the table exists.
//
// A table holding fields the program cannot read (attachments, multi-valued
// or calculated fields, ...) is sent without them only when the user, told
// which fields those are, agrees; otherwise nothing is sent.
#pragma once

#include <QString>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"
#include "transfer/command_support.h"

namespace transfer {

class SendTableToMySql {
 public:
  explicit SendTableToMySql(CommandEnvironment environment) : env_(environment) {}

  // The command; does nothing while a send is already running.
  void Run();

  // SELECT * FROM [the entry of List1 at its ListIndex]; the fields of the
  // row source in place of * when some are left out.
  QString GetTableSQLString() const;
  // The row source's record count.
  double GetRecordCount() const;
  // Each column's longest CellText in UTF-16 code units (10 when it has
  // none); closes the row source and opens it again on its first row.
  void MeasureColumnWidths();
  const std::vector<std::size_t>& ColumnWidths() const { return columnWidths_; }

  const dataaccess::Connection* AccessConnection() const { return accessConnection_.get(); }
  const dataaccess::Recordset* RowSource() const { return rowSource_.get(); }

 private:
  void Send();
  void OpenRowSource();
  // Decides the fields of the row source; false when the send must stop
  // (the user declined to leave fields out, or none can be read).
  bool ChooseFields(const QString& name);
  void SendRows(const QString& name);

  CommandEnvironment env_;
  bool running_ = false;
  std::unique_ptr<dataaccess::Connection> accessConnection_;
  std::unique_ptr<dataaccess::Recordset> rowSource_;
  std::vector<std::size_t> columnWidths_;
  std::vector<std::string> fields_;  // empty: every field
};

}  // namespace transfer
