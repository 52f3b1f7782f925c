#include "cli/table_commands.h"

#include <QFileInfo>
#include <QJsonArray>
#include <cstdio>
#include <functional>
#include <iostream>

#include "access/access_catalogue.h"
#include "cli/cli_prompter.h"
#include "cli/cli_seams.h"
#include "cli/record.h"
#include "dataaccess/error.h"
#include "maintenance/delete_table.h"
#include "maintenance/rename_table.h"
#include "mysql/mysql_connection.h"
#include "mysql/mysql_table_list.h"
#include "transfer/send_to_access.h"
#include "transfer/send_to_mysql.h"

namespace cli {
namespace {

const char* SideName(Side side) { return side == Side::kAccess ? "access" : "mysql"; }
const char* SideTitle(Side side) { return side == Side::kAccess ? "Access" : "MySQL"; }
Side Other(Side side) { return side == Side::kAccess ? Side::kMySql : Side::kAccess; }

QJsonObject Head(const char* command) { return {{QStringLiteral("command"), QString::fromUtf8(command)}}; }

// Fills `list` with the tables of `side`; why it could not, otherwise.
std::optional<std::string> LoadSide(Side side, const settings::ConnectionSettings& settings, NameRoster& list) {
  if (side == Side::kAccess) {
    const QString path = settings.AccessMDBFile();
    if (path.isEmpty()) return "no Access file: give --mdb FILE or TABLORIA_MDB, or save one in the windows";
    std::optional<QStringList> names = msaccess::GetAccessTableNames(path, settings);
    if (!names)
      return "cannot open the Access file " + path.toStdString() +
             (QFileInfo::exists(path) ? "" : ": it does not exist ('tabloria new' makes one)");
    for (const QString& name : *names) list.AddItem(name);
    return std::nullopt;
  }
  mysql::MySqlConnection listing;
  try {
    mysql::FillMySqlTableList(listing, settings, list);
  } catch (const dataaccess::DbError& failure) {
    return "cannot connect to MySQL: " + failure.Description();
  }
  list.SetListIndex(-1);
  return std::nullopt;
}

ExitStatus StatusOf(const history::Entry& entry) {
  switch (entry.outcome) {
    case history::Outcome::kSucceeded: return kExitSucceeded;
    case history::Outcome::kPartial: return kExitPartial;
    case history::Outcome::kCancelled: return Interrupted() ? kExitInterrupted : kExitFailed;
    case history::Outcome::kNoConnection: return kExitNoConnection;
    case history::Outcome::kFailed: break;
  }
  // A transfer that stopped after sending some rows left part of the table.
  return entry.rows && entry.rows->sent > 0 ? kExitPartial : kExitFailed;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

// The summary line of a table's command; `done` says what success did
// ("sent to MySQL", "deleted"), "and verified" after it when the target was
// read back.
std::string SummaryLine(const history::Entry& entry, const std::string& done) {
  std::string rows;
  if (entry.rows) rows = std::to_string(entry.rows->sent) + " of " + std::to_string(entry.rows->read) + " rows";
  std::string error = entry.error.empty() ? std::string() : ": " + entry.error;
  switch (entry.outcome) {
    case history::Outcome::kSucceeded:
      if (rows.empty()) return done;
      return done + (entry.rows->verified ? " and verified, " : ", ") + rows + " in " + Seconds(entry.seconds);
    case history::Outcome::kPartial:
      return "partial, " + rows + " sent, " + std::to_string(entry.rows->refused) + " refused" + error;
    case history::Outcome::kCancelled: return "interrupted" + (rows.empty() ? "" : ", " + rows + " sent");
    case history::Outcome::kFailed:
    case history::Outcome::kNoConnection: break;
  }
  return "failed" + (rows.empty() ? "" : ", " + rows + " sent") + error;
}

// A window command's entry completed as the command line records it; an
// overwrite the command line did not allow is an error, not a cancel.
Result Finished(history::Entry entry, const CliPrompter& prompter, const settings::ConnectionSettings& settings,
                const std::string& done) {
  if (prompter.Declined()) {
    entry.outcome = history::Outcome::kFailed;
    entry.error = "the table exists on the target side; --overwrite replaces it";
  }
  history::Complete(entry, prompter.FirstMessage(), settings.AccessMDBFile().toStdString(),
                    settings.Database().toStdString(), settings.Server().toStdString());
  std::string line = SummaryLine(entry, done);
  return Recorded(entry, "table", entry.table, line, StatusOf(entry));
}

// A table the user named that the side does not have: nothing was run.
Result NotFound(const char* command, Side side, const std::string& name, const settings::ConnectionSettings& settings) {
  history::Entry entry = history::Begin(command);
  entry.side = SideName(side);
  entry.table = name;
  entry.outcome = history::Outcome::kFailed;
  entry.error = std::string("the ") + SideTitle(side) + " side has no table " + name;
  history::End(entry);
  CliPrompter none;
  return Finished(entry, none, settings, "");
}

// How a table's command is run: on which side's list, the answers it gets
// (the overwrite question's; the rename's new name), what success did
// ("sent to MySQL", "deleted").
struct TableRun {
  const char* command;
  Side side;
  NameRoster& list;
  bool overwrite = false;
  QString newName;
  std::string done;
};
using TableCommand = std::function<std::optional<history::Entry>(CliPrompter&, CliProgress&)>;

// Runs the command once for each table named, in their order, the table
// selected in the list, each with its own prompter and progress; stops
// before the next table after Ctrl-C.
void ForEachTable(const std::vector<std::string>& names, const TableRun& how, const settings::ConnectionSettings& settings,
                  Report& report, const TableCommand& run) {
  for (const std::string& name : names) {
    if (Interrupted()) {
      report.Note(kExitInterrupted);
      return;
    }
    if (!how.list.Select(QString::fromStdString(name))) {
      report.Add(NotFound(how.command, how.side, name, settings));
      continue;
    }
    CliPrompter prompter(how.overwrite, how.newName);
    std::optional<history::Entry> entry;
    {
      CliProgress progress;
      entry = run(prompter, progress);
    }  // the progress line is erased before the summary line
    if (entry) report.Add(Finished(*entry, prompter, settings, how.done));
  }
}

// Loads the sides a command needs; false (after telling why) when one
// could not be reached.
bool LoadSides(std::initializer_list<std::pair<Side, NameRoster*>> sides, const settings::ConnectionSettings& settings,
               Report& report) {
  for (auto [side, list] : sides)
    if (std::optional<std::string> failure = LoadSide(side, settings, *list)) {
      report.Stop(kExitNoConnection, *failure);
      return false;
    }
  return true;
}

}  // namespace

int RunList(const Arguments& a, const settings::ConnectionSettings& settings) {
  Report report(a.json, Head("list"));
  QJsonObject tables;
  for (Side side : {Side::kAccess, Side::kMySql}) {
    if (a.side != Side::kNone && a.side != side) continue;
    NameRoster list;
    if (std::optional<std::string> failure = LoadSide(side, settings, list)) {
      report.Stop(kExitNoConnection, *failure);
      continue;
    }
    QJsonArray names;
    for (int i = 0; i < list.ListCount(); ++i) {
      names.append(list.List(i));
      if (a.json) continue;
      // One side: names alone, for a script's loop; both: each with its side.
      if (a.side == Side::kNone) std::cout << SideName(side) << '\t';
      std::cout << list.List(i).toStdString() << '\n';
    }
    tables[QString::fromUtf8(SideName(side))] = names;
  }
  std::cout.flush();
  report.Put(QStringLiteral("tables"), tables);
  return report.Finish();
}

int RunSend(const Arguments& a, const settings::ConnectionSettings& settings) {
  Report report(a.json, Head("send"));
  const Side target = a.side, source = Other(a.side);
  NameRoster access, mySql;
  if (!LoadSides({{Side::kAccess, &access}, {Side::kMySql, &mySql}}, settings, report)) return report.Finish();
  NameRoster& sourceList = source == Side::kAccess ? access : mySql;
  std::vector<std::string> names = a.names;
  if (a.all)
    for (int i = 0; i < sourceList.ListCount(); ++i) names.push_back(sourceList.List(i).toStdString());
  NoPointer pointer;
  TableRun how{"send", source, sourceList, a.overwrite, {}, std::string("sent to ") + SideTitle(target)};
  ForEachTable(names, how, settings, report, [&](CliPrompter& prompter, CliProgress& progress) {
        transfer::CommandEnvironment environment{access, mySql, pointer, prompter, progress, settings};
        // The Access send saves the file when it ends, and may say so.
        if (target == Side::kAccess) return transfer::SendTableToAccess(environment).Run();
        return transfer::SendTableToMySql(environment).Run();
      });
  return report.Finish();
}

int RunDelete(const Arguments& a, const settings::ConnectionSettings& settings) {
  Report report(a.json, Head("delete"));
  NameRoster list;
  if (!LoadSides({{a.side, &list}}, settings, report)) return report.Finish();
  NoPointer pointer;
  TableRun how{"delete", a.side, list, false, {}, "deleted"};
  ForEachTable(a.names, how, settings, report, [&](CliPrompter& prompter, CliProgress& progress) {
        if (a.side == Side::kAccess)
          return maintenance::DeleteSelectedAccessTable(settings, list, pointer, prompter, progress);
        return maintenance::DeleteSelectedMySqlTable(settings, list, pointer, prompter, progress);
      });
  return report.Finish();
}

int RunRename(const Arguments& a, const settings::ConnectionSettings& settings) {
  Report report(a.json, Head("rename"));
  NameRoster list;
  if (!LoadSides({{a.side, &list}}, settings, report)) return report.Finish();
  NoPointer pointer;
  TableRun how{"rename", a.side, list, false, QString::fromStdString(a.names[1]), "renamed to " + a.names[1]};
  ForEachTable({a.names[0]}, how, settings, report, [&](CliPrompter& prompter, CliProgress& progress) {
        if (a.side == Side::kAccess)
          return maintenance::RenameSelectedAccessTable(settings, list, pointer, prompter, progress);
        mysql::MySqlConnection connection;
        return maintenance::RenameSelectedMySqlTable(settings, connection, list, pointer, prompter, progress);
      });
  return report.Finish();
}

}  // namespace cli
