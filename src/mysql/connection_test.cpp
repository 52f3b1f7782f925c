// The connection test.
#include "mysql/connection_test.h"

#include "ui/mouse_pointer.h"
#include "ui/prompter.h"
#include "dataaccess/connection.h"
#include "dataaccess/error.h"
#include "mysql/messages.h"
#include "mysql/mysql_connection.h"
#include "settings/connection_settings.h"

namespace mysql {

void TestMySqlConnection(const settings::ConnectionSettings& settings, ui::PointerHost& window,
                         ui::Prompter& prompter) {
  ui::ArrowOnExit arrow(window);
  arrow.SetHourglass();
  try {
    dataaccess::Connection test;
    test.SetConnectionString(BuildMySqlConnectionString(settings, KeyOrder::kProbe).toStdString());
    test.Open();
    test.Close();
    prompter.ShowMessage(QStringLiteral("Connection successful."));
  } catch (const dataaccess::DbError& error) {
    if (error.Number() == dataaccess::kConnectFailed) {
      prompter.ShowMessage(QStringLiteral("Could not connect. Please check server, username, password, "
                                          "database with your administrator. Also, you can email me at ") +
                           kSupportAddress + QLatin1Char('.'));
    } else {
      prompter.ShowMessage(FailureMessage(error));
    }
  }
}

}  // namespace mysql
