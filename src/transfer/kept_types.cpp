#include "transfer/kept_types.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "access/access_catalogue.h"
#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"
#include "jet/names.h"
#include "jet/sql/names.h"
#include "jet/tdef.h"
#include "jet/value.h"
#include "transfer/cell_text.h"
#include "transfer/column_plan.h"
#include "transfer/statements.h"

namespace transfer {
namespace {

using jet::ColumnType;

// ---- Access to MySQL ------------------------------------------------------

std::string MySqlType(const msaccess::AccessColumnDesign& c) {
  switch (static_cast<ColumnType>(c.type)) {
    case ColumnType::Boolean: return "BOOLEAN NOT NULL";
    case ColumnType::Byte: return "TINYINT UNSIGNED";
    case ColumnType::Integer: return "SMALLINT";
    case ColumnType::Long: return c.autoNumber ? "INT NOT NULL AUTO_INCREMENT" : "INT";
    case ColumnType::Currency: return "DECIMAL(19,4)";
    case ColumnType::Single: return "FLOAT";
    case ColumnType::Double: return "DOUBLE";
    case ColumnType::DateTime: return "DATETIME(3)";
    case ColumnType::Binary: return "VARBINARY(" + std::to_string(std::max(c.length, 1)) + ")";
    case ColumnType::Text: return "VARCHAR(" + std::to_string(std::max(c.length, 1)) + ")";
    case ColumnType::Ole: return "LONGBLOB";
    case ColumnType::Memo: return "LONGTEXT";
    case ColumnType::Guid: return "CHAR(38)";
    case ColumnType::Decimal:
      return "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    case ColumnType::Complex: break;
  }
  return "LONGTEXT";  // the engine reads no other type; its text would go here
}

// A key part over a long type needs a prefix; Jet indexes no such column
// anyway, so this only keeps the statement valid.
std::string KeyPart(const std::vector<msaccess::AccessColumnDesign>& columns, const std::string& name,
                    bool ascending) {
  std::string part = QuoteMySqlIdentifier(name);
  auto column = std::find_if(columns.begin(), columns.end(), [&](const auto& c) { return c.name == name; });
  if (column != columns.end() &&
      (column->type == static_cast<std::uint8_t>(ColumnType::Memo) ||
       column->type == static_cast<std::uint8_t>(ColumnType::Ole)))
    part += "(255)";
  return ascending ? part : part + " DESC";
}

std::string AccessDateLiteral(double oleDate) {
  const jet::CivilTime t = jet::ToCivil(oleDate);
  char text[48];
  std::snprintf(text, sizeof text, "'%04d-%02d-%02d %02d:%02d:%02d.%03d'", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return text;
}

struct LiteralOf {
  std::string operator()(const dataaccess::Null&) const { return "NULL"; }
  std::string operator()(bool b) const { return b ? "1" : "0"; }
  std::string operator()(const dataaccess::DateTime& t) const { return AccessDateLiteral(t.oleDate); }
  std::string operator()(const std::string& s) const {
    std::string text;
    AppendQuotedValue(text, s);
    return text;
  }
  std::string operator()(const dataaccess::Bytes& b) const {
    return b.empty() ? "X''" : "X'" + jet::HexText(b).substr(2) + "'";
  }
  std::string operator()(const dataaccess::SqlDateTime& t) const {
    return "'" + dataaccess::SqlDateTimeText(t) + "'";
  }
  // Numbers: their plain decimal text is the literal.
  template <typename Number>
  std::string operator()(const Number& n) const {
    return CellText(n);
  }
};

// ---- MySQL to Access ------------------------------------------------------

constexpr long long kMaxAccessText = 255;
constexpr long long kMaxAccessBinary = 255;
constexpr long long kMaxAccessDecimalPrecision = 28;
constexpr std::size_t kMaxAccessIndexColumns = 10;
constexpr std::size_t kMaxAccessIndexes = 32;

struct MySqlColumn {
  std::string name, dataType, columnType;
  long long characters = 0, precision = 0, scale = 0;
  bool nullable = true, autoIncrement = false;
};

long long Number(const dataaccess::Value& value) {
  return dataaccess::IsNull(value) ? 0 : std::strtoll(CellText(value).c_str(), nullptr, 10);
}

KeptAccessColumn AccessColumnFor(const MySqlColumn& c) {
  const bool isUnsigned = c.columnType.find("unsigned") != std::string::npos;
  KeptAccessColumn kept{c.name, c.dataType, "MEMO", AccessLiteralForm::kQuoted, !c.nullable, true};
  auto set = [&](std::string type, AccessLiteralForm form = AccessLiteralForm::kQuoted) {
    kept.type = std::move(type);
    kept.form = form;
  };
  auto text = [&](long long n) { set(n >= 1 && n <= kMaxAccessText ? "TEXT(" + std::to_string(n) + ")" : "MEMO"); };
  auto binary = [&](long long n) {
    set(n >= 1 && n <= kMaxAccessBinary ? "VARBINARY(" + std::to_string(n) + ")" : "LONGBINARY",
        AccessLiteralForm::kBinary);
  };
  const std::string& t = c.dataType;
  // Jet keeps a Yes/No in the row's null bits: only a column that holds no
  // Null can be one.
  if ((t == "tinyint" && c.columnType.rfind("tinyint(1)", 0) == 0 && !isUnsigned && !c.nullable) ||
      (t == "bit" && c.precision == 1 && !c.nullable))
    set("BIT", AccessLiteralForm::kBoolean);
  else if (t == "tinyint") set(isUnsigned ? "BYTE" : "SMALLINT");
  else if (t == "smallint") set(isUnsigned ? "LONG" : "SMALLINT");
  else if (t == "mediumint") set("LONG");
  else if (t == "int" && isUnsigned) set("DECIMAL(10,0)");
  else if (t == "int") set(c.autoIncrement ? "COUNTER" : "LONG");
  else if (t == "bigint") set(isUnsigned ? "DECIMAL(20,0)" : "DECIMAL(19,0)");
  else if (t == "bit") set("DECIMAL(20,0)");
  else if (t == "float") set("REAL");
  else if (t == "double") set("DOUBLE");
  else if (t == "decimal" && c.precision == 19 && c.scale == 4) set("CURRENCY");
  else if (t == "decimal" && c.precision <= kMaxAccessDecimalPrecision)
    set("DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")");
  else if (t == "decimal") text(c.precision + 2);  // sign and point
  else if (t == "date" || t == "datetime" || t == "timestamp" || t == "time") set("DATETIME");
  else if (t == "year") set("SMALLINT");
  else if (t == "char" || t == "varchar" || t == "enum" || t == "set") text(c.characters);
  else if (t == "tinytext") text(kMaxAccessText);
  else if (t == "binary" || t == "varbinary") binary(c.characters);
  else if (t == "tinyblob") binary(kMaxAccessBinary);
  else if (t == "blob" || t == "mediumblob" || t == "longblob" || t == "geometry" || t == "point" ||
           t == "linestring" || t == "polygon" || t == "multipoint" || t == "multilinestring" ||
           t == "multipolygon" || t == "geometrycollection")
    binary(0);
  else if (t == "uuid") set("GUID");
  kept.indexable = kept.type != "MEMO" && kept.type != "LONGBINARY";
  // A Yes/No is never Null; NOT NULL on it would add nothing.
  if (kept.form == AccessLiteralForm::kBoolean) kept.notNull = false;
  return kept;
}

std::vector<MySqlColumn> ReadMySqlColumns(dataaccess::Connection& mySql, const std::string& table) {
  std::string query =
      "SELECT COLUMN_NAME, DATA_TYPE, COLUMN_TYPE, CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE, "
      "IS_NULLABLE, EXTRA FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ";
  AppendQuotedValue(query, table);
  query += " ORDER BY ORDINAL_POSITION";
  std::vector<MySqlColumn> columns;
  for (dataaccess::Recordset rows = mySql.Execute(query); !rows.Eof(); rows.MoveNext()) {
    MySqlColumn c;
    c.name = CellText(rows.Field(0).Value());
    c.dataType = CellText(rows.Field(1).Value());
    c.columnType = CellText(rows.Field(2).Value());
    c.characters = Number(rows.Field(3).Value());
    c.precision = Number(rows.Field(4).Value());
    c.scale = Number(rows.Field(5).Value());
    c.nullable = CellText(rows.Field(6).Value()) == "YES";
    c.autoIncrement = CellText(rows.Field(7).Value()).find("auto_increment") != std::string::npos;
    std::transform(c.dataType.begin(), c.dataType.end(), c.dataType.begin(), ::tolower);
    std::transform(c.columnType.begin(), c.columnType.end(), c.columnType.begin(), ::tolower);
    columns.push_back(std::move(c));
  }
  return columns;
}

// A MySQL key name as Jet takes an index name: the characters Jet refuses
// become '_', leading blanks go, and a name another index of the table has
// already (letter case aside) is numbered, as Access numbers its own. MySQL
// names are at most 64 characters, as Jet's are.
std::string AccessIndexName(std::string name, const std::vector<KeptAccessIndex>& taken) {
  for (char& c : name)
    if (jet::sql::ForbiddenInName(static_cast<unsigned char>(c))) c = '_';
  name.erase(0, name.find_first_not_of(' '));
  if (name.empty()) name = "Index";
  auto isTaken = [&](const std::string& candidate) {
    return std::any_of(taken.begin(), taken.end(),
                       [&](const KeptAccessIndex& other) { return jet::SameName(other.name, candidate); });
  };
  std::string numbered = name;
  for (int n = 1; isTaken(numbered); ++n) numbered = name + std::to_string(n);
  return numbered;
}

// SHOW INDEX: one row a key part, the parts of a key together in order; the
// primary key first, then the unique keys, then the others.
std::vector<KeptAccessIndex> ReadMySqlKeys(dataaccess::Connection& mySql, const std::string& table,
                                           const std::vector<KeptAccessColumn>& columns) {
  enum { kNonUnique = 1, kKeyName = 2, kColumnName = 4, kCollation = 5 };
  std::vector<KeptAccessIndex> keys;
  std::vector<bool> usable;
  for (dataaccess::Recordset rows = mySql.Execute("SHOW INDEX FROM " + QuoteMySqlIdentifier(table)); !rows.Eof();
       rows.MoveNext()) {
    const std::string name = CellText(rows.Field(kKeyName).Value());
    if (keys.empty() || keys.back().name != name) {
      const bool primary = name == "PRIMARY";
      keys.push_back({name, {}, primary, primary || CellText(rows.Field(kNonUnique).Value()) == "0"});
      usable.push_back(true);
    }
    const dataaccess::Value& column = rows.Field(kColumnName).Value();
    auto kept = std::find_if(columns.begin(), columns.end(),
                             [&](const KeptAccessColumn& c) { return c.name == CellText(column); });
    // An expression key, or a key over a column Jet cannot index (a prefix
    // over a Memo), stays behind; a prefix over a Text column indexes the
    // whole column, which a prefix unique key keeps unique too.
    if (dataaccess::IsNull(column) || kept == columns.end() || !kept->indexable) usable.back() = false;
    keys.back().columns.emplace_back(CellText(column), CellText(rows.Field(kCollation).Value()) != "D");
  }
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (keys[i].columns.size() > kMaxAccessIndexColumns) usable[i] = false;
  std::vector<KeptAccessIndex> indexes;
  for (int pass = 0; pass < 3; ++pass)
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const int rank = keys[i].primaryKey ? 0 : keys[i].unique ? 1 : 2;
      if (!usable[i] || rank != pass || indexes.size() == kMaxAccessIndexes) continue;
      keys[i].name = keys[i].primaryKey ? "PrimaryKey" : AccessIndexName(keys[i].name, indexes);
      indexes.push_back(std::move(keys[i]));
    }
  return indexes;
}

}  // namespace

std::string MySqlKeptCreateTable(std::string_view table, std::vector<msaccess::AccessColumnDesign> columns,
                                 const std::vector<msaccess::AccessIndexDesign>& indexes, std::size_t bytesPerChar) {
  // MySQL's row limit counts each VARCHAR at its full width: the widest text
  // columns become LONGTEXT while the row would exceed it (a longtext counts
  // 12 bytes; 8 bytes stand for any other column, more than each takes).
  auto isText = [](const msaccess::AccessColumnDesign& c) { return c.type == static_cast<std::uint8_t>(ColumnType::Text); };
  for (;;) {
    std::size_t bytes = 0;
    auto widest = columns.end();
    for (auto c = columns.begin(); c != columns.end(); ++c) {
      if (!isText(*c)) {
        bytes += c->type == static_cast<std::uint8_t>(ColumnType::Memo) ? 12 : 8;
        continue;
      }
      bytes += static_cast<std::size_t>(c->length) * bytesPerChar + 2;
      if (widest == columns.end() || c->length > widest->length) widest = c;
    }
    if (bytes <= kMySqlMaxRowBytes || widest == columns.end()) break;
    widest->type = static_cast<std::uint8_t>(ColumnType::Memo);
  }
  std::string text = "CREATE TABLE " + QuoteMySqlIdentifier(table) + "(";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ',';
    text += QuoteMySqlIdentifier(columns[i].name) + " " + MySqlType(columns[i]);
  }
  std::map<std::string, bool> leadsAKey;  // MySQL wants an AUTO_INCREMENT column first in a key
  bool hasPrimary = false;
  for (const msaccess::AccessIndexDesign& index : indexes) {
    // Access may keep two indexes alike; MySQL takes only one primary key.
    if (index.primaryKey && hasPrimary) continue;
    hasPrimary = hasPrimary || index.primaryKey;
    text += index.primaryKey ? ",PRIMARY KEY " : index.unique ? ",UNIQUE KEY " : ",KEY ";
    if (!index.primaryKey) text += QuoteMySqlIdentifier(index.name);
    text += '(';
    for (std::size_t k = 0; k < index.columns.size(); ++k) {
      if (k > 0) text += ',';
      text += KeyPart(columns, index.columns[k].first, index.columns[k].second);
    }
    text += ')';
    leadsAKey[index.columns.front().first] = true;
  }
  for (const msaccess::AccessColumnDesign& c : columns)
    if (c.autoNumber && c.type == static_cast<std::uint8_t>(ColumnType::Long) && !leadsAKey.count(c.name))
      text += ",KEY(" + QuoteMySqlIdentifier(c.name) + ")";
  return text + ");";
}

