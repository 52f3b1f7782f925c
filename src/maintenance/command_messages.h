// What the maintenance commands tell the user: the text shown when no table
// is selected, and how a failure is reported (one message naming what failed,
// with the database's number and description).
#pragma once

#include <QString>

#include "dataaccess/error.h"

namespace maintenance {

inline const QString kSelectTableMessage = QStringLiteral("Please select a table to insert");

// `what` ("Could not delete the Access table Orders."), then the number and
// description of the failure.
QString FailureReport(const QString& what, const dataaccess::DbError& failure);

}  // namespace maintenance
