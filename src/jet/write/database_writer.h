// Changing a Jet 4 database: CREATE TABLE, INSERT INTO and DROP TABLE, one
// statement per call, and renaming a table. Each call holds the file's
// exclusive lock for its length only and leaves no pages cached, so an idle
// writer neither blocks nor misses what others wrote. A statement Jet would
// refuse throws jet::Error (kStatementFailed, kObjectNotFound) before
// anything reaches the file. Changes reach the file in an order that keeps
// it readable if the process dies mid-statement: pages new to the statement
// first, then the pages that point to them, the catalogue last; pages freed
// by a drop are marked free only after that. Sync() makes them durable:
// call it once at the end of each user command.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/connection.h"
#include "jet/tdef.h"

namespace jet {

struct InsertTarget;

class DatabaseWriter {
 public:
  // Opens `path` for writing; `password` is checked as Jet checks it. Throws
  // jet::Error (kOpenFailed) for a file that cannot be opened or is read-only.
  static DatabaseWriter Open(const std::string& path, const std::string& password);
  // A writer on a file already open (its password checked), sharing its
  // descriptor. Throws jet::Error (kOpenFailed) for a read-only file or one
  // of a format we do not write (Access 97 files are read-only here).
  static DatabaseWriter On(std::shared_ptr<Connection> connection);

  // Runs one statement: CREATE TABLE, INSERT INTO or DROP TABLE (a SELECT is
  // checked and read, nothing more).
  void Execute(const std::string& sql);

  // Gives a table a new name, checked as CREATE TABLE checks names.
  void RenameTable(const std::string& oldName, const std::string& newName);

  // Flushes every change made through any descriptor of the file to disk.
  void Sync();

 private:
  explicit DatabaseWriter(std::shared_ptr<Connection> c) : connection_(std::move(c)) {}
  std::shared_ptr<Connection> connection_;
  // The table the last INSERT went to, so that the next one into it need not
  // look it up again; see database_writer.cpp for how it is checked.
  std::shared_ptr<InsertTarget> lastTable_;
};

// ExecuteAccessStatement's engine side: open, run one statement, close.
void ExecuteStatement(const std::string& path, const std::string& password, const std::string& sql);
// RenameAccessTable's engine side.
void RenameTable(const std::string& path, const std::string& password, const std::string& oldName,
                 const std::string& newName);
// Syncs the file at `path` (the end of a user command).
void SyncDatabase(const std::string& path);

}  // namespace jet
