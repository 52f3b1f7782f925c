#include "jet/sql/statement.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

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
constexpr bool IsHexDigit(unsigned char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
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

  bool AtEnd() const { return pos_ == sql_.size(); }

  // Where the parser stands, to come back to after a look ahead.
  std::size_t Mark() const { return pos_; }
  void Reset(std::size_t mark) { pos_ = mark; }

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

  // A value of INSERT: 'text' ('' standing for one apostrophe), a number, #date#,
  // TRUE/FALSE/YES/NO/ON/OFF, {guid}, 0x hex or NULL.
  Literal Value() {
    SkipBlanks();
    Literal literal;
    if (pos_ >= sql_.size()) Fail();
    const char c = sql_[pos_];
    // Only a letter begins NULL or a truth word; most values are looked at once.
    if (IsLetter(static_cast<unsigned char>(c))) {
      if (TryWord("NULL")) return literal;
      for (auto [word, truth] : {std::pair{"TRUE", true}, {"YES", true}, {"ON", true}, {"FALSE", false},
                                 {"NO", false}, {"OFF", false}}) {
        if (TryWord(word)) {
          literal.kind = Literal::Kind::Boolean;
          literal.truth = truth;
          return literal;
        }
      }
    }
    if (c == '\'') {
      literal.kind = Literal::Kind::Text;
      ++pos_;
      for (;;) {
        std::size_t quote = sql_.find('\'', pos_);
        if (quote == std::string_view::npos) Fail();
        literal.text.append(sql_.substr(pos_, quote - pos_));
        pos_ = quote + 1;
        if (pos_ < sql_.size() && sql_[pos_] == '\'') {
          literal.text += '\'';
          ++pos_;
        } else {
          return literal;
        }
      }
    }
    if (c == '#' || c == '{') {
      literal.kind = c == '#' ? Literal::Kind::Date : Literal::Kind::Guid;
      std::size_t close = sql_.find(c == '#' ? '#' : '}', pos_ + 1);
      if (close == std::string_view::npos) Fail();
      literal.text = sql_.substr(pos_ + 1, close - pos_ - 1);
      pos_ = close + 1;
      return literal;
    }
    std::size_t start = pos_;
    if (sql_.substr(pos_, 2) == "0x" || sql_.substr(pos_, 2) == "0X") {
      pos_ += 2;
      while (pos_ < sql_.size() && IsHexDigit(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
      literal.kind = Literal::Kind::Binary;
      literal.text = sql_.substr(start + 2, pos_ - start - 2);
      EndOfToken(start);
      return literal;
    }
    // [+|-] digits [. digits] [E [+|-] digits]
    if (c == '-' || c == '+') ++pos_;
    std::size_t digits = 0;
    while (pos_ < sql_.size() && IsDigit(static_cast<unsigned char>(sql_[pos_]))) ++pos_, ++digits;
    if (pos_ < sql_.size() && sql_[pos_] == '.') {
      ++pos_;
      while (pos_ < sql_.size() && IsDigit(static_cast<unsigned char>(sql_[pos_]))) ++pos_, ++digits;
    }
    if (digits == 0) {
      pos_ = start;
      Fail();
    }
    if (pos_ < sql_.size() && (sql_[pos_] == 'e' || sql_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < sql_.size() && (sql_[pos_] == '-' || sql_[pos_] == '+')) ++pos_;
      std::size_t exponent = pos_;
      while (pos_ < sql_.size() && IsDigit(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
      if (pos_ == exponent) Fail();
    }
    literal.kind = Literal::Kind::Number;
    literal.text = sql_.substr(start, pos_ - start);
    EndOfToken(start);
    return literal;
  }

  // A number or hex literal must not run on into a name: 12abc is no value.
  void EndOfToken(std::size_t start) {
    if (pos_ < sql_.size() && IsNameByte(static_cast<unsigned char>(sql_[pos_]))) {
      pos_ = start;
      Fail();
    }
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

// Type names, each with the kind it makes and whether it takes a size: (n) for
// texts and binaries, (precision[, scale]) for decimals, (seed, increment) for
// counters. Longer names come before their first words (BIT VARYING before BIT).
struct TypeName {
  std::initializer_list<std::string_view> words;
  ColumnKind kind;
};
const TypeName kTypeNames[] = {
    {{"BIT", "VARYING"}, ColumnKind::Binary},
    {{"BINARY", "VARYING"}, ColumnKind::Binary},
    {{"CHARACTER", "VARYING"}, ColumnKind::Text},
    {{"CHAR", "VARYING"}, ColumnKind::Text},
    {{"NATIONAL", "CHARACTER", "VARYING"}, ColumnKind::Text},
    {{"NATIONAL", "CHAR", "VARYING"}, ColumnKind::Text},
    {{"NATIONAL", "CHARACTER"}, ColumnKind::FixedText},
    {{"NATIONAL", "CHAR"}, ColumnKind::FixedText},
    {{"BIT"}, ColumnKind::Boolean},
    {{"BOOLEAN"}, ColumnKind::Boolean},
    {{"LOGICAL"}, ColumnKind::Boolean},
    {{"LOGICAL1"}, ColumnKind::Boolean},
    {{"YESNO"}, ColumnKind::Boolean},
    {{"BYTE"}, ColumnKind::Byte},
    {{"TINYINT"}, ColumnKind::Byte},
    {{"INTEGER1"}, ColumnKind::Byte},
    {{"SHORT"}, ColumnKind::Integer},
    {{"SMALLINT"}, ColumnKind::Integer},
    {{"INTEGER2"}, ColumnKind::Integer},
    {{"LONG"}, ColumnKind::Long},
    {{"INT"}, ColumnKind::Long},
    {{"INTEGER"}, ColumnKind::Long},
    {{"INTEGER4"}, ColumnKind::Long},
    {{"COUNTER"}, ColumnKind::Counter},
    {{"AUTOINCREMENT"}, ColumnKind::Counter},
    {{"CURRENCY"}, ColumnKind::Currency},
    {{"MONEY"}, ColumnKind::Currency},
    {{"SINGLE"}, ColumnKind::Single},
    {{"REAL"}, ColumnKind::Single},
    {{"FLOAT4"}, ColumnKind::Single},
    {{"IEEESINGLE"}, ColumnKind::Single},
    {{"DOUBLE"}, ColumnKind::Double},
    {{"FLOAT"}, ColumnKind::Double},
    {{"FLOAT8"}, ColumnKind::Double},
    {{"IEEEDOUBLE"}, ColumnKind::Double},
    {{"NUMBER"}, ColumnKind::Double},
    {{"DATETIME"}, ColumnKind::DateTime},
    {{"DATE"}, ColumnKind::DateTime},
    {{"TIME"}, ColumnKind::DateTime},
    {{"TIMESTAMP"}, ColumnKind::DateTime},
    {{"GUID"}, ColumnKind::Guid},
    {{"UNIQUEIDENTIFIER"}, ColumnKind::Guid},
    {{"DECIMAL"}, ColumnKind::Decimal},
    {{"NUMERIC"}, ColumnKind::Decimal},
    {{"DEC"}, ColumnKind::Decimal},
    {{"TEXT"}, ColumnKind::Text},  // a Memo when no size follows
    {{"VARCHAR"}, ColumnKind::Text},
    {{"NVARCHAR"}, ColumnKind::Text},
    {{"ALPHANUMERIC"}, ColumnKind::Text},
    {{"STRING"}, ColumnKind::Text},
    {{"CHARACTER"}, ColumnKind::FixedText},
    {{"CHAR"}, ColumnKind::FixedText},
    {{"NCHAR"}, ColumnKind::FixedText},
    {{"MEMO"}, ColumnKind::Memo},
    {{"LONGTEXT"}, ColumnKind::Memo},
    {{"LONGCHAR"}, ColumnKind::Memo},
    {{"NOTE"}, ColumnKind::Memo},
    {{"NTEXT"}, ColumnKind::Memo},
    {{"BINARY"}, ColumnKind::Binary},
    {{"VARBINARY"}, ColumnKind::Binary},
    {{"LONGBINARY"}, ColumnKind::LongBinary},
    {{"IMAGE"}, ColumnKind::LongBinary},
    {{"GENERAL"}, ColumnKind::LongBinary},
    {{"OLEOBJECT"}, ColumnKind::LongBinary},
};

constexpr int kMaxTextLength = 255;
constexpr int kMaxBinaryLength = 255;
constexpr int kMaxDecimalPrecision = 28;
constexpr int kDefaultDecimalPrecision = 18;

[[noreturn]] void FieldSyntax() { throw SyntaxError("Syntax error in field definition."); }

void ParseType(Parser& p, DeclaredColumn& column) {
  const TypeName* type = nullptr;
  for (const TypeName& t : kTypeNames) {
    const std::size_t mark = p.Mark();
    bool all = true;
    for (std::string_view word : t.words) all = all && p.TryWord(word);
    if (all) {
      type = &t;
      break;
    }
    p.Reset(mark);
  }
  if (!type) FieldSyntax();
  column.kind = type->kind;
  std::vector<int> sizes;
  if (p.TryChar('(')) {
    do {
      sizes.push_back(p.Count());
    } while (p.TryChar(','));
    p.ExpectChar(')');
  }
  auto sized = [&](int most, int standard) {
    if (sizes.size() > 1) FieldSyntax();
    column.length = sizes.empty() ? standard : sizes[0];
    if (column.length < 1 || column.length > most) {
      throw SyntaxError("Size of field '" + column.name + "' must be from 1 to " + std::to_string(most) +
                        (column.kind == ColumnKind::Binary ? " bytes." : " characters."));
    }
  };
  switch (column.kind) {
    case ColumnKind::Text:
      // TEXT without a size is a Memo, as the Jet OLE DB provider reads it.
      if (sizes.empty() && type->words.size() == 1 && *type->words.begin() == "TEXT") {
        column.kind = ColumnKind::Memo;
        return;
      }
      sized(kMaxTextLength, kMaxTextLength);
      return;
    case ColumnKind::FixedText:
      sized(kMaxTextLength, kMaxTextLength);
      return;
    case ColumnKind::Binary:
      sized(kMaxBinaryLength, kMaxBinaryLength);
      return;
    case ColumnKind::Decimal:
      if (sizes.size() > 2) FieldSyntax();
      column.precision = sizes.empty() ? kDefaultDecimalPrecision : sizes[0];
      column.scale = sizes.size() > 1 ? sizes[1] : 0;
      if (column.precision < 1 || column.precision > kMaxDecimalPrecision || column.scale < 0 ||
          column.scale > column.precision) {
        throw SyntaxError("The precision of field '" + column.name + "' must be from 1 to 28 and its scale from 0 to " +
                          "its precision.");
      }
      return;
    case ColumnKind::Counter:
      // Jet numbers from a seed by an increment; only the usual 1, 1 is kept here.
      if (!sizes.empty() && (sizes.size() != 2 || sizes[0] != 1 || sizes[1] != 1)) {
        throw SyntaxError("The AutoNumber field '" + column.name +
                          "' can only count from 1 in steps of 1 here; leave out the seed and increment.");
      }
      return;
    default:
      if (!sizes.empty()) FieldSyntax();
      return;
  }
}

// The name of a CONSTRAINT clause, when there is one.
std::string ConstraintName(Parser& p) { return p.TryWord("CONSTRAINT") ? p.Name() : std::string(); }

[[noreturn]] void NoForeignKeys() {
  throw SyntaxError("Relationships (FOREIGN KEY and REFERENCES) cannot be created here; create the table without them.");
}

DeclaredColumn ColumnDefinition(Parser& p, std::vector<DeclaredIndex>& indexes) {
  DeclaredColumn column;
  column.name = p.Name();
  ParseType(p, column);
  if (p.TryWord("WITH")) {
    if (!p.TryWord("COMPRESSION") && !p.TryWord("COMP")) FieldSyntax();
    if (column.kind != ColumnKind::Text && column.kind != ColumnKind::FixedText && column.kind != ColumnKind::Memo) {
      throw SyntaxError("Only text and memo fields can be compressed; '" + column.name + "' is neither.");
    }
    column.compressed = true;
  }
  for (;;) {
    std::string name = ConstraintName(p);
    if (p.TryWord("NOT")) {
      p.ExpectWord("NULL");
      column.notNull = true;
    } else if (name.empty() && p.TryWord("NULL")) {
      column.notNull = false;
    } else if (p.TryWord("PRIMARY")) {
      p.ExpectWord("KEY");
      indexes.push_back({name, {{column.name, true}}, true, true, true, false});
    } else if (p.TryWord("UNIQUE")) {
      indexes.push_back({name, {{column.name, true}}, true, false, false, false});
    } else if (p.TryWord("REFERENCES")) {
      NoForeignKeys();
    } else if (p.TryWord("DEFAULT")) {
      throw SyntaxError("Default values cannot be set here; give '" + column.name + "' its value in each INSERT.");
    } else if (name.empty()) {
      return column;
    } else {
      throw SyntaxError("Syntax error in CONSTRAINT clause.");
    }
  }
}

std::vector<IndexColumn> IndexColumns(Parser& p, bool withOrder) {
  std::vector<IndexColumn> columns;
  p.ExpectChar('(');
  do {
    IndexColumn column{p.Name(), true};
    if (withOrder && p.TryWord("DESC")) column.ascending = false;
    else if (withOrder) p.TryWord("ASC");
    columns.push_back(column);
  } while (p.TryChar(','));
  p.ExpectChar(')');
  return columns;
}

// A table constraint, when one starts here: [CONSTRAINT name] PRIMARY KEY (...) or UNIQUE (...).
bool TableConstraint(Parser& p, std::vector<DeclaredIndex>& indexes) {
  const std::size_t mark = p.Mark();
  std::string name = ConstraintName(p);
  DeclaredIndex index{name, {}, true, false, false, false};
  if (p.TryWord("PRIMARY")) {
    p.ExpectWord("KEY");
    index.primaryKey = index.disallowNull = true;
  } else if (p.TryWord("FOREIGN")) {
    NoForeignKeys();
  } else if (!p.TryWord("UNIQUE")) {
    if (!name.empty()) throw SyntaxError("Syntax error in CONSTRAINT clause.");
    p.Reset(mark);
    return false;
  }
  index.columns = IndexColumns(p, false);
  indexes.push_back(std::move(index));
  return true;
}

Statement ParseCreateTable(Parser& p) {
  CreateTable create;
  create.table = p.Name();
  p.ExpectChar('(');
  do {
    if (!TableConstraint(p, create.indexes)) create.columns.push_back(ColumnDefinition(p, create.indexes));
  } while (p.TryChar(','));
  p.ExpectChar(')');
  p.ExpectEnd();
  if (create.columns.empty()) p.Fail();
  return create;
}

// CREATE [UNIQUE] INDEX name ON table (column [ASC|DESC], ...)
//   [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
Statement ParseCreateIndex(Parser& p, bool unique) {
  CreateIndex create;
  create.index.unique = unique;
  create.index.name = p.Name();
  p.ExpectWord("ON");
  create.table = p.Name();
  create.index.columns = IndexColumns(p, true);
  if (p.TryWord("WITH")) {
    if (p.TryWord("PRIMARY")) {
      create.index.primaryKey = create.index.unique = create.index.disallowNull = true;
    } else if (p.TryWord("DISALLOW")) {
      p.ExpectWord("NULL");
      create.index.disallowNull = true;
    } else {
      p.ExpectWord("IGNORE");
      p.ExpectWord("NULL");
      create.index.ignoreNull = true;
    }
  }
  p.ExpectEnd();
  return create;
}

Statement ParseInsert(Parser& p) {
  InsertValues insert;
  p.ExpectWord("INTO");
  insert.table = p.Name();
  if (p.TryChar('(')) {
    do {
      insert.columns.push_back(p.Name());
    } while (p.TryChar(','));
    p.ExpectChar(')');
  }
  p.ExpectWord("VALUES");
  p.ExpectChar('(');
  insert.values.reserve(16);
  do {
    insert.values.push_back(p.Value());
  } while (p.TryChar(','));
  p.ExpectChar(')');
  p.ExpectEnd();
  return insert;
}

}  // namespace

std::optional<Literal> ParseLiteral(std::string_view text) {
  Parser p(text, "");
  try {
    Literal literal = p.Value();
    p.SkipBlanks();
    if (!p.AtEnd()) return std::nullopt;
    return literal;
  } catch (const SyntaxError&) {
    return std::nullopt;
  }
}

std::optional<std::string> InvalidUtf8Reason(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    // Statements are mostly ASCII: eight such bytes are passed at once.
    std::uint64_t eight;
    if (text.size() - i >= sizeof eight) {
      std::memcpy(&eight, text.data() + i, sizeof eight);
      if ((eight & 0x8080808080808080u) == 0) {
        i += sizeof eight;
        continue;
      }
    }
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
    bool ok = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; ok && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    // Shortest form only, no surrogates, nothing past U+10FFFF.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && c >= kSmallest[length] && (c < 0xD800 || c > 0xDFFF) && c <= 0x10FFFF;
    if (!ok) {
      char where[64];
      std::snprintf(where, sizeof where, "byte 0x%02X at offset %zu", b, i);
      return std::string("The statement is not valid UTF-8: ") + where + " does not begin a valid character.";
    }
    i += length;
  }
  return std::nullopt;
}

Statement Parse(std::string_view sql) {
  if (auto why = InvalidUtf8Reason(sql)) throw SyntaxError(*why);
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
    if (first.TryWord("TABLE")) {
      Parser p(sql, "Syntax error in CREATE TABLE statement.");
      p.Reset(first.Mark());
      return ParseCreateTable(p);
    }
    const bool unique = first.TryWord("UNIQUE");
    if (first.TryWord("INDEX")) {
      Parser p(sql, "Syntax error in CREATE INDEX statement.");
      p.Reset(first.Mark());
      return ParseCreateIndex(p, unique);
    }
    throw SyntaxError("Syntax error in CREATE TABLE statement.");
  }
  if (first.TryWord("INSERT")) {
    Parser p(sql, "Syntax error in INSERT INTO statement.");
    p.Reset(first.Mark());
    return ParseInsert(p);
  }
  if (first.TryWord("DROP")) {
    Parser p(sql, "Syntax error in DROP TABLE or DROP INDEX.");
    p.Reset(first.Mark());
    if (p.TryWord("INDEX")) {
      DropIndex drop;
      drop.index = p.Name();
      p.ExpectWord("ON");
      drop.table = p.Name();
      p.ExpectEnd();
      return drop;
    }
    p.ExpectWord("TABLE");
    DropTable drop{p.Name()};
    p.ExpectEnd();
    return drop;
  }
  first.Fail();
}

}  // namespace jet::sql
