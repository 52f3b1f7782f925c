#include "transfer/access_target.h"

#include "dataaccess/error.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/write/database_writer.h"
#include "settings/connection_settings.h"

namespace transfer {
namespace {

template <typename Action>
auto AsDbError(Action action) {
  try {
    return action();
  } catch (const jet::Error& error) {
    throw dataaccess::DbError(error.Number(), error.Description());
  }
}

}  // namespace

QString AccessConnectionString(const settings::ConnectionSettings& settings) {
  return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + settings.AccessMDBFile() +
         QStringLiteral(";JET OLEDB:Database Password=") + settings.AccessPassword();
}

void RunAccessStatement(const settings::ConnectionSettings& settings, const QString& statement) {
  AsDbError([&] {
    jet::ExecuteStatement(settings.AccessMDBFile().toStdString(), settings.AccessPassword().toStdString(),
                          statement.toStdString());
  });
}

bool AccessTableExists(const settings::ConnectionSettings& settings, const QString& name) {
  return AsDbError([&] {
    auto database = jet::Database::Open(settings.AccessMDBFile().toStdString(),
                                        settings.AccessPassword().toStdString());
    std::string wanted = name.toStdString();
    for (const jet::CatalogueEntry& entry : database.Tables())
      if (entry.name == wanted) return true;
    return false;
  });
}

void SyncAccessFile(const settings::ConnectionSettings& settings) {
  AsDbError([&] { jet::SyncDatabase(settings.AccessMDBFile().toStdString()); });
}

}  // namespace transfer
