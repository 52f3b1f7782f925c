// Filling the MySQL table list.
#include "mysql/mysql_table_list.h"

#include "ui/prompter.h"
#include "ui/name_list.h"
#include "dataaccess/error.h"
#include "mysql/mysql_connection.h"

namespace mysql {

void FillMySqlTableList(MySqlConnection& shared, const settings::ConnectionSettings& settings,
                        ui::NameList& list) {
  list.Clear();
  OpenMySqlConnection(shared, settings);
  dataaccess::Recordset tables = shared.connection->Execute("SHOW TABLES;");
  std::int64_t count = tables.RecordCount();
  for (std::int64_t row = 0; row < count; ++row) {
    list.AddItem(QString::fromStdString(std::get<std::string>(tables.Field(0).Value())));
    tables.MoveNext();
  }
  tables.Close();
  if (list.ListCount() > 0) list.SetListIndex(0);
}

bool LoadMySqlTableList(MySqlConnection& shared, const settings::ConnectionSettings& settings,
                        ui::NameList& list, ui::Prompter& prompter) {
  try {
    FillMySqlTableList(shared, settings, list);
    return true;
  } catch (const dataaccess::DbError& error) {
    list.Clear();
    prompter.ShowMessage(QStringLiteral("The MySQL tables could not be listed: ") +
                         QString::fromStdString(error.Description()));
    return false;
  }
}

}  // namespace mysql
