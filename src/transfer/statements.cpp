#include "transfer/statements.h"

namespace transfer {
namespace {

template <typename Quote>
std::string CreateTable(std::string_view table, const std::vector<TargetColumn>& columns, Quote quote,
                        std::string_view longType) {
  std::string text = "CREATE TABLE " + quote(table) + "(";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ',';
    text += quote(columns[i].name);
    if (columns[i].kind == TextKind::kLong) {
      text += ' ';
      text += longType;
    } else {
      text += " char(" + std::to_string(columns[i].width) + ")";
    }
  }
  return text + ");";
}

}  // namespace

void AppendQuotedValue(std::string& text, std::string_view value) {
  text += '\'';
  // Runs without an apostrophe go in whole; each apostrophe is doubled.
  for (std::size_t quote; (quote = value.find('\'')) != std::string_view::npos; value.remove_prefix(quote + 1)) {
    text.append(value.data(), quote + 1);
    text += '\'';
  }
  text += value;
  text += '\'';
}

std::string AccessName(std::string_view name) { return "`" + std::string(name) + "`"; }

std::string QuoteMySqlIdentifier(std::string_view name) {
  std::string text = "`";
  for (char c : name) {
    if (c == '`') text += '`';
    text += c;
  }
  return text + "`";
}

std::string AccessSelectStatement(std::string_view table, const std::vector<std::string>& fields) {
  std::string list;
  for (const std::string& field : fields) list += (list.empty() ? "[" : ", [") + field + "]";
  return "SELECT " + (list.empty() ? std::string("*") : list) + " FROM [" + std::string(table) + "]";
}

std::string MySqlCreateTable(std::string_view table, const std::vector<TargetColumn>& columns) {
  return CreateTable(table, columns, QuoteMySqlIdentifier, "longtext");
}

std::string MySqlInsertPrefix(std::string_view table) { return "INSERT INTO " + QuoteMySqlIdentifier(table) + " VALUES"; }

std::string MySqlTableTransactions(std::string_view table) {
  std::string text =
      "SELECT e.TRANSACTIONS FROM information_schema.TABLES t JOIN information_schema.ENGINES e "
      "ON e.ENGINE = t.ENGINE WHERE t.TABLE_SCHEMA = DATABASE() AND t.TABLE_NAME = ";
  AppendQuotedValue(text, table);
  return text;
}

std::string MySqlInsert(std::string_view table, const std::vector<std::string>& texts) {
  std::string text = MySqlInsertPrefix(table) + "(";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) text += ", ";
    if (texts[i].empty())
      text += "NULL";
    else
      AppendQuotedValue(text, texts[i]);
  }
  return text + ");";
}

std::string MySqlLoadData(std::string_view table, const std::vector<std::string>& columns) {
  // The file name is never opened: the session offers the rows from memory.
  // The escape character is named, and in hexadecimal: with
  // NO_BACKSLASH_ESCAPES the server's default is none, and a quoted
  // backslash would read differently without that mode.
  std::string text = "LOAD DATA LOCAL INFILE 'rows' INTO TABLE " + QuoteMySqlIdentifier(table) +
                     " CHARACTER SET utf8mb4 FIELDS ESCAPED BY X'5C' (";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ',';
    text += QuoteMySqlIdentifier(columns[i]);
  }
  return text + ")";
}

void AppendMySqlLoadLine(std::string& data, const std::vector<std::string>& texts) {
  static constexpr std::string_view kEscaped("\\\t\n\r\0", 5);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) data += '\t';
    std::string_view text = texts[i];
    if (text.empty()) {
      data += "\\N";
      continue;
    }
    // Runs without a character to escape go whole.
    for (std::size_t at = text.find_first_of(kEscaped); at != std::string_view::npos;
         at = text.find_first_of(kEscaped)) {
      data.append(text.substr(0, at));
      data += '\\';
      switch (text[at]) {
        case '\t': data += 't'; break;
        case '\n': data += 'n'; break;
        case '\r': data += 'r'; break;
        case '\0': data += '0'; break;
        default: data += text[at];
      }
      text.remove_prefix(at + 1);
    }
    data.append(text);
  }
  data += '\n';
}

std::string MySqlDescribe(std::string_view table) { return "describe " + QuoteMySqlIdentifier(table); }

std::string MySqlSelectColumns(std::string_view table, const std::vector<std::string>& columns) {
  std::string text = "SELECT ";
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += ',';
    text += QuoteMySqlIdentifier(columns[i]);
  }
  return text + " FROM " + QuoteMySqlIdentifier(table);
}

std::string AccessDropTable(std::string_view table) { return "DROP TABLE [" + std::string(table) + "]"; }

std::string AccessCreateTable(std::string_view table, const std::vector<TargetColumn>& columns) {
  return CreateTable(table, columns, AccessName, "memo");
}

std::string AccessInsert(std::string_view table, const std::vector<std::optional<std::string_view>>& cells) {
  // Built in one buffer sized for every value and its quotes (a doubled
  // apostrophe may still grow it): one allocation for most rows.
  constexpr std::string_view kStart = "INSERT INTO `", kValues = "` VALUES(";
  std::size_t length = kStart.size() + table.size() + kValues.size() + 2;
  for (const std::optional<std::string_view>& cell : cells) length += cell ? cell->size() + 4 : 6;
  std::string text;
  text.reserve(length);
  text.append(kStart).append(table).append(kValues);
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) text += ", ";
    if (cells[i])
      AppendQuotedValue(text, *cells[i]);
    else
      text += "NULL";
  }
  text += ");";
  return text;
}

}  // namespace transfer
