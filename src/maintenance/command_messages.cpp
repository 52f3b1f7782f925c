// Failure texts of the maintenance commands, and their history records.
#include "maintenance/command_messages.h"

namespace maintenance {

QString FailureReport(const QString& what, const dataaccess::DbError& failure) {
  return what + QStringLiteral("\n\n") + QString::number(failure.Number()) + QLatin1Char(' ') +
         QString::fromStdString(failure.Description());
}

CommandRecord::CommandRecord(const char* command, const char* side, const QString& table)
    : entry_(history::Begin(command)) {
  entry_.side = side;
  entry_.table = table.toStdString();
}

history::Entry CommandRecord::Ended(history::Outcome outcome) {
  entry_.outcome = outcome;
  history::End(entry_);
  return entry_;
}

history::Entry CommandRecord::Failed(const dataaccess::DbError& failure) {
  return Ended(failure.Number() == dataaccess::kConnectFailed ? history::Outcome::kNoConnection
                                                              : history::Outcome::kFailed);
}

}  // namespace maintenance
