// What a database engine offers the data-access layer. Connection and
// Recordset are written against these two interfaces only, so each engine
// (MySQL today, our Jet engine next) plugs in by implementing them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/value.h"

namespace dataaccess {

// The rows of one statement, visited once, forward. A static result's count
// is exact when it is handed over, before the first row is read (the rows
// themselves may still be read as they are visited); a streamed one counts -1.
class ResultData {
 public:
  virtual ~ResultData() = default;

  virtual std::int64_t RowCount() const = 0;
  virtual int FieldCount() const = 0;
  virtual const std::string& FieldName(int index) const = 0;

  // Makes the next row current; false once the rows are used up. Called once
  // before the first row is read.
  virtual bool NextRow() = 0;
  // A field of the current row.
  virtual const Value& FieldValue(int index) const = 0;

  // Stops before the last row. A streamed result leaves the rest unread and
  // cuts its session off, because the server would otherwise send every
  // remaining row first (seconds for a large table); statements after it on
  // that session fail. Other results just let their rows go.
  virtual void Abandon() {}
};

// What a bulk load of rows did: the rows the database added and the
// warnings it raised, or that it does not take such loads at all.
struct LoadOutcome {
  bool refused = false;
  std::int64_t rows = 0;
  unsigned warnings = 0;
};

// One open connection to a database. Failures are thrown as DbError.
class EngineSession {
 public:
  virtual ~EngineSession() = default;

  // Runs one statement. A statement that returns rows gives its rows; any
  // other statement has taken effect and been committed when this returns,
  // and gives nullptr.
  virtual std::unique_ptr<ResultData> Execute(std::string_view statement) = 0;

  // As Execute, but the rows may be streamed: read from the database as they
  // are visited, so a large result is never held twice. Nothing else may run
  // on the session until the result is released. Engines without streaming
  // give Execute's static result.
  virtual std::unique_ptr<ResultData> ExecuteStreamed(std::string_view statement) { return Execute(statement); }

  // Makes the session's changes durable, for engines that leave that to the
  // end of a user command; the others have done it at each statement.
  virtual void Sync() {}

  // A batch: a run of changing statements the engine may hold the database
  // for and make durable together, for many rows at once. Each statement
  // keeps its own meaning: one refused changes nothing and the batch goes on.
  // A failure that undoes the batch ends it (InBatch() turns false) and says
  // so. Engines that commit every statement take batches as no-ops.
  virtual void BeginBatch() {}
  // Makes the batch durable and lets the database go for others.
  virtual void CommitBatch() {}
  virtual bool InBatch() const { return false; }

  // Runs `statement`, a load of rows from a client-side file, with `data` as
  // that file's content; nothing is read from disk. Engines or servers that
  // take no such load answer `refused` and change nothing.
  virtual LoadOutcome LoadLocal(std::string_view /*statement*/, std::string_view /*data*/) {
    return LoadOutcome{.refused = true};
  }
};

// Chooses the engine from the connection string and opens a session on it.
std::unique_ptr<EngineSession> OpenEngineSession(const std::string& connectionString);

}  // namespace dataaccess
