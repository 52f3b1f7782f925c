// What the command line tells its user: one summary line per table (or
// file) on standard output as each is done, or with --json one document at
// the end; and the exit status, from the worst that happened:
//   0 everything succeeded      1 a command failed
//   2 the command line was wrong (see arguments.h)
//   3 no connection: MySQL refused or the Access file would not open
//   4 a partial transfer: rows refused, or stopped halfway
//   130 interrupted (Ctrl-C) before the end
#pragma once

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/history_log.h"

namespace cli {

enum ExitStatus : int {
  kExitSucceeded = 0,
  kExitFailed = 1,
  kExitUsage = 2,
  kExitNoConnection = 3,
  kExitPartial = 4,
  kExitInterrupted = 130,
};

struct Result {
  std::string subject;  // the table, or the file
  std::string line;     // the summary line, without the subject
  ExitStatus status = kExitSucceeded;
  QJsonObject json;     // the subject's fields for --json
};

class Report {
 public:
  Report(bool json, QJsonObject head) : json_(json), head_(std::move(head)) {}

  // Prints the line now (without --json) and keeps the result.
  void Add(Result result);
  // Keeps the status without a line of its own (a failure already told).
  void Note(ExitStatus status);
  // A failure of the whole command (no table was tried): told on standard
  // error and, with --json, in the document's "error".
  void Stop(ExitStatus status, const std::string& message);
  // A field of the JSON document.
  void Put(const QString& key, const QJsonValue& value) { head_[key] = value; }
  // Prints the JSON document (with --json); the exit status.
  int Finish();

 private:
  bool json_;
  QJsonObject head_;
  std::vector<Result> results_;
  std::vector<ExitStatus> notes_;
};

// The worst of two statuses: interrupted, no connection, failed, partial,
// succeeded (usage errors never get this far).
ExitStatus Worse(ExitStatus a, ExitStatus b);

// The JSON fields of a history entry's counts and outcome.
void PutOutcome(QJsonObject& json, const history::Entry& entry);

// Prints to standard error, prefixed "tabloria: ".
void Complain(const std::string& message);

}  // namespace cli
