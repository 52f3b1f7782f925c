#include "transfer/command_support.h"

#include "ui/main_module.h"
#include "ui/prompter.h"
#include "ui/name_list.h"
#include "mysql/messages.h"

namespace transfer {

QString FailedText(const QString& what, const dataaccess::DbError& error) {
  return what + QStringLiteral("\r\r") + mysql::FailureMessage(error);
}

void RefusedRows::Refused(const QString& statement, const dataaccess::DbError& error) {
  if (count_++ > 0) return;
  prompter_.ShowMessage(QStringLiteral("What happened?: ") + statement);
  prompter_.ShowMessage(mysql::UnforeseenErrorReport(error));
}

void RefusedRows::Refused(const QString& why) {
  if (count_++ > 0) return;
  prompter_.ShowMessage(why);
}

void RefusedRows::ReportCount(const QString& table, std::int64_t total) const {
  if (count_ == 0) return;
  prompter_.ShowMessage(QStringLiteral("%1 of %2 rows of %3 were refused; the other rows were sent.")
                            .arg(count_)
                            .arg(total)
                            .arg(table));
}

void ShowWhenExists(ui::NameList& list, const QString& name, std::optional<bool> exists) {
  if (!exists) return;
  if (*exists && !ui::ListContains(name, list)) list.AddItem(name);
  if (!*exists) ui::RemoveListItem(list, name);
}

QString CancelledText(std::int64_t done, std::int64_t total) {
  return QStringLiteral("Cancelled after %1 of %2 rows.").arg(done).arg(total);
}

}  // namespace transfer
