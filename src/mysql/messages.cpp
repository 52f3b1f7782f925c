// Building the MySQL side's failure texts.
#include "mysql/messages.h"

namespace mysql {

QString UnforeseenErrorReport(const dataaccess::DbError& error) {
  return QStringLiteral("This is an error that I had not foreseen when developing this addin. "
                        "Please email me (") +
         kSupportAddress +
         QStringLiteral(") a screen shot of the entire screen and a very short description of "
                        "what you were trying to do.") +
         QStringLiteral("\r\r") + QString::number(error.Number()) + QLatin1Char(' ') +
         QString::fromStdString(error.Description()) + QLatin1Char('\r');
}

QString FailureMessage(const dataaccess::DbError& error) {
  return QString::number(error.Number()) + QLatin1Char(' ') + QString::fromStdString(error.Description());
}

}  // namespace mysql
