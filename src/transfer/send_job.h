// The steps both send commands take, in this order, with what each
// direction does in them left to it:
//   the selected table of the source list, else a message;
//   open: the source and the connection to MySQL        (Cancel leaves it)
//   the overwrite question when the target list shows the name; Yes drops
//   the target table and removes the name from the list;
//   the hourglass; read and measure the source           (Cancel leaves it)
//   create the target table;
//   the row pass, which stops at Cancel between two rows;
//   the name in the target list (after a failed pass, exactly when the
//   table still exists), then what went wrong with the rows, the
//   refused rows and the Cancel, one message each;
//   after a whole pass, the target's rows counted afresh against the rows
//   sent, and with kept column types and no row refused, every value of
//   both sides compared (transfer/value_checksum.h): a message when they
//   differ, naming the first row and column, else, last, the note "N rows
//   sent and verified".
// A failure in any step before the row pass ends the command with its one
// message, and the target list then shows the name exactly when the table
// exists. Cancel before the row pass ends it without a message. The run's
// history entry says how it ended: succeeded, partial (rows refused),
// cancelled (also an overwrite answered No), failed, or no connection.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/history_log.h"
#include "transfer/command_support.h"
#include "transfer/value_checksum.h"

namespace ui {
class NameList;
}

namespace transfer {

class SendJob {
 public:
  explicit SendJob(CommandEnvironment environment) : env_(environment) {}
  virtual ~SendJob() = default;
  SendJob(const SendJob&) = delete;
  SendJob& operator=(const SendJob&) = delete;

  // The command; its history entry (without where it came from), none when
  // no table was selected.
  std::optional<history::Entry> Run();

 protected:
  // How a row pass ended.
  struct RowPass {
    std::int64_t done = 0;
    std::int64_t total = 0;
    std::int64_t kept = 0;  // rows the target holds now (refused ones and rolled back ones not)
    bool cancelled = false;
    std::optional<QString> failure;  // the message, when it stopped on a failure
  };

  virtual ui::NameList& SourceList() = 0;
  virtual ui::NameList& TargetList() = 0;
  virtual QString TargetSide() const = 0;        // "MySQL", "Access"
  virtual QString NoSelectionText() const = 0;

  // Each step tells the user what failed itself and returns false then, or
  // when the user cancelled.
  virtual bool Open(const QString& name) = 0;
  virtual bool DropTarget(const QString& name) = 0;
  virtual bool Read(const QString& name) = 0;
  virtual bool Create(const QString& name) = 0;
  // Checks Cancel before each row.
  virtual RowPass SendRows(const QString& name, RefusedRows& refused) = 0;
  // Whether the target table exists; nullopt when that cannot be learnt.
  virtual std::optional<bool> TargetExists(const QString& name) = 0;
  // The rows the target table holds, counted afresh. Throws DbError.
  virtual std::int64_t CountTargetRows(const QString& name) = 0;

  // With kept column types, the names of the columns sent, whose values are
  // compared; none otherwise.
  virtual std::vector<std::string> ComparedColumns() const { return {}; }
  // A fresh read of the source's rows (`source`) or the target's, in the
  // compared columns. Throws DbError.
  virtual std::unique_ptr<ComparableRows> ComparisonRows(const QString& name, bool source) = 0;

  // Shows "`what`, then the number and description" and notes whether the
  // failure was one of reaching the database.
  void Failure(const QString& what, const dataaccess::DbError& error);

  CommandEnvironment env_;
  bool keepTypes_ = false;  // "Keep column types", as the command began

 private:
  // The rows sent set against the rows the target holds now, after a whole
  // pass: nothing when they agree, else the message that says how not.
  std::optional<QString> CheckTargetCount(const QString& name, std::int64_t sent);
  // Every value of both sides, after a whole pass that refused no row:
  // nothing when they agree, else the message naming where they differ.
  std::optional<QString> CompareValues(const QString& name);
  bool noConnection_ = false;
};

}  // namespace transfer
