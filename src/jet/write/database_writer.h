// Changing a Jet 4 database: CREATE TABLE, INSERT INTO and DROP TABLE, one
// statement per call, and renaming a table. Each statement is whole or
// absent: its changes go through the rollback journal (jet/journal.h), so a
// killed process, a failed write or, inside a batch, a power loss leaves the
// file as before or as after it. A statement Jet would refuse throws
// jet::Error (kStatementFailed, kObjectNotFound) before anything reaches the
// file.
//
// Outside a batch, each call holds the file's exclusive lock for its length
// only and leaves no pages cached, so an idle writer neither blocks nor
// misses what others wrote; Sync() makes the changes durable: call it once
// at the end of each user command. A batch (BeginBatch, statements,
// CommitBatch) holds the lock from its beginning to its end, keeps its pages
// cached, and commits all its statements with one sync: for many rows at
// once. Other programs may take the file between batches.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/connection.h"
#include "jet/tdef.h"
#include "jet/write/insert_target.h"

namespace jet {

class DatabaseWriter {
 public:
  // Opens `path` for writing; `password` is checked as Jet checks it. Throws
  // jet::Error (kOpenFailed) for a file that cannot be opened or is read-only.
  static DatabaseWriter Open(const std::string& path, const std::string& password);
  // A writer on a file already open (its password checked), sharing its
  // descriptor. Throws jet::Error (kOpenFailed) for a read-only file or one
  // of a format we do not write (Access 97 files are read-only here).
  static DatabaseWriter On(std::shared_ptr<Connection> connection);
  DatabaseWriter(DatabaseWriter&&) = default;
  DatabaseWriter& operator=(DatabaseWriter&&) = default;
  // A batch still open is rolled back.
  ~DatabaseWriter();

  // Runs one statement: CREATE TABLE, INSERT INTO or DROP TABLE (a SELECT is
  // checked and read, nothing more).
  void Execute(std::string_view sql);

  // Gives a table a new name, checked as CREATE TABLE checks names.
  void RenameTable(const std::string& oldName, const std::string& newName);

  // Opens a batch: takes the exclusive lock (waiting as a statement does)
  // until CommitBatch or RollbackBatch. A statement refused inside a batch
  // changes nothing and leaves the batch open; a failed write undoes the
  // whole batch (the error says so) and ends it.
  void BeginBatch();
  // Writes what is left, syncs the file and ends the batch: durable.
  void CommitBatch();
  // Undoes every statement of the batch and ends it.
  void RollbackBatch();
  bool InBatch() const { return batch_ != nullptr; }

  // Flushes every change made through any descriptor of the file to disk.
  void Sync();

 private:
  explicit DatabaseWriter(std::shared_ptr<Connection> c) : connection_(std::move(c)) {}
  // Enters the index entries the batch's inserts held back; on a failure,
  // undoes the batch, which would otherwise keep rows its indexes lack.
  void EnterHeldBack();

  std::shared_ptr<Connection> connection_;
  std::unique_ptr<Pager::Statement> batch_;
  // The table the last INSERT went to, so that the next one into it need not
  // look it up again; see database_writer.cpp for how it is checked.
  std::shared_ptr<InsertTarget> lastTable_;
  HeldBackTable heldBack_;
};

// ExecuteAccessStatement's engine side: open, run one statement durably, close.
void ExecuteStatement(const std::string& path, const std::string& password, const std::string& sql);
// RenameAccessTable's engine side, durable.
void RenameTable(const std::string& path, const std::string& password, const std::string& oldName,
                 const std::string& newName);
// Syncs the file at `path` (the end of a user command).
void SyncDatabase(const std::string& path);

}  // namespace jet
