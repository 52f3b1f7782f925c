#include "cli/file_commands.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <iostream>

#include "access/access_files.h"
#include "cli/cli_prompter.h"
#include "cli/record.h"
#include "dataaccess/error.h"

namespace cli {
namespace {

QJsonObject Head(const char* command) { return {{QStringLiteral("command"), QString::fromUtf8(command)}}; }

}  // namespace

int RunNew(const Arguments& a) {
  const std::string& file = a.names.front();
  Report report(a.json, Head("new"));
  CliPrompter prompter;
  history::Entry entry = msaccess::NewAccessDatabase(QString::fromLocal8Bit(file.c_str()), prompter);
  if (entry.outcome == history::Outcome::kSucceeded)
    report.Add(Recorded(entry, "file", file, "created, an empty Access database", kExitSucceeded));
  else
    report.Add(Recorded(entry, "file", file, "not created: " + entry.error, kExitFailed));
  return report.Finish();
}

int RunCheck(const Arguments& a, const settings::ConnectionSettings& settings) {
  const std::string& file = a.names.front();
  Report report(a.json, Head("check"));
  history::Entry entry = history::Begin("check");
  entry.side = "access";
  entry.access = QFileInfo(QString::fromLocal8Bit(file.c_str())).absoluteFilePath().toStdString();
  try {
    QStringList findings = msaccess::CheckAccessDatabase(QString::fromLocal8Bit(file.c_str()), settings.AccessPassword());
    history::End(entry);
    if (findings.isEmpty()) {
      report.Add(Recorded(entry, "file", file, "sound, nothing found", kExitSucceeded));
    } else {
      entry.outcome = history::Outcome::kFailed;
      entry.error = findings.front().toStdString();
      std::string line = std::to_string(findings.size()) + (findings.size() == 1 ? " finding:" : " findings:");
      for (const QString& f : findings) line += "\n  " + f.toStdString();
      Result result = Recorded(entry, "file", file, line, kExitFailed);
      result.json[QStringLiteral("findings")] = QJsonArray::fromStringList(findings);
      report.Add(std::move(result));
    }
  } catch (const dataaccess::DbError& e) {
    history::End(entry);
    entry.outcome = history::Outcome::kFailed;
    entry.error = e.Description();
    report.Add(Recorded(entry, "file", file, "not checked: " + e.Description(), kExitNoConnection));
  }
  return report.Finish();
}

int RunHistory(const Arguments& a) {
  std::vector<history::Entry> entries = history::ReadLog();
  std::size_t from = a.last && static_cast<std::size_t>(*a.last) < entries.size() ? entries.size() - *a.last : 0;
  if (!a.json) {
    for (std::size_t i = from; i < entries.size(); ++i) std::cout << history::FormatLine(entries[i]) << '\n';
    std::cout.flush();
    return kExitSucceeded;
  }
  QJsonArray items;
  for (std::size_t i = from; i < entries.size(); ++i) {
    const history::Entry& e = entries[i];
    QJsonObject item;
    item[QStringLiteral("time")] = QString::fromStdString(history::TimeText(e.time));
    auto put = [&](const char* key, const std::string& value) {
      if (!value.empty()) item[QString::fromUtf8(key)] = QString::fromStdString(value);
    };
    put("from", e.from);
    put("command", e.command);
    put("side", e.side);
    put("table", e.table);
    put("newName", e.newName);
    put("access", e.access);
    put("mysql", e.mysql);
    PutOutcome(item, e);
    items.append(item);
  }
  std::cout << QJsonDocument(items).toJson(QJsonDocument::Compact).toStdString() << std::endl;
  return kExitSucceeded;
}

}  // namespace cli
