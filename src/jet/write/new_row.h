// The values of a row INSERT adds, as Jet makes them: the literals the
// statement gives, typed against their columns; for each column it leaves
// out (or gives Null where the engine numbers the rows), the next AutoNumber,
// a new replication ID or the column's DefaultValue; then the rules Jet
// checks on every row: Required (Jet 3314) and AllowZeroLength (Jet 3315).
// The table's last AutoNumber lives at offset 20 of its first definition
// page; an explicit value above it moves it up, as Jet does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/column_properties.h"
#include "jet/pager.h"
#include "jet/sql/statement.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace jet {

class NewRow {
 public:
  // `rules` holds the table's column properties as the catalogue keeps them.
  NewRow(const TableDef& def, const std::vector<NamedColumnRules>& rules);

  // Fills `values` (one per definition column) from the statement. Throws
  // jet::Error, with nothing written, for an unknown or repeated column, a
  // count of values that does not match, a literal the column cannot take
  // or a broken rule; the AutoNumber is written to the definition page only
  // once the row is complete.
  void Build(Pager& pager, const sql::InsertValues& insert, std::vector<Value>& values);

 private:
  void Choose(const sql::InsertValues& insert);
  Value Omitted(std::size_t column, std::int32_t& autoNumber) const;
  void Check(const std::vector<Value>& values) const;

  const TableDef& def_;
  std::vector<ColumnRules> rules_;             // one per definition column
  std::vector<std::size_t> byNumber_;          // definition columns in column-number order
  std::vector<std::size_t> targets_;           // the column of each value, scratch
  std::vector<bool> given_;                    // scratch
};

}  // namespace jet
