#include "settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace settings {

namespace {

const QString kApplication = QStringLiteral("Quenmark");
const QString kSection = QStringLiteral("Tabloria");
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// QSettings replaces the file through a temporary copy that takes over the
// old file's mode, so a file created 0600 stays 0600; the chmod afterwards
// covers a file someone else created.
void CreateOwnerOnly(const QString& path) {
  if (QFileInfo::exists(path)) return;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  file.open(QIODevice::WriteOnly, kOwnerOnly);
}

}  // namespace

QString SettingsFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
         kApplication + QStringLiteral(".conf");
}

QString ReadSetting(const QString& key) {
  const QString path = SettingsFilePath();
  if (!QFileInfo::exists(path)) return QString();
  QSettings store(path, QSettings::IniFormat);
  store.beginGroup(kSection);
  return store.value(key, QString()).toString();
}

void WriteSetting(const QString& key, const QString& text) {
  const QString path = SettingsFilePath();
  CreateOwnerOnly(path);
  {
    QSettings store(path, QSettings::IniFormat);
    store.beginGroup(kSection);
    store.setValue(key, text);
    store.endGroup();
    store.sync();
  }
  QFile::setPermissions(path, kOwnerOnly);
}

}  // namespace settings
