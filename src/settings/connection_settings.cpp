#include "settings/connection_settings.h"

#include "settings/settings_store.h"

namespace settings {

QString ConnectionSettings::Key(Field field) {
  switch (field) {
    case Field::Server: return QStringLiteral("Server");
    case Field::User: return QStringLiteral("User");
    case Field::Password: return QStringLiteral("Password");
    case Field::Database: return QStringLiteral("Database");
    case Field::AccessMDBFile: return QStringLiteral("AccessMDBFile");
    case Field::AccessPassword: return QStringLiteral("AccessPassword");
  }
  return QString();
}

void ConnectionSettings::Load() {
  for (int i = 0; i < kFieldCount; ++i) values_[i] = ReadSetting(Key(static_cast<Field>(i)));
  keepColumnTypes_ = ReadSetting(kKeepColumnTypesKey) == QLatin1String("1");
}

void ConnectionSettings::SetKeepColumnTypes(bool keep) {
  keepColumnTypes_ = keep;
  WriteSetting(kKeepColumnTypesKey, keep ? QStringLiteral("1") : QStringLiteral("0"));
}

void ConnectionSettings::Set(Field field, const QString& text) {
  values_[Index(field)] = text;
  WriteSetting(Key(field), text);
}

bool ConnectionSettings::IsComplete() const {
  for (Field field : {Field::Server, Field::User, Field::Password, Field::Database,
                      Field::AccessMDBFile}) {
    if (Get(field).isEmpty()) return false;
  }
  return true;
}

}  // namespace settings