std::string MySqlLiteral(const dataaccess::Value& value) { return std::visit(LiteralOf{}, value); }

std::string MySqlInsertLiterals(std::string_view table, const std::vector<std::string>& literals) {
  std::string text = MySqlInsertPrefix(table) + "(";
  for (std::size_t i = 0; i < literals.size(); ++i) {
    if (i > 0) text += ", ";
    text += literals[i];
  }
  return text + ");";
}

KeptAccessTable PlanKeptAccessTable(dataaccess::Connection& mySql, const std::string& table) {
  KeptAccessTable plan;
  for (const MySqlColumn& c : ReadMySqlColumns(mySql, table)) plan.columns.push_back(AccessColumnFor(c));
  plan.indexes = ReadMySqlKeys(mySql, table, plan.columns);
  return plan;
}

std::vector<std::string> AccessKeptCreateStatements(std::string_view table, const KeptAccessTable& plan) {
  std::string create = "CREATE TABLE " + AccessName(table) + "(";
  for (std::size_t i = 0; i < plan.columns.size(); ++i) {
    if (i > 0) create += ',';
    create += AccessName(plan.columns[i].name) + " " + plan.columns[i].type;
    if (plan.columns[i].notNull) create += " NOT NULL";
  }
  std::vector<std::string> statements(1);
  for (const KeptAccessIndex& index : plan.indexes) {
    std::string parts;
    bool ascending = true;
    for (const auto& [column, up] : index.columns) {
      parts += (parts.empty() ? "" : ",") + AccessName(column) + (up ? "" : " DESC");
      ascending = ascending && up;
    }
    // The constraint takes no order: a primary key with a descending part
    // is made by CREATE INDEX ... WITH PRIMARY instead.
    if (index.primaryKey && ascending) {
      create += ",CONSTRAINT " + AccessName(index.name) + " PRIMARY KEY(" + parts + ")";
      continue;
    }
    statements.push_back(std::string("CREATE ") + (index.unique && !index.primaryKey ? "UNIQUE " : "") + "INDEX " +
                         AccessName(index.name) + " ON " + AccessName(table) + "(" + parts + ")" +
                         (index.primaryKey ? " WITH PRIMARY;" : ";"));
  }
  statements.front() = create + ");";
  return statements;
}

