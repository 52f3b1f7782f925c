// The statements the engine understands, in Jet's SQL dialect. For now one:
// SELECT * FROM name, with the name bare or in square brackets, an optional
// closing ";", keywords in any case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/tdef.h"
#include "jet/value.h"

namespace jet {

class Table;

struct Statement {
  std::string table;
};

// Throws jet::Error (kStatementFailed) with Jet's description of the fault.
Statement ParseStatement(const std::string& sql);

// A static result: the columns, and every row read at once, so the count is
// exact before the first row is visited and no lock is held afterwards.
class ResultSet {
 public:
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
