#include "jet/sql/statement.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace jet::sql {
namespace {

// Words Jet will not take as a bare name.
constexpr std::array<std::string_view, 58> kReservedWords = {
    "ADD",      "ALL",     "ALTER",    "AND",     "ANY",      "AS",       "ASC",     "BETWEEN",
    "BY",       "CHAR",    "CHARACTER", "COLUMN", "CONSTRAINT", "CREATE", "DATABASE", "DELETE",
    "DESC",     "DISTINCT", "DROP",    "EXISTS",  "FOREIGN",  "FROM",     "GROUP",   "HAVING",
    "IN",       "INDEX",   "INNER",    "INSERT",  "INTO",     "IS",       "JOIN",    "KEY",
    "LEFT",     "LIKE",    "MEMO",     "NOT",     "NULL",     "ON",       "OR",      "ORDER",
    "OUTER",    "PRIMARY", "REFERENCES", "RIGHT", "SELECT",   "SET",      "TABLE",   "TEXT",
    "TO",       "UNION",   "UNIQUE",   "UPDATE",  "VALUE",    "VALUES",   "VARCHAR", "WHERE",
    "WITH",     "PROCEDURE"};

// Character classes of SQL text, ASCII only: keywords and bare-name rules are
// ASCII, and the C library's versions would follow the process's locale.
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
constexpr bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return Upper(x) == Upper(y);
         });
}

bool IsReserved(std::string_view word) {
  return std::any_of(kReservedWords.begin(), kReservedWords.end(),
                     [&](std::string_view r) { return EqualsIgnoringCase(word, r); });
}

// Bytes of bare names: ASCII letters, digits, underscore and any non-ASCII
// UTF-8 byte (Jet takes national letters in bare names).
bool IsNameByte(unsigned char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c >= 0x80; }

class Parser {
 public:
  Parser(std::string_view sql, const char* syntaxMessage) : sql_(sql), message_(syntaxMessage) {}