std::string AccessKeptInsert(std::string_view table, const std::vector<KeptAccessColumn>& columns,
                             const std::vector<std::optional<std::string_view>>& cells) {
  std::string text = "INSERT INTO " + AccessName(table) + " VALUES(";
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) text += ", ";
    const std::optional<std::string_view>& cell = cells[i];
    if (!cell) {
      text += "NULL";
    } else if (columns[i].form == AccessLiteralForm::kBinary) {
      text += cell->empty() ? std::string_view("0x") : *cell;
    } else if (columns[i].form == AccessLiteralForm::kBoolean && (*cell == "0" || *cell == "1")) {
      text += *cell == "1" ? "TRUE" : "FALSE";
    } else {
      AppendQuotedValue(text, *cell);
    }
  }
  return text + ");";
}

std::string KeptComparableText(const KeptAccessColumn& column, std::string comparable) {
  if (column.mySqlType == "year" && comparable.size() == 4) {
    const std::size_t digit = comparable.find_first_not_of('0');
    return digit == std::string::npos ? "0" : comparable.substr(digit);
  }
  if (column.mySqlType == "uuid" && comparable.size() == 36) {
    std::transform(comparable.begin(), comparable.end(), comparable.begin(), ::toupper);
    return "{" + comparable + "}";
  }
  return comparable;
}

}  // namespace transfer
