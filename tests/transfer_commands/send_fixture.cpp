#include <algorithm>
#include "send_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstdlib>

#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"
#include "access/access_catalogue.h"
#include "access/access_connection.h"
#include "access/access_files.h"
#include "transfer/cell_text.h"

namespace transfertest {

std::filesystem::path FixtureDir() {
  const char* dir = std::getenv("TABLORIA_FIXTURES");
  return dir ? dir : "/work/shared/fixtures/mdb";
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void SendTest::SetUp() {
  server_ = testing_mysql::FromEnvironment();
  if (!server_) GTEST_SKIP() << "No test MariaDB: TABLORIA_TEST_MYSQL_* are not set (scripts/test sets them).";
  db_ = std::make_unique<testing_mysql::ScratchDatabase>(*server_);
  settings_.SetServer(QString::fromStdString(server_->host + ":" + server_->port));
  settings_.SetUser(QString::fromStdString(server_->user));
  settings_.SetPassword(QString::fromStdString(server_->password));
  settings_.SetDatabase(QString::fromStdString(db_->Name()));
  UseFixture("testV2000.mdb");
}

void SendTest::TearDown() { EXPECT_TRUE(prompter_.AllAnswersUsed()); }

void SendTest::Select(ui::TableList& list, const QString& name) {
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.List(i) == name) {
      list.SetListIndex(i);
      return;
    }
  }
  list.AddItem(name);
  Select(list, name);
}

Rows SendTest::MySqlRows(const std::string& table) const {
  auto connection = db_->Connect();
  dataaccess::Recordset rows = connection->Execute("SELECT * FROM `" + table + "`");
  Rows result;
  for (; !rows.Eof(); rows.MoveNext()) {
    std::vector<Cell> row;
    for (int j = 0; j < rows.FieldCount(); ++j) {
      const auto& v = rows.Field(j).Value();
      row.push_back(dataaccess::IsNull(v) ? Cell() : Cell(transfer::CellText(v)));
    }
    result.push_back(row);
  }
  return result;
}

std::vector<std::pair<std::string, std::string>> SendTest::MySqlColumnTypes(const std::string& table) const {
  auto connection = db_->Connect();
  dataaccess::Recordset rows = connection->Execute(
      "SELECT COLUMN_NAME, COLUMN_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
      "AND TABLE_NAME = '" + table + "' ORDER BY ORDINAL_POSITION");
  std::vector<std::pair<std::string, std::string>> types;
  for (; !rows.Eof(); rows.MoveNext())
    types.emplace_back(transfer::CellText(rows.Field(0).Value()), transfer::CellText(rows.Field(1).Value()));
  return types;
}

void SendTest::UseFixture(const std::string& fixture, const std::string& password) {
  const std::filesystem::path source =
      fixture.find('/') == std::string::npos ? FixtureDir() / fixture : FixtureDir().parent_path() / fixture;
  mdb_ = std::filesystem::path(dir_.path().toStdString()) / source.filename();
  std::filesystem::copy_file(source, mdb_, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(mdb_, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  password_ = password;
  settings_.SetAccessMDBFile(QString::fromStdString(mdb_.string()));
  settings_.SetAccessPassword(QString::fromStdString(password));
}

void SendTest::UseNewFile(const std::string& name) {
  mdb_ = std::filesystem::path(dir_.path().toStdString()) / name;
  msaccess::CreateAccessDatabase(QString::fromStdString(mdb_.string()));
  password_.clear();
  settings_.SetAccessMDBFile(QString::fromStdString(mdb_.string()));
  settings_.SetAccessPassword(QString());
}

void SendTest::RunAccess(const std::string& statement) const {
  msaccess::ExecuteAccessStatement(settings_, QString::fromStdString(statement));
}

Rows SendTest::AccessRows(const std::string& table) const {
  auto connection = msaccess::OpenAccessConnection(settings_);
  dataaccess::Recordset rows = connection->Execute("SELECT * FROM [" + table + "]");
  Rows result;
  for (; !rows.Eof(); rows.MoveNext()) {
    std::vector<Cell> row;
    for (int j = 0; j < rows.FieldCount(); ++j) {
      const auto& v = rows.Field(j).Value();
      row.push_back(dataaccess::IsNull(v) ? Cell() : Cell(transfer::CellText(v)));
    }
    result.push_back(row);
  }
  return result;
}

std::vector<std::string> SendTest::AccessColumnNames(const std::string& table) const {
  auto connection = msaccess::OpenAccessConnection(settings_);
  dataaccess::Recordset rows = connection->Execute("SELECT * FROM [" + table + "]");
  std::vector<std::string> names;
  for (int j = 0; j < rows.FieldCount(); ++j) names.push_back(rows.Field(j).Name());
  return names;
}

std::vector<std::string> SendTest::AccessTables() const { return FixtureUserTables(mdb_, password_); }

std::vector<std::string> FixtureUserTables(const std::filesystem::path& file, const std::string& password) {
  settings::ConnectionSettings s;
  s.SetAccessPassword(QString::fromStdString(password));
  auto names = msaccess::GetAccessTableNames(QString::fromStdString(file.string()), s);
  std::vector<std::string> result;
  if (names)
    for (const QString& n : *names) result.push_back(n.toStdString());
  return result;
}

namespace {

QByteArray RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  process.waitForFinished(120000);
  return process.readAllStandardOutput();
}

Cell JsonCell(const QJsonValue& v) {
  if (v.isNull() || v.isUndefined()) return std::nullopt;
  if (v.isString()) return v.toString().toStdString();
  return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact)).mid(1).chopped(1).toStdString();
}

}  // namespace

