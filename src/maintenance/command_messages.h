// What the maintenance commands tell the user: the text shown when no table
// is selected, and how a failure is reported (one message naming what failed,
// with the database's number and description); and what they record.
#pragma once

#include <QString>

#include "dataaccess/error.h"
#include "history/history_log.h"

namespace maintenance {

inline const QString kSelectTableMessage = QStringLiteral("Please select a table to insert");

// `what` ("Could not delete the Access table Orders."), then the number and
// description of the failure.
QString FailureReport(const QString& what, const dataaccess::DbError& failure);

// A maintenance command's history entry, from its start to how it ended.
class CommandRecord {
 public:
  CommandRecord(const char* command, const char* side, const QString& table);
  history::Entry& Entry() { return entry_; }
  history::Entry Ended(history::Outcome outcome);
  // Failed, or could not reach the database, as the failure's number says.
  history::Entry Failed(const dataaccess::DbError& failure);

 private:
  history::Entry entry_;
};

}  // namespace maintenance
