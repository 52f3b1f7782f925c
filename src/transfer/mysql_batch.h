// The open transaction of a send to MySQL. The statements it holds are kept
// until they are committed, because a deadlock, or a lock wait timeout on a
// server that rolls the transaction back for it, throws away the whole
// transaction, not just the statement that met it. Such a batch is sent
// again from its start; only when it keeps failing does the send stop, and
// then exactly the committed rows are on the server. Rows loaded in bulk are
// kept, for such a replay, as the one INSERT of them they stand for.
#pragma once

#include <cstdint>
#include <cstddef>
#include <functional>
#include <optional>
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
  // Sends rows together in `combined`, one INSERT of all of them. When the
  // server refuses it, each row's own statement of `each` goes alone, so
  // exactly the rows one-row statements would lose are refused, each told
  // as its own statement; `goOn` is asked before each after a refusal and
  // stops them by answering false. Gives how many of the rows were handled
  // (all, unless stopped). Throws as Send does.
  std::size_t SendTogether(const std::string& combined, const std::vector<std::string>& each,
                           const std::function<bool()>& goOn);
  // Sends the same rows first in bulk: `load`, a LOAD DATA LOCAL whose file
  // is `data`. Such a load skips or alters the rows one-row statements would
  // have refused, and says so in warnings; so only a load that adds every
  // row without a warning stays. Any other is undone back to a savepoint
  // taken before it, and the rows go by SendTogether, so the rows kept and
  // refused, the messages and the counts are those of one-row statements.
  // A server that takes no such loads gets SendTogether from then on.
  std::size_t SendLoaded(const std::string& load, const std::string& data, const std::string& combined,
                         const std::vector<std::string>& each, const std::function<bool()>& goOn);
  // Commits the open batch.
  void Commit();

  // Rows of the committed batches, refused statements not counted.
  std::int64_t RowsCommitted() const { return committed_; }
  // Times a rolled-back batch was sent again.
  int Replays() const { return replays_; }
  // Rows the server took by bulk loads.
  std::int64_t RowsLoaded() const { return loaded_; }

 private:
  struct Kept {
    std::string statement;
    std::int64_t rows;
  };
  void Run(const std::string& statement);
  // Send without telling of a refusal: gives the error that refused it.
  std::optional<dataaccess::DbError> Attempt(const std::string& statement, std::int64_t rows);
  // Whether the server took the load whole and without a warning; when
  // not, nothing of it stays.
  bool Load(const std::string& load, const std::string& data, std::int64_t rows);
  bool TransactionOpen();
  void Replay();
  [[noreturn]] void GiveUp(const dataaccess::DbError& error);

  dataaccess::Connection& connection_;
  OnRefused onRefused_;
  std::vector<Kept> kept_;
  std::int64_t committed_ = 0;
  int replays_ = 0;
  bool loads_ = true;  // until the server refuses one
  std::int64_t loaded_ = 0;
};

// A deadlock or lock wait timeout: the statement met another client's lock,
// and may succeed when sent again.
bool MetAnotherClientsLock(const dataaccess::DbError& error);

}  // namespace transfer
