// The statements our Jet engine accepts, as a parse tree. The program sends
// one statement per call: SELECT * (or a list of columns) FROM a table, CREATE TABLE with text and
// memo columns, INSERT INTO ... VALUES with text literals and NULL, and
// DROP TABLE, each with an optional ";" at the end.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "jet/error.h"

namespace jet::sql {

struct Select {
  std::string table;
  std::vector<std::string> columns;  // empty: SELECT *, every column
};

enum class ColumnKind { FixedText, Text, Memo };

struct ColumnSpec {
  std::string name;
  ColumnKind kind = ColumnKind::Text;
  int length = 0;  // characters; 0 for memo
};

struct CreateTable {
  std::string table;
  std::vector<ColumnSpec> columns;
};

struct InsertValues {
  std::string table;
  std::vector<std::optional<std::string>> values;  // nullopt is NULL; texts are UTF-8
};

struct DropTable {
  std::string table;
};

using Statement = std::variant<Select, CreateTable, InsertValues, DropTable>;

// A statement Jet would refuse before touching any table, worded as Jet words it
// and numbered as a failed statement.
class SyntaxError : public Error {
 public:
  explicit SyntaxError(const std::string& description) : Error(kStatementFailed, description) {}
};

// Parses one statement; throws SyntaxError.
Statement Parse(std::string_view sql);

}  // namespace jet::sql
