// The settings store and the live connection values, each test against its
// own empty configuration folder.
#include "settings/connection_settings.h"
#include "settings/settings_store.h"

#include "config_home.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using settings::ConnectionSettings;
using settings::ReadSetting;
using settings::WriteSetting;
using Field = ConnectionSettings::Field;

mode_t FileMode(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

QString FileText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

TEST(SettingsStore, LivesInTheConfigFolderGivenByXdgConfigHome) {
  testsupport::ScopedConfigHome home;
  EXPECT_EQ(settings::SettingsFilePath(), home.StoreFile());
  WriteSetting("Server", "db.example");
  EXPECT_TRUE(QFileInfo::exists(home.StoreFile()));

  // A second folder, chosen later in the same run, is honoured at once.
  testsupport::ScopedConfigHome other;
  EXPECT_EQ(ReadSetting("Server"), QString());
  WriteSetting("Server", "other");
  EXPECT_EQ(FileText(home.StoreFile()).count("other"), 0);
}

TEST(SettingsStore, EmptyStoreReadsEmptyAndCreatesNothing) {
  testsupport::ScopedConfigHome home;
  for (const char* key : {"Server", "User", "Password", "Database", "AccessMDBFile",
                          "AccessPassword", "NoSuchKey"}) {
    EXPECT_EQ(ReadSetting(key), QString()) << key;
  }
  ConnectionSettings values;
  values.Load();
  EXPECT_FALSE(values.IsComplete());
  EXPECT_FALSE(QFileInfo::exists(home.StoreFile())) << "reading must not create the store";
}

TEST(SettingsStore, ValuesComeBackExactlyAsWritten) {
  testsupport::ScopedConfigHome home;
  const QString values[] = {
      "plain", " leading and trailing ", "   ", "semi;colon=\"quoted\"", "back\\slash",
      "#not a comment", "@Variant(nothing)", "Grüße, 東京", "line\nbreak", "%percent%",
      "C:\\Access\\Nordwind.mdb",
  };
  for (const QString& value : values) {
    WriteSetting("Password", value);
    EXPECT_EQ(ReadSetting("Password"), value);
  }
}

TEST(SettingsStore, EmptyValueIsStoredNotDeleted) {
  testsupport::ScopedConfigHome home;
  WriteSetting("AccessMDBFile", "/data/a.mdb");
  WriteSetting("AccessMDBFile", "");
  EXPECT_EQ(ReadSetting("AccessMDBFile"), QString());
  QSettings raw(home.StoreFile(), QSettings::IniFormat);
  EXPECT_TRUE(raw.contains("Tabloria/AccessMDBFile"));
}

TEST(SettingsStore, ApplicationAndSectionAddressTheFile) {
  testsupport::ScopedConfigHome home;
  WriteSetting("User", "alice");
  WriteSetting("Password", "s3cret");
  QSettings raw(home.StoreFile(), QSettings::IniFormat);
  EXPECT_EQ(raw.childGroups(), QStringList{"Tabloria"});
  EXPECT_EQ(raw.value("Tabloria/User").toString(), "alice");
  EXPECT_TRUE(FileText(home.StoreFile()).contains("Password=s3cret"))
      << "passwords are kept in plain text";
}

TEST(SettingsStore, OwnerOnlyAfterEveryWrite) {
  testsupport::ScopedConfigHome home;
  for (int i = 0; i < 5; ++i) {
    WriteSetting("Password", QString("pw%1").arg(i));
    EXPECT_EQ(FileMode(home.StoreFile()), 0600u) << "after write " << i;
  }
  // A store someone made readable by others is closed again by the next write.
  QFile::setPermissions(home.StoreFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadOther | QFileDevice::ReadGroup);
  WriteSetting("User", "bob");
  EXPECT_EQ(FileMode(home.StoreFile()), 0600u);
}

TEST(SettingsStore, CreatesAMissingConfigFolder) {
  testsupport::ScopedConfigHome home;
  const QString nested = home.Path() + "/not/yet/there";
  qputenv("XDG_CONFIG_HOME", nested.toLocal8Bit());
  WriteSetting("Server", "x");
  EXPECT_EQ(ReadSetting("Server"), "x");
  EXPECT_TRUE(QFileInfo::exists(nested + "/Quenmark.conf"));
}

TEST(ConnectionSettings, EverySetIsWrittenAtOnce) {
  testsupport::ScopedConfigHome home;
  ConnectionSettings values;
  const Field fields[] = {Field::Server, Field::User, Field::Password, Field::Database,
                          Field::AccessMDBFile, Field::AccessPassword};
  for (Field field : fields) {
    const QString text = ConnectionSettings::Key(field) + " value";
    values.Set(field, text);
    EXPECT_EQ(ReadSetting(ConnectionSettings::Key(field)), text);
    EXPECT_EQ(values.Get(field), text);
  }
  EXPECT_EQ(values.Server(), "Server value");
  EXPECT_EQ(values.AccessPassword(), "AccessPassword value");

  ConnectionSettings restarted;
  restarted.Load();
  for (Field field : fields) EXPECT_EQ(restarted.Get(field), values.Get(field));
}

TEST(ConnectionSettings, CompleteWhenTheFiveRequiredValuesAreNonEmpty) {
  struct Case {
    const char* what;
    Field emptied;  // the one field left empty; AccessPassword for "all filled but it"
    bool complete;
  } cases[] = {
      {"Access password empty", Field::AccessPassword, true},
      {"server empty", Field::Server, false},
      {"user empty", Field::User, false},
      {"password empty", Field::Password, false},
      {"database empty", Field::Database, false},
      {"Access file empty", Field::AccessMDBFile, false},
  };
  for (const Case& c : cases) {
    testsupport::ScopedConfigHome home;
    for (int i = 0; i < ConnectionSettings::kFieldCount; ++i) {
      const auto field = static_cast<Field>(i);
      WriteSetting(ConnectionSettings::Key(field), field == c.emptied ? "" : " ");
    }
    ConnectionSettings values;
    values.Load();
    EXPECT_EQ(values.IsComplete(), c.complete) << c.what << " (blanks count as filled)";
  }
}

}  // namespace
