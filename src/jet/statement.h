// Statements run on a database opened for reading: SELECT * (or some
// columns) FROM a table, parsed by the engine's one statement parser
// (jet/sql/statement.h), and the static result it gives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/sql/statement.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace jet {

class Table;

// The table and columns a SELECT names; throws jet::Error (kStatementFailed)
// with Jet's description for any other statement or a syntax error.
sql::Select ParseSelect(const std::string& sql);

// A static result: the columns, and every row read at once, so the count is
// exact before the first row is visited and no lock is held afterwards.
class ResultSet {
 public:
  // Throws jet::Error (kStatementFailed) when the table holds a column whose
  // values the engine cannot give.
  static ResultSet Read(const Table& table);

  const std::vector<Column>& Columns() const { return columns_; }
  std::size_t RecordCount() const { return rows_.size(); }
  const std::vector<Value>& Row(std::size_t i) const { return rows_.at(i); }
  const std::vector<std::vector<Value>>& Rows() const { return rows_; }

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<Value>> rows_;
};

}  // namespace jet
