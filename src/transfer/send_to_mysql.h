// "Send Table to MySQL" (Check3): the Access table selected in List1 is
// created afresh in MySQL, every column char(n) sized by its longest value
// text (longtext where MySQL cannot hold the char column), and filled with
// the rows in the row source's order, in transactions of kRowsPerCommit rows.
// Each row means one INSERT: where the table keeps transactions, the rows of
// a transaction go together, loaded in bulk from memory (LOAD DATA LOCAL,
// which the server parses far faster), else in one statement (within
// max_allowed_packet). A load that the server does not take whole and
// without warnings is undone and its rows go as that one statement, and a
// statement the server refuses goes again one row at a time, so the same
// rows are refused, with the same messages, as one by one.
//
// The Access connection and its row source belong to the run; during the
// row pass a reading thread of its own reads the rows and builds their
// statements ahead of the ones the server is taking. MySQL List3
// shows the name afterwards exactly when the table exists.
//
// With "Keep column types" the columns are declared from the Access table's
// design and its keys carried over, and values go as typed literals
// (transfer/kept_types.h); nothing is measured.
//
// A table holding fields the program cannot read (attachments, multi-valued
// or calculated fields, ...) is sent without them only when the user, told
// which fields those are, agrees; otherwise nothing is sent.
#pragma once

#include <QString>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "access/access_catalogue.h"
#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"
#include "mysql/mysql_connection.h"
#include "transfer/read_ahead.h"
#include "transfer/send_job.h"

namespace transfer {

class SendTableToMySql : public SendJob {
 public:
  explicit SendTableToMySql(CommandEnvironment environment) : SendJob(environment) {}

  // The row source's record count.
  double GetRecordCount() const;
  // Each column's longest CellText in UTF-16 code units (10 when it has
  // none), in a scan of its own that leaves the row source on its first row
  // and builds no text. False when the user cancelled.
  bool MeasureColumnWidths(const QString& name);

 protected:
  ui::NameList& SourceList() override { return env_.accessList; }
  ui::NameList& TargetList() override { return env_.mySqlList; }
  QString TargetSide() const override { return QStringLiteral("MySQL"); }
  QString NoSelectionText() const override { return QStringLiteral("Please select a table to insert"); }

  bool Open(const QString& name) override;
  bool DropTarget(const QString& name) override;
  bool Read(const QString& name) override;
  bool Create(const QString& name) override;
  RowPass SendRows(const QString& name, RefusedRows& refused) override;
  std::optional<bool> TargetExists(const QString& name) override;
  std::int64_t CountTargetRows(const QString& name) override;
  std::vector<std::string> ComparedColumns() const override;
  std::unique_ptr<ComparableRows> ComparisonRows(const QString& name, bool source) override;

 private:
  // A row as the reading thread made it: its INSERT (and with `lines` its
  // LOAD DATA line), why it cannot go, or the failure that ended the reading.
  struct ReadRow {
    std::string insert;
    std::string line;
    QString unsendable;
    std::optional<dataaccess::DbError> unreadable;
    std::size_t Bytes() const { return insert.size() + line.size(); }
  };
  // Reads the row source's rows, at most `total`, into their INSERTs.
  ReadAhead<ReadRow>::Produce RowReader(const std::string& table, std::int64_t total, bool lines);

  void OpenRowSource(const QString& name);
  void CouldNotRead(const QString& name, const dataaccess::DbError& error);
  // Decides the fields of the row source; false when the send must stop
  // (the user declined to leave fields out, or none can be read).
  bool ChooseFields(const QString& name);

  std::unique_ptr<dataaccess::Connection> accessConnection_;
  std::unique_ptr<dataaccess::Recordset> rowSource_;
  std::vector<std::size_t> columnWidths_;
  std::vector<std::string> fields_;  // empty: every field
  std::vector<msaccess::AccessColumnDesign> design_;  // of the fields sent
  std::vector<msaccess::AccessIndexDesign> keys_;
  mysql::MySqlConnection mySql_;  // this command's own
};

}  // namespace transfer
