#include "cli/settings_overrides.h"

#include <cstdlib>

#include "cli/secrets.h"

namespace cli {
namespace {

using Field = settings::ConnectionSettings::Field;

void OverrideFrom(settings::ConnectionSettings& s, Field field, const char* variable,
                  const std::optional<std::string>& option) {
  if (const char* value = std::getenv(variable)) s.Override(field, QString::fromLocal8Bit(value));
  if (option) s.Override(field, QString::fromLocal8Bit(option->c_str()));
}

void PasswordFrom(settings::ConnectionSettings& s, Field field, const char* variable,
                  const std::optional<std::string>& file) {
  if (const char* value = std::getenv(variable)) s.Override(field, QString::fromLocal8Bit(value));
  if (file) s.Override(field, QString::fromLocal8Bit(ReadPasswordFile(*file).c_str()));
}

}  // namespace

settings::ConnectionSettings ResolveSettings(const Arguments& a) {
  settings::ConnectionSettings s;
  s.Load();
  OverrideFrom(s, Field::Server, "TABLORIA_SERVER", a.server);
  OverrideFrom(s, Field::User, "TABLORIA_USER", a.user);
  OverrideFrom(s, Field::Database, "TABLORIA_DATABASE", a.database);
  OverrideFrom(s, Field::AccessMDBFile, "TABLORIA_MDB", a.mdb);
  PasswordFrom(s, Field::Password, "TABLORIA_MYSQL_PASSWORD", a.mySqlPasswordFile);
  PasswordFrom(s, Field::AccessPassword, "TABLORIA_ACCESS_PASSWORD", a.accessPasswordFile);
  if (a.keepColumnTypes) s.OverrideKeepColumnTypes(*a.keepColumnTypes);
  if (a.askPassword) {
    std::string prompt = "MySQL password for " + s.User().toStdString() + "@" + s.Server().toStdString() + ": ";
    std::optional<std::string> typed = AskPassword(prompt);
    if (!typed) throw SecretError{"--ask-password needs a terminal to ask on"};
    s.Override(Field::Password, QString::fromLocal8Bit(typed->c_str()));
  }
  return s;
}

}  // namespace cli
