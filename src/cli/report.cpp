#include "cli/report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <iostream>

namespace cli {
namespace {

int Rank(ExitStatus s) {
  switch (s) {
    case kExitInterrupted: return 5;
    case kExitNoConnection: return 4;
    case kExitUsage: return 3;
    case kExitFailed: return 2;
    case kExitPartial: return 1;
    default: return 0;
  }
}

}  // namespace

ExitStatus Worse(ExitStatus a, ExitStatus b) { return Rank(a) >= Rank(b) ? a : b; }

void Report::Add(Result result) {
  if (!json_) std::cout << result.subject << ": " << result.line << std::endl;
  results_.push_back(std::move(result));
}

void Report::Note(ExitStatus status) { notes_.push_back(status); }

void Report::Stop(ExitStatus status, const std::string& message) {
  Complain(message);
  if (!head_.contains(QStringLiteral("error"))) head_[QStringLiteral("error")] = QString::fromStdString(message);
  Note(status);
}

int Report::Finish() {
  ExitStatus status = kExitSucceeded;
  QJsonArray items;
  for (const Result& r : results_) {
    status = Worse(status, r.status);
    items.append(r.json);
  }
  for (ExitStatus s : notes_) status = Worse(status, s);
  if (json_) {
    QJsonObject document = head_;
    document[QStringLiteral("results")] = items;
    document[QStringLiteral("exit")] = static_cast<int>(status);
    std::cout << QJsonDocument(document).toJson(QJsonDocument::Compact).toStdString() << std::endl;
  }
  return status;
}

void PutOutcome(QJsonObject& json, const history::Entry& entry) {
  json[QStringLiteral("outcome")] = QString::fromUtf8(history::OutcomeName(entry.outcome));
  if (entry.rows) {
    json[QStringLiteral("read")] = static_cast<double>(entry.rows->read);
    json[QStringLiteral("sent")] = static_cast<double>(entry.rows->sent);
    json[QStringLiteral("refused")] = static_cast<double>(entry.rows->refused);
    json[QStringLiteral("verified")] = entry.rows->verified;
    json[QStringLiteral("keptTypes")] = entry.rows->keptTypes;
  }
  json[QStringLiteral("seconds")] = entry.seconds;
  if (!entry.error.empty()) json[QStringLiteral("error")] = QString::fromStdString(entry.error);
}

void Complain(const std::string& message) { std::cerr << "tabloria: " << message << std::endl; }

}  // namespace cli
