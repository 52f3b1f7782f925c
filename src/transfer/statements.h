// The SQL texts both transfers send, built from fixed fragments, names and
// value texts (UTF-8). MySQL names go between backticks with inner backticks
// doubled; Access names between backticks or square brackets as they are
// (Jet allows neither character in a name). Values are quoted with every
// apostrophe doubled and nothing else changed; the MySQL session reads
// backslashes literally.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/column_plan.h"

namespace transfer {

struct TargetColumn {
  std::string name;
  std::size_t width = kDefaultWidth;
  TextKind kind = TextKind::kChar;
};

// `value` between apostrophes, each apostrophe inside doubled.
void AppendQuotedValue(std::string& text, std::string_view value);

// `name` between backticks, inner backticks doubled.
std::string QuoteMySqlIdentifier(std::string_view name);

// The Access row source: SELECT * FROM [name], or with `fields` given, only
// those: SELECT [a], [b] FROM [name].
std::string AccessSelectStatement(std::string_view table, const std::vector<std::string>& fields = {});

// CREATE TABLE `t`(`a` char(3),`b` longtext);
std::string MySqlCreateTable(std::string_view table, const std::vector<TargetColumn>& columns);

// INSERT INTO `t` VALUES('1', NULL, 'O''Brien'); an empty text is sent as NULL.
std::string MySqlInsert(std::string_view table, const std::vector<std::string>& texts);

// The same rows as MySqlInsert gives, loaded in bulk: LOAD DATA LOCAL INFILE
// of the named columns in the server's default text form (utf8mb4), whose
// lines MySqlLoadLine makes.
std::string MySqlLoadData(std::string_view table, const std::vector<std::string>& columns);

// One row of that text form: the values tab-separated, ending in a newline;
// an empty text is \N (NULL, as MySqlInsert sends it), and a backslash, tab,
// newline, carriage return or NUL inside a value is escaped by a backslash.
void AppendMySqlLoadLine(std::string& data, const std::vector<std::string>& texts);

// "INSERT INTO `t` VALUES", which every MySqlInsert of `table` starts with
// before its parenthesised values.
std::string MySqlInsertPrefix(std::string_view table);

// Whether the server keeps `table` of the current database in an engine
// with transactions: one row, YES or NO.
std::string MySqlTableTransactions(std::string_view table);

// "describe " and the quoted name: the column names of a MySQL table.
std::string MySqlDescribe(std::string_view table);

// One SELECT of every column in the described order, so the values of a row
// stay together: SELECT `a`,`b` FROM `t`.
std::string MySqlSelectColumns(std::string_view table, const std::vector<std::string>& columns);

// `name` as Access statements name a table or column: between backticks.
std::string AccessName(std::string_view name);

// DROP TABLE [name]
std::string AccessDropTable(std::string_view table);

// CREATE TABLE `t`(`a` char(3),`b` memo);
std::string AccessCreateTable(std::string_view table, const std::vector<TargetColumn>& columns);

// INSERT INTO `t` VALUES('7', '', NULL); nullopt is NULL, any text (the empty
// one too) is quoted.
std::string AccessInsert(std::string_view table, const std::vector<std::optional<std::string_view>>& cells);

}  // namespace transfer
