// The texts the MySQL side shows when something goes wrong, and the support
// address they name.
#pragma once

#include <QString>

#include "dataaccess/error.h"

namespace mysql {

inline const QString kSupportAddress = QStringLiteral("support@quenmark.example");

// The report that follows "What happened?: " for a statement the server refused.
QString UnforeseenErrorReport(const dataaccess::DbError& error);

// Any other failure: its number and the database's description.
QString FailureMessage(const dataaccess::DbError& error);

}  // namespace mysql
