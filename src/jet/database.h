// An open Jet 4 database: the entry point of the engine. Every public call
// reads the file afresh under its own shared lock, so an idle Database holds
// no lock and no pages. Every failure throws jet::Error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/catalogue.h"
#include "jet/connection.h"
#include "jet/statement.h"
#include "jet/table.h"

namespace jet {

class Database {
 public:
  // Opens `path`; `password` must match the file's database password when it
  // has one and is ignored otherwise. Throws jet::Error (kOpenFailed) for a
  // missing, unreadable or damaged file, another Jet version or a wrong password.
  static Database Open(const std::string& path, const std::string& password);
  // As Open, but the catalogue is checked for its structure only (its
  // definition is well-formed and the pages it owns are in the file), not
  // read entry by entry: for a connection that runs one statement, which
  // reads the entries it needs itself. A cut-short file still fails here.
  static Database OpenQuickly(const std::string& path, const std::string& password);

  const Header& FileHeader() const { return connection_->header; }

  // Every table of the catalogue (system, hidden and linked ones included),
  // sorted by name; filter with IsUserTable(entry.attributes).
  std::vector<CatalogueEntry> Tables() const;

  // The table named `name` (case-insensitive), every column with its kind.
  // Throws kObjectNotFound for an unknown name, kStatementFailed for a
  // linked table.
  Table OpenTable(const std::string& name) const;

  // Runs one SELECT; see statement.h.
  ResultSet Execute(const std::string& sql) const;

  // For the layers that change the file.
  Pager& Pages() const { return connection_->pager; }
  const std::shared_ptr<Connection>& Shared() const { return connection_; }

 private:
  explicit Database(std::shared_ptr<Connection> c) : connection_(std::move(c)) {}
  static Database OpenChecked(const std::string& path, const std::string& password, void (*checkCatalogue)(Pager&));
  std::shared_ptr<Connection> connection_;
};

}  // namespace jet
