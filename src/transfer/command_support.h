// What the two send commands share: the environment they work in, their
// failure texts, the report of refused rows, and keeping a target list
// entry in step with whether the table exists.
#pragma once

#include <QString>
#include <optional>

#include "dataaccess/error.h"

namespace ui {
class PointerHost;
class Prompter;
class TableList;
}  // namespace ui
namespace mysql {
struct MySqlConnection;
}
namespace settings {
class ConnectionSettings;
}

namespace transfer {

class Progress;

struct CommandEnvironment {
  ui::TableList& accessList;  // List1
  ui::TableList& mySqlList;   // List3
  ui::PointerHost& window;
  ui::Prompter& prompter;
  Progress& progress;
  const settings::ConnectionSettings& settings;
  mysql::MySqlConnection& mySql;
};

// `what` failed, then the number and the database's description.
QString FailedText(const QString& what, const dataaccess::DbError& error);

// The first refused row of a transfer shows the statement and the report of
// an unforeseen error; the later ones are only counted.
class RefusedRows {
 public:
  explicit RefusedRows(ui::Prompter& prompter) : prompter_(prompter) {}
  void Refused(const QString& statement, const dataaccess::DbError& error);
  std::int64_t Count() const { return count_; }
  // One message with the count, when any row was refused.
  void ReportCount(const QString& table, std::int64_t total) const;

 private:
  ui::Prompter& prompter_;
  std::int64_t count_ = 0;
};

// Adds or removes `name` so the list shows it exactly when the table exists;
// leaves the list alone when that is unknown.
void ShowWhenExists(ui::TableList& list, const QString& name, std::optional<bool> exists);

// "Cancelled after N of M rows."
QString CancelledText(std::int64_t done, std::int64_t total);

// Marks a command as running for its length, so a second one started from
// inside it (a click let through while the progress dialog paints) does nothing.
class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool& flag_;
};

}  // namespace transfer
