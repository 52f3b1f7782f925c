// Reading a statement's first word and, for an INSERT, whether a RETURNING
// clause follows. The session runs with NO_BACKSLASH_ESCAPES, so a quote
// ends at the next quote of its kind (a doubled quote closes and reopens).
#include "dataaccess/mysql_statement_kind.h"

#include <array>

#include "dataaccess/connection_string.h"

namespace dataaccess {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsWordByte(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '$' ||
         u >= 0x80;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Where the text that starts at `at` with a quote or a comment opener ends,
// or `at` itself when nothing starts there; kNone when it never ends.
std::size_t SkipQuotedOrComment(std::string_view text, std::size_t at) {
  char c = text[at];
  char next = at + 1 < text.size() ? text[at + 1] : '\0';
  if (c == '\'' || c == '"' || c == '`') {
    std::size_t close = text.find(c, at + 1);
    return close == kNone ? kNone : close + 1;
  }
  bool dashes = c == '-' && next == '-' && (at + 2 == text.size() || IsBlank(text[at + 2]));
  if (c == '#' || dashes) {
    std::size_t end = text.find('\n', at);
    return end == kNone ? text.size() : end + 1;
  }
  if (c == '/' && next == '*') {
    // /*! and /*M! hold text the server runs: only the opener is skipped.
    if (text.substr(at + 2, 1) == "!" || text.substr(at + 2, 2) == "M!") return at + 2;
    std::size_t close = text.find("*/", at + 2);
    return close == kNone ? kNone : close + 2;
  }
  return at;
}

bool HasReturningClause(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t skipped = SkipQuotedOrComment(text, i);
    if (skipped == kNone) return false;  // unclosed: the server refuses it whichever way it goes
    if (skipped != i) {
      i = skipped;
      continue;
    }
    if (!IsWordByte(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && IsWordByte(text[end])) ++end;
    if (EqualsIgnoringCase(text.substr(i, end - i), "RETURNING")) return true;
    i = end;
  }
  return false;
}

}  // namespace

bool AnswersNoRows(std::string_view statement) {
  static constexpr std::array<std::string_view, 8> kWords = {"INSERT", "CREATE", "DROP",     "RENAME",
                                                             "START",  "COMMIT", "ROLLBACK", "SAVEPOINT"};
  std::size_t start = 0;
  while (start < statement.size() && IsBlank(statement[start])) ++start;
  std::size_t end = start;
  while (end < statement.size() && IsWordByte(statement[end])) ++end;
  std::string_view first = statement.substr(start, end - start);
  for (std::string_view word : kWords) {
    if (!EqualsIgnoringCase(first, word)) continue;
    // Only an INSERT among these may carry RETURNING.
    return word != "INSERT" || !HasReturningClause(statement.substr(end));
  }
  return false;
}

}  // namespace dataaccess
