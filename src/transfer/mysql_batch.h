// The open transaction of a send to MySQL. The statements it holds are kept
// until they are committed, because a deadlock, or a lock wait timeout on a
// server that rolls the transaction back for it, throws away the whole
// transaction, not just the statement that met it. Such a batch is sent
// again from its start; only when it keeps failing does the send stop, and
// then exactly the committed rows are on the server.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dataaccess/error.h"

namespace dataaccess {
class Connection;
}

namespace transfer {

class MySqlBatch {
 public:
  // Told of each statement the server refused for itself (its rows are not
  // on the server, and the transaction goes on without them).
  using OnRefused = std::function<void(const std::string& statement, const dataaccess::DbError& error)>;

  // How often one statement or one replay of the batch is tried before the
  // send gives up.
  static constexpr int kMaxAttempts = 5;

  MySqlBatch(dataaccess::Connection& connection, OnRefused onRefused);

  // Starts a transaction.
  void Begin();
  // Sends a statement that adds `rows` rows. Throws DbError when the
  // connection fails, or when a deadlock or lock wait timeout comes back
  // kMaxAttempts times; the open batch is then gone from the server.
  void Send(std::string statement, std::int64_t rows = 1);
  // Commits the open batch.
  void Commit();

  // Rows of the committed batches, refused statements not counted.
  std::int64_t RowsCommitted() const { return committed_; }
  // Times a rolled-back batch was sent again.
  int Replays() const { return replays_; }

 private:
  struct Kept {
    std::string statement;
    std::int64_t rows;
  };
  void Run(const std::string& statement);
  bool TransactionOpen();
  void Replay();
  [[noreturn]] void GiveUp(const dataaccess::DbError& error);

  dataaccess::Connection& connection_;
  OnRefused onRefused_;
  std::vector<Kept> kept_;
  std::int64_t committed_ = 0;
  int replays_ = 0;
};

// A deadlock or lock wait timeout: the statement met another client's lock,
// and may succeed when sent again.
bool MetAnotherClientsLock(const dataaccess::DbError& error);

}  // namespace transfer
