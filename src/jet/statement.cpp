#include "jet/statement.h"

#include <variant>

#include "jet/error.h"
#include "jet/sql/statement.h"
#include "jet/table.h"

namespace jet {

sql::Select ParseSelect(const std::string& sql) {
  sql::Statement statement = sql::Parse(sql);
  if (auto* select = std::get_if<sql::Select>(&statement)) return std::move(*select);
  throw Error(kStatementFailed, "Only SELECT statements can be run on a database opened for reading.");
}

ResultSet ResultSet::Read(const Table& table) {
  ResultSet r;
  r.columns_ = table.Columns();
  RowCursor cursor = table.Rows();
  while (cursor.Next()) r.rows_.push_back(cursor.Values());
  return r;
}

}  // namespace jet