  void SkipBlanks() {
    while (pos_ < sql_.size() && IsBlank(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
  }

  bool TryWord(std::string_view word) {
    SkipBlanks();
    if (sql_.size() - pos_ < word.size() || !EqualsIgnoringCase(sql_.substr(pos_, word.size()), word))
      return false;
    std::size_t end = pos_ + word.size();
    if (end < sql_.size() && IsNameByte(static_cast<unsigned char>(sql_[end]))) return false;
    pos_ = end;
    return true;
  }

  void ExpectWord(std::string_view word) {
    if (!TryWord(word)) Fail();
  }

  bool TryChar(char c) {
    SkipBlanks();
    if (pos_ < sql_.size() && sql_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void ExpectChar(char c) {
    if (!TryChar(c)) Fail();
  }

  // A name bare, in [brackets] or in `backticks`.
  std::string Name() {
    SkipBlanks();
    if (pos_ >= sql_.size()) Fail();
    char open = sql_[pos_];
    if (open == '[' || open == '`') {
      char close = open == '[' ? ']' : '`';
      std::size_t end = sql_.find(close, pos_ + 1);
      if (end == std::string_view::npos || end == pos_ + 1) Fail();
      std::string name(sql_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return name;
    }
    std::size_t start = pos_;
    while (pos_ < sql_.size() && IsNameByte(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
    std::string_view word = sql_.substr(start, pos_ - start);
    if (word.empty() || IsDigit(static_cast<unsigned char>(word[0])) || IsReserved(word)) {
      pos_ = start;
      Fail();
    }
    return std::string(word);
  }

  int Count() {
    SkipBlanks();
    int value = 0;
    auto [end, error] = std::from_chars(sql_.data() + pos_, sql_.data() + sql_.size(), value);
    if (error != std::errc() || end == sql_.data() + pos_) Fail();
    pos_ = static_cast<std::size_t>(end - sql_.data());
    return value;
  }

  // 'text' with '' standing for one apostrophe, an unquoted number, or NULL.
  std::optional<std::string> Literal() {
    SkipBlanks();
    if (TryWord("NULL")) return std::nullopt;
    if (pos_ < sql_.size() && sql_[pos_] == '\'') {
      std::string text;
      ++pos_;
      for (;;) {
        std::size_t quote = sql_.find('\'', pos_);
        if (quote == std::string_view::npos) Fail();
        text.append(sql_.substr(pos_, quote - pos_));
        pos_ = quote + 1;
        if (pos_ < sql_.size() && sql_[pos_] == '\'') {
          text += '\'';
          ++pos_;
        } else {
          return text;
        }
      }
    }
    std::size_t start = pos_;
    if (pos_ < sql_.size() && (sql_[pos_] == '-' || sql_[pos_] == '+')) ++pos_;
    while (pos_ < sql_.size() && (IsDigit(static_cast<unsigned char>(sql_[pos_])) || sql_[pos_] == '.'))
      ++pos_;
    std::string_view number = sql_.substr(start, pos_ - start);
    if (number.empty() || number.find_first_of("0123456789") == std::string_view::npos) {
      pos_ = start;
      Fail();
    }
    return std::string(number);
  }

  // Nothing but an optional ";" and blanks may follow.
  void ExpectEnd() {
    TryChar(';');
    SkipBlanks();
    if (pos_ != sql_.size()) Fail();
  }

  [[noreturn]] void Fail() const { throw SyntaxError(message_); }

 private:
  std::string_view sql_;
  const char* message_;
  std::size_t pos_ = 0;
};

ColumnSpec ColumnDefinition(Parser& p) {
  ColumnSpec column;
  column.name = p.Name();
  auto sized = [&](ColumnKind kind) {
    column.kind = kind;
    p.ExpectChar('(');
    column.length = p.Count();
    p.ExpectChar(')');
  };
  if (p.TryWord("CHAR") || p.TryWord("CHARACTER")) {
    sized(ColumnKind::FixedText);
  } else if (p.TryWord("TEXT") || p.TryWord("VARCHAR")) {
    sized(ColumnKind::Text);
  } else if (p.TryWord("MEMO") || p.TryWord("LONGTEXT")) {
    column.kind = ColumnKind::Memo;
  } else {
    throw SyntaxError("Syntax error in field definition.");
  }
  if (column.kind != ColumnKind::Memo && (column.length < 1 || column.length > 255)) {
    throw SyntaxError("Size of field '" + column.name + "' must be from 1 to 255 characters.");
  }
  return column;
}

Statement ParseCreate(Parser& p) {
  CreateTable create;
  create.table = p.Name();
  p.ExpectChar('(');
  do {
    create.columns.push_back(ColumnDefinition(p));
  } while (p.TryChar(','));
  p.ExpectChar(')');
  p.ExpectEnd();
  return create;
}

Statement ParseInsert(Parser& p) {
  InsertValues insert;
  p.ExpectWord("INTO");
  insert.table = p.Name();
  p.ExpectWord("VALUES");
  p.ExpectChar('(');
  insert.values.reserve(16);
  do {
    insert.values.push_back(p.Literal());
  } while (p.TryChar(','));
  p.ExpectChar(')');
  p.ExpectEnd();
  return insert;
}

}  // namespace

Statement Parse(std::string_view sql) {
  Parser first(sql, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
  if (first.TryWord("SELECT")) {
    Parser p(sql, "Syntax error in FROM clause.");
    p.ExpectWord("SELECT");
    Select select;
    if (!p.TryChar('*')) {
      do select.columns.push_back(p.Name());
      while (p.TryChar(','));
    }
    if (!p.TryWord("FROM")) {
      p.ExpectEnd();
      throw SyntaxError("Syntax error in query. Incomplete query clause.");
    }
    select.table = p.Name();
    p.ExpectEnd();
    return select;
  }
  if (first.TryWord("CREATE")) {
    Parser p(sql, "Syntax error in CREATE TABLE statement.");
    p.ExpectWord("CREATE");
    p.ExpectWord("TABLE");
    return ParseCreate(p);
  }
  if (first.TryWord("INSERT")) {
    Parser p(sql, "Syntax error in INSERT INTO statement.");
    p.ExpectWord("INSERT");
    return ParseInsert(p);
  }
  if (first.TryWord("DROP")) {
    Parser p(sql, "Syntax error in DROP TABLE or DROP INDEX.");
    p.ExpectWord("DROP");
    p.ExpectWord("TABLE");
    DropTable drop{p.Name()};
    p.ExpectEnd();
    return drop;
  }
  first.Fail();
}

}  // namespace jet::sql
