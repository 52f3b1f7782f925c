// The statements our Jet engine accepts, as a parse tree: SELECT * (or a list
// of columns) FROM a table; CREATE TABLE with every Jet 4 data type, NOT NULL,
// PRIMARY KEY and UNIQUE; CREATE [UNIQUE] INDEX and DROP INDEX; INSERT INTO ...
// [(columns)] VALUES with typed literals; DROP TABLE. Each may end in ";". The
// whole statement must be valid UTF-8. Literals are kept as written: whether
// one fits its column is decided against the column (jet/write/typed_literal.h).
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

// A column type as CREATE TABLE names it (each has its Jet SQL synonyms).
enum class ColumnKind {
  Boolean,     // BIT, BOOLEAN, LOGICAL, LOGICAL1, YESNO
  Byte,        // BYTE, TINYINT, INTEGER1
  Integer,     // SHORT, SMALLINT, INTEGER2
  Long,        // LONG, INT, INTEGER, INTEGER4
  Counter,     // COUNTER, AUTOINCREMENT: a Long numbered by the engine
  Currency,    // CURRENCY, MONEY
  Single,      // SINGLE, REAL, FLOAT4, IEEESINGLE
  Double,      // DOUBLE, FLOAT, FLOAT8, IEEEDOUBLE, NUMBER
  DateTime,    // DATETIME, DATE, TIME, TIMESTAMP
  Guid,        // GUID, UNIQUEIDENTIFIER
  Decimal,     // DECIMAL, NUMERIC, DEC [(precision[, scale])]
  Text,        // TEXT(n), VARCHAR, ALPHANUMERIC, STRING, ... [(n)]
  FixedText,   // CHAR, CHARACTER, NCHAR, ... [(n)]: blank-padded to n
  Memo,        // TEXT without a size, MEMO, LONGTEXT, LONGCHAR, NOTE, NTEXT
  Binary,      // BINARY, VARBINARY, BINARY VARYING, BIT VARYING [(n)]
  LongBinary,  // LONGBINARY, IMAGE, GENERAL, OLEOBJECT
};

struct DeclaredColumn {
  std::string name;
  ColumnKind kind = ColumnKind::Text;
  int length = 0;     // Text and FixedText: characters; Binary: bytes; 0 otherwise
  int precision = 0;  // Decimal
  int scale = 0;      // Decimal
  bool compressed = false;  // WITH COMPRESSION: text kept as compressed Unicode
  bool notNull = false;
};

struct IndexColumn {
  std::string name;
  bool ascending = true;
};

// An index, from CREATE INDEX or a PRIMARY KEY or UNIQUE constraint.
struct DeclaredIndex {
  std::string name;  // empty: the engine names it
  std::vector<IndexColumn> columns;
  bool unique = false;
  bool primaryKey = false;
  bool disallowNull = false;  // WITH DISALLOW NULL (a primary key implies it)
  bool ignoreNull = false;    // WITH IGNORE NULL: rows with Null keys are left out
};

struct CreateTable {
  std::string table;
  std::vector<DeclaredColumn> columns;
  std::vector<DeclaredIndex> indexes;  // its constraints, in the order written
};

struct CreateIndex {
  std::string table;
  DeclaredIndex index;
};

struct DropIndex {
  std::string table;
  std::string index;
};

// A value of INSERT, as written. `text` holds: for Text the value (UTF-8, quotes
// undone); for Number the number as written; for Date what stands between the
// #s; for Guid what stands between the braces; for Binary the hex digits after 0x.
struct Literal {
  enum class Kind { Null, Text, Number, Date, Boolean, Guid, Binary };
  Kind kind = Kind::Null;
  std::string text;
  bool truth = false;  // Boolean: TRUE, YES, ON
};

struct InsertValues {
  std::string table;
  std::vector<std::string> columns;  // empty: every column, in the table's order
  std::vector<Literal> values;
};

struct DropTable {
  std::string table;
};

using Statement = std::variant<Select, CreateTable, InsertValues, DropTable, CreateIndex, DropIndex>;

// A statement Jet would refuse before touching any table, worded as Jet words it
// and numbered as a failed statement.
class SyntaxError : public Error {
 public:
  explicit SyntaxError(const std::string& description) : Error(kStatementFailed, description) {}
};

// Parses one statement; throws SyntaxError.
Statement Parse(std::string_view sql);

// The literal `text` is made of, blanks around it allowed, as INSERT reads it;
// nullopt when it is anything else.
std::optional<Literal> ParseLiteral(std::string_view text);

// Why `text` is not valid UTF-8 (naming the first bad byte and where it is);
// empty when it is. Encoded surrogates and code points beyond U+10FFFF are invalid.
std::optional<std::string> InvalidUtf8Reason(std::string_view text);

}  // namespace jet::sql
