#include "access/access_files.h"

#include <QFileInfo>

#include "dataaccess/error.h"
#include "jet/error.h"
#include "jet/write/consistency_check.h"
#include "jet/write/new_database.h"
#include "ui/prompter.h"

namespace msaccess {

void CreateAccessDatabase(const QString& path) {
  try {
    jet::CreateDatabase(path.toStdString());
  } catch (const jet::Error& failure) {
    throw dataaccess::DbError(failure.Number(), failure.Description());
  }
}

history::Entry NewAccessDatabase(const QString& path, ui::Prompter& prompter) {
  history::Entry entry = history::Begin("new");
  entry.side = "access";
  // The history keeps where the file is, whatever folder it was named from.
  entry.access = QFileInfo(path).absoluteFilePath().toStdString();
  try {
    CreateAccessDatabase(path);
  } catch (const dataaccess::DbError& failure) {
    entry.outcome = history::Outcome::kFailed;
    entry.error = failure.Description();
    prompter.ShowMessage(QStringLiteral("Could not create the Access database ") + path + QStringLiteral(".\n\n") +
                         QString::number(failure.Number()) + QLatin1Char(' ') + QString::fromStdString(failure.Description()));
  }
  history::End(entry);
  return entry;
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
