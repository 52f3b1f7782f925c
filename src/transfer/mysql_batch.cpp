#include "transfer/mysql_batch.h"

#include <variant>

#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"

namespace transfer {
namespace {

constexpr unsigned kLockWaitTimeout = 1205;  // ER_LOCK_WAIT_TIMEOUT
constexpr unsigned kDeadlock = 1213;         // ER_LOCK_DEADLOCK

constexpr std::string_view kBeforeLoad = "SAVEPOINT before_load";
constexpr std::string_view kUndoLoad = "ROLLBACK TO SAVEPOINT before_load";

}  // namespace

bool MetAnotherClientsLock(const dataaccess::DbError& error) {
  return error.NativeError() == kDeadlock || error.NativeError() == kLockWaitTimeout;
}

MySqlBatch::MySqlBatch(dataaccess::Connection& connection, OnRefused onRefused)
    : connection_(connection), onRefused_(std::move(onRefused)) {}

void MySqlBatch::Run(const std::string& statement) { connection_.Execute(statement); }

void MySqlBatch::Begin() {
  kept_.clear();
  Run("START TRANSACTION");
}

bool MySqlBatch::TransactionOpen() {
  dataaccess::Recordset answer = connection_.Execute("SELECT @@in_transaction");
  const auto* open = std::get_if<std::int64_t>(&answer.Field(0).Value());
  return open != nullptr && *open != 0;
}

std::optional<dataaccess::DbError> MySqlBatch::Attempt(const std::string& statement, std::int64_t rows) {
  for (int attempt = 1;; ++attempt) {
    try {
      Run(statement);
      kept_.push_back({statement, rows});
      return std::nullopt;
    } catch (const dataaccess::DbError& error) {
      if (!MetAnotherClientsLock(error)) {
        if (error.Number() != dataaccess::kCommandError) throw;
        return error;  // only this statement was undone
      }
      if (attempt == kMaxAttempts) GiveUp(error);
      // A lock wait timeout undoes the statement alone unless the server
      // is set to roll back the transaction; a deadlock always does.
      if (!TransactionOpen()) Replay();
    }
  }
}

void MySqlBatch::Send(std::string statement, std::int64_t rows) {
  if (std::optional<dataaccess::DbError> refusal = Attempt(statement, rows)) onRefused_(statement, *refusal);
}

std::size_t MySqlBatch::SendTogether(const std::string& combined, const std::vector<std::string>& each,
                                     const std::function<bool()>& goOn) {
  if (each.size() == 1) Send(each.front());
  if (each.size() <= 1) return each.size();
  if (!Attempt(combined, static_cast<std::int64_t>(each.size()))) return each.size();
  bool refusedOne = false;
  for (std::size_t i = 0; i < each.size(); ++i) {
    if (refusedOne && !goOn()) return i;
    if (std::optional<dataaccess::DbError> refusal = Attempt(each[i], 1)) {
      onRefused_(each[i], *refusal);
      refusedOne = true;
    }
  }
  return each.size();
}

bool MySqlBatch::Load(const std::string& load, const std::string& data, std::int64_t rows) {
  for (int attempt = 1;; ++attempt) {
    try {
      connection_.Execute(kBeforeLoad);
      const dataaccess::LoadOutcome outcome = connection_.LoadLocal(load, data);
      if (outcome.refused) {
        loads_ = false;
        return false;
      }
      if (outcome.warnings == 0 && outcome.rows == rows) return true;
      connection_.Execute(kUndoLoad);
      return false;
    } catch (const dataaccess::DbError& error) {
      if (!MetAnotherClientsLock(error)) {
        if (error.Number() != dataaccess::kCommandError) throw;
        // The server undid the refused load itself; the savepoint makes sure.
        connection_.Execute(kUndoLoad);
        return false;
      }
      if (attempt == kMaxAttempts) GiveUp(error);
      if (!TransactionOpen()) Replay();
    }
  }
}

std::size_t MySqlBatch::SendLoaded(const std::string& load, const std::string& data, const std::string& combined,
                                   const std::vector<std::string>& each, const std::function<bool()>& goOn) {
  const auto rows = static_cast<std::int64_t>(each.size());
  if (!loads_ || rows <= 1 || !Load(load, data, rows)) return SendTogether(combined, each, goOn);
  kept_.push_back({combined, rows});
  loaded_ += rows;
  return each.size();
}

void MySqlBatch::Replay() {
  for (int attempt = 1;; ++attempt) {
    try {
      ++replays_;
      Run("START TRANSACTION");
      for (const Kept& kept : kept_) Run(kept.statement);
      return;
    } catch (const dataaccess::DbError& error) {
      if (!MetAnotherClientsLock(error) || attempt == kMaxAttempts) GiveUp(error);
      if (TransactionOpen()) Run("ROLLBACK");
    }
  }
}

void MySqlBatch::GiveUp(const dataaccess::DbError& error) {
  // The open batch must not stay behind half-sent, holding its locks.
  try {
    Run("ROLLBACK");
  } catch (const dataaccess::DbError&) {
    // the connection is gone, and the batch with it
  }
  kept_.clear();
  throw error;
}

void MySqlBatch::Commit() {
  Run("COMMIT");
  for (const Kept& kept : kept_) committed_ += kept.rows;
  kept_.clear();
}

}  // namespace transfer