Rows SendTest::MdbJsonRows(const std::string& table) const {
  QByteArray out = RunTool(QStringLiteral("mdb-json"), {QString::fromStdString(mdb_.string()), QString::fromStdString(table)});
  QList<QByteArray> lines = out.split('\n');
  std::vector<std::string> columns = AccessColumnNames(table);
  Rows result;
  for (const QByteArray& line : lines) {
    if (line.trimmed().isEmpty()) continue;
    QJsonObject object = QJsonDocument::fromJson(line).object();
    std::vector<Cell> row;
    for (const std::string& c : columns) row.push_back(JsonCell(object.value(QString::fromStdString(c))));
    result.push_back(row);
  }
  return result;
}

std::vector<std::string> SendTest::MdbSchemaKeys(const std::string& table) const {
  QByteArray out = RunTool(QStringLiteral("mdb-schema"), {QStringLiteral("--indexes"), QStringLiteral("--no-relations"),
                                                          QStringLiteral("-T"), QString::fromStdString(table),
                                                          QString::fromStdString(mdb_.string()), QStringLiteral("mysql")});
  std::vector<std::string> keys;
  for (const QByteArray& line : out.split('\n'))
    if (line.startsWith("ALTER TABLE")) keys.push_back(line.toStdString());
  std::sort(keys.begin(), keys.end());
  return keys;
}

std::optional<Rows> SendTest::MdbReaderRows(const std::string& table) const {
  const char* reader = std::getenv("TABLORIA_MDB_READER");
  if (!reader) return std::nullopt;
  QByteArray out = RunTool(QStringLiteral("node"), {QStringLiteral(TABLORIA_SOURCE_DIR "/tests/oracles/read.mjs"),
                                                    QString::fromStdString(mdb_.string()),
                                                    QString::fromStdString(password_), QString::fromStdString(table)});
  QJsonDocument document = QJsonDocument::fromJson(out);
  if (!document.isObject()) ADD_FAILURE() << "mdb-reader gave no answer for " << table;
  QJsonArray rows = document.object().value(QStringLiteral("rows")).toArray();
  Rows result;
  for (const QJsonValue& r : rows) {
    std::vector<Cell> row;
    for (const QJsonValue& v : r.toArray()) row.push_back(JsonCell(v));
    result.push_back(row);
  }
  return result;
}

std::vector<std::string> EveryFixture(bool withAccess97) {
  std::vector<std::string> names;
  for (const std::string prefix : {"", "accdb/", "mdb97/"}) {
    if (prefix == "mdb97/" && !withAccess97) break;
    const std::filesystem::path folder = prefix.empty() ? FixtureDir() : FixtureDir().parent_path() / prefix;
    const std::size_t first = names.size();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const auto extension = entry.path().extension();
      if (extension == ".mdb" || extension == ".accdb") names.push_back(prefix + entry.path().filename().string());
    }
    std::sort(names.begin() + first, names.end());
  }
  return names;
}

}  // namespace transfertest
