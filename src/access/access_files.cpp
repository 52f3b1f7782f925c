#include "access/access_files.h"

#include "dataaccess/error.h"
#include "jet/error.h"
#include "jet/write/consistency_check.h"
#include "jet/write/new_database.h"

namespace msaccess {

void CreateAccessDatabase(const QString& path) {
  try {
    jet::CreateDatabase(path.toStdString());
  } catch (const jet::Error& failure) {
    throw dataaccess::DbError(failure.Number(), failure.Description());
  }
}

QStringList CheckAccessDatabase(const QString& path, const QString& password) {
  try {
    QStringList findings;
    for (const std::string& finding : jet::CheckDatabase(path.toStdString(), password.toStdString()))
      findings << QString::fromStdString(finding);
    return findings;
  } catch (const jet::Error& failure) {
    throw dataaccess::DbError(failure.Number(), failure.Description());
  }
}

}  // namespace msaccess
