// What the two send commands share: the seams they work through, their
// failure texts, the report of refused rows, and keeping a target list
// entry in step with whether the table exists.
#pragma once

#include <QString>
#include <optional>

#include "dataaccess/error.h"

namespace ui {
class NameList;
class PointerHost;
class Progress;
class Prompter;
}  // namespace ui
namespace settings {
class ConnectionSettings;
}

namespace transfer {

// What a send command works through: the two lists, the window's pointer,
// the user's answers, its progress, and the connection values it started with.
struct CommandEnvironment {
  ui::NameList& accessList;  // List1
  ui::NameList& mySqlList;   // List3
  ui::PointerHost& window;
  ui::Prompter& prompter;
  ui::Progress& progress;
  const settings::ConnectionSettings& settings;
};

// `what` failed, then the number and the database's description.
QString FailedText(const QString& what, const dataaccess::DbError& error);

// The first refused row of a transfer shows the statement and the report of
// an unforeseen error; the later ones are only counted.
class RefusedRows {
 public:
  explicit RefusedRows(ui::Prompter& prompter) : prompter_(prompter) {}
  void Refused(const QString& statement, const dataaccess::DbError& error);
  // A row refused before it reached the server, for the reason given.
  void Refused(const QString& why);
  std::int64_t Count() const { return count_; }
  // One message with the count, when any row was refused.
  void ReportCount(const QString& table, std::int64_t total) const;

 private:
  ui::Prompter& prompter_;
  std::int64_t count_ = 0;
};

// Adds or removes `name` so the list shows it exactly when the table exists;
// leaves the list alone when that is unknown.
void ShowWhenExists(ui::NameList& list, const QString& name, std::optional<bool> exists);

// "Cancelled after N of M rows."
QString CancelledText(std::int64_t done, std::int64_t total);

}  // namespace transfer
