// Failure texts of the maintenance commands.
#include "maintenance/command_messages.h"

namespace maintenance {

QString FailureReport(const QString& what, const dataaccess::DbError& failure) {
  return what + QStringLiteral("\n\n") + QString::number(failure.Number()) + QLatin1Char(' ') +
         QString::fromStdString(failure.Description());
}

}  // namespace maintenance
