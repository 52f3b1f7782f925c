#include "jet/write/database_writer.h"

#include "jet/error.h"
#include "jet/sql/statement.h"
#include "jet/write/catalogue_writer.h"
#include "jet/write/drop_table.h"
#include "jet/write/index_statements.h"
#include "jet/write/insert_target.h"
#include "jet/write/new_table.h"
#include "jet/write/page_space.h"
#include "jet/write/table_indexes.h"
#include "jet/write/write_statement.h"

namespace jet {
namespace {

// Index entries held back before they are entered (see table_indexes.h):
// beside the batch's 64 MiB of pages, enough for some 400,000 rows of a
// table with four indexes.
constexpr std::size_t kMaxHeldBackBytes = 64 << 20;

}  // namespace

DatabaseWriter DatabaseWriter::Open(const std::string& path, const std::string& password) {
  return On(OpenConnection(path, password));
}

DatabaseWriter DatabaseWriter::On(std::shared_ptr<Connection> connection) {
  const Format& format = *connection->header.format;
  if (!format.writable)
    throw Error(kOpenFailed, "Cannot update. Database or object is read-only: '" + connection->file->Path() +
                                 "' is an " + format.name + " file, and " + format.name +
                                 " files are read-only here. Its tables can be listed and sent to MySQL.");
  if (!connection->file->Writable())
    throw Error(kOpenFailed, "Cannot update. Database or object is read-only: '" + connection->file->Path() +
                                 "' cannot be opened for writing.");
  return DatabaseWriter(std::move(connection));
}

DatabaseWriter::~DatabaseWriter() {
  if (!batch_) return;
  try {
    RollbackBatch();
  } catch (const Error&) {
    // Its journal stays hot: the next statement on the file rolls it back.
  }
}

void DatabaseWriter::BeginBatch() {
  if (batch_) throw Error(kStatementFailed, "A batch is already open on this database.");
  auto batch = std::make_unique<Pager::Statement>(connection_->pager, LockMode::Exclusive);
  // A file replaced between batches is noticed before its rows are made;
  // one replaced during a batch, when the batch is written.
  connection_->file->CheckStillAtPath();
  connection_->pager.BeginBatch();
  batch_ = std::move(batch);
}

void DatabaseWriter::CommitBatch() {
  if (!batch_) throw Error(kStatementFailed, "No batch is open on this database.");
  EnterHeldBack();
  // The batch ends whether or not its last writes succeed.
  std::unique_ptr<Pager::Statement> batch = std::move(batch_);
  connection_->pager.CommitBatch();
}

void DatabaseWriter::RollbackBatch() {
  heldBack_ = {};
  lastTable_.reset();
  std::unique_ptr<Pager::Statement> batch = std::move(batch_);
  if (batch) connection_->pager.RollbackBatch();
}

void DatabaseWriter::EnterHeldBack() {
  if (!heldBack_.indexes) return;
  try {
    jet::EnterHeldBack(*connection_, heldBack_);
  } catch (const Error& failure) {
    // A failed write has undone the batch already, and said so.
    const bool undone = batch_ != nullptr && connection_->pager.InBatch();
    RollbackBatch();
    throw Error(failure.Number(), failure.Description() + (undone ? " The statements of the batch were undone." : ""),
                failure.JetNumber());
  }
}

void DatabaseWriter::Execute(std::string_view sql) {
  sql::Statement statement = sql::Parse(sql);
  const auto* insert = std::get_if<sql::InsertValues>(&statement);
  // Any other statement sees whole indexes; entries of a batch a failed
  // write undid are dropped.
  if (!insert || insert->table != heldBack_.name || !connection_->pager.InBatch()) EnterHeldBack();
  Connection& c = *connection_;
  std::visit(
      [&](const auto& s) {
        using T = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<T, sql::CreateTable>) CreateTable(c, s);
        else if constexpr (std::is_same_v<T, sql::InsertValues>) InsertInto(c, s, lastTable_, heldBack_);
        else if constexpr (std::is_same_v<T, sql::DropTable>) DropTable(c, s);
        else if constexpr (std::is_same_v<T, sql::CreateIndex>) CreateIndex(c, s);
        else if constexpr (std::is_same_v<T, sql::DropIndex>) DropIndex(c, s);
        else {
          // A SELECT changes nothing: only its table must exist.
          Pager::Statement read(c.pager, LockMode::Shared);
          PageSpace space(c.pager);
          if (!CatalogueWriter(c.pager, space).Find(s.table)) ThrowNoSuchTable(s.table);
        }
      },
      statement);
  if (heldBack_.indexes && heldBack_.indexes->HeldBackBytes() > kMaxHeldBackBytes) EnterHeldBack();
}

void DatabaseWriter::RenameTable(const std::string& oldName, const std::string& newName) {
  EnterHeldBack();
  WriteStatement statement(*connection_);
  CatalogueWriter catalogue(statement.Pages(), statement.Space());
  std::optional<CatalogueTable> table = catalogue.Find(oldName);
  if (!table) throw Error(kObjectNotFound, "Table '" + oldName + "' does not exist.");
  if (table->IsSystem()) throw Error(kStatementFailed, "Cannot rename the system table '" + table->name + "'.");
  catalogue.CheckNewName(newName, &*table);
  catalogue.RenameTable(*table, newName);
  statement.Finish();
}

void DatabaseWriter::Sync() { connection_->file->Sync(); }

void ExecuteStatement(const std::string& path, const std::string& password, const std::string& sql) {
  DatabaseWriter writer = DatabaseWriter::Open(path, password);
  writer.BeginBatch();
  writer.Execute(sql);
  writer.CommitBatch();
}

void RenameTable(const std::string& path, const std::string& password, const std::string& oldName,
                 const std::string& newName) {
  DatabaseWriter writer = DatabaseWriter::Open(path, password);
  writer.BeginBatch();
  writer.RenameTable(oldName, newName);
  writer.CommitBatch();
}

void SyncDatabase(const std::string& path) { File(path).Sync(); }

}  // namespace jet
