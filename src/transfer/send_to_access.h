// "Send Table to Access" (Check4): the MySQL table selected in List3 is read
// twice, streamed row by row so that memory stays flat whatever its size:
// first to measure each column's width ("describe " for the names, one SELECT
// of every column), then, once the table is created in the Access file,
// every column char(n) (memo where Jet cannot hold it), to fill it with one
// INSERT per row in the order read: NULL as NULL, every other value quoted,
// the empty text as ''. Both reads run in one consistent snapshot, so a
// transactional table gives them the same rows.
//
// With "Keep column types" each column takes the Access type that holds the
// MySQL column's values, the keys become indexes, and values go as typed
// literals (transfer/kept_types.h).
//
// Access List1 shows the name afterwards exactly when the table exists.
// The Access file is opened once, at the first step that changes it, and
// held until the command ends, so every change goes to that one file; a file
// moved over its path meanwhile stops the command instead of being written.
// The rows go in batches (kRowsPerBatch rows, or a second's worth), each
// durable when it ends, with the file free for other programs in between;
// the other changes are synced once, when the command ends, and only when
// it changed the file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/connection.h"
#include "mysql/mysql_connection.h"
#include "transfer/kept_types.h"
#include "transfer/read_ahead.h"
#include "transfer/send_job.h"
#include "transfer/statements.h"

namespace transfer {

class SendTableToAccess : public SendJob {
 public:
  // A batch ends after this many rows at the latest, so that the file is
  // let go at a row count callers can rely on. Each batch costs the journal's
  // and the file's syncs; ten thousand short rows hold about a megabyte of
  // pages.
  static constexpr std::int64_t kRowsPerBatch = 10000;

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
  std::int64_t CountTargetRows(const QString& name) override;
  std::vector<std::string> ComparedColumns() const override;
  std::unique_ptr<ComparableRows> ComparisonRows(const QString& name, bool source) override;

 private:
  // A row as the reading thread made it: its INSERT, or the failure that
  // ended the reading.
  struct ReadRow {
    std::string insert;
    std::optional<dataaccess::DbError> unreadable;
    std::size_t Bytes() const { return insert.size(); }
  };

  void CouldNotRead(const QString& name, const dataaccess::DbError& error);
  // Runs a statement on the command's Access file, opening it the first
  // time. Throws DbError.
  void RunOnAccess(const std::string& statement);

  mysql::MySqlConnection mySql_;  // this command's own
  std::unique_ptr<dataaccess::Connection> access_;
  std::vector<std::string> columnNames_;
  std::int64_t rowsRead_ = 0;  // by the measuring read
  std::vector<TargetColumn> columns_;
  KeptAccessTable kept_;  // with kept types: the columns and indexes
  bool wrote_ = false;  // the file needs its sync at the end
  bool writeFailed_ = false;
};

}  // namespace transfer
