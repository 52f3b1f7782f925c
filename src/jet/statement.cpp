#include "jet/statement.h"

#include <cctype>

#include "jet/error.h"
#include "jet/table.h"

namespace jet {
namespace {

class Scanner {
 public:
  explicit Scanner(const std::string& s) : s_(s) {}
  void SkipSpace() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool Word(const char* word) {
    SkipSpace();
    std::size_t j = i_;
    for (const char* w = word; *w; ++w, ++j)
      if (j >= s_.size() || std::toupper(static_cast<unsigned char>(s_[j])) != *w) return false;
    if (j < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[j])) || s_[j] == '_')) return false;
    i_ = j;
    return true;
  }
  bool Char(char c) {
    SkipSpace();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  // A name in brackets (anything but "]") or bare (up to a blank or ";").
  bool Name(std::string& out) {
    SkipSpace();
    if (i_ >= s_.size()) return false;
    if (s_[i_] == '[') {
      std::size_t close = s_.find(']', i_ + 1);
      if (close == std::string::npos) return false;
      out = s_.substr(i_ + 1, close - i_ - 1);
      i_ = close + 1;
      return !out.empty();
    }
    std::size_t j = i_;
    while (j < s_.size() && !std::isspace(static_cast<unsigned char>(s_[j])) && s_[j] != ';' && s_[j] != '[' &&
           s_[j] != ']')
      ++j;
    out = s_.substr(i_, j - i_);
    i_ = j;
    return !out.empty();
  }
  bool AtEnd() {
    SkipSpace();
    return i_ == s_.size();
  }

 private:
  const std::string& s_;
  std::size_t i_ = 0;
};

[[noreturn]] void Reject(const std::string& why) { throw Error(kStatementFailed, why); }

}  // namespace

Statement ParseStatement(const std::string& sql) {
  Scanner s(sql);
  if (!s.Word("SELECT"))
    Reject("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
  if (!s.Char('*')) Reject("Only SELECT * FROM a table can be run on this database.");
  if (!s.Word("FROM")) Reject("Syntax error in query. Incomplete query clause.");
  Statement st;
  if (!s.Name(st.table)) Reject("Syntax error in FROM clause.");
  s.Char(';');
  if (!s.AtEnd()) Reject("Syntax error in FROM clause.");
  return st;
}

ResultSet ResultSet::Read(const Table& table) {
  ResultSet r;
  r.columns_ = table.Columns();
  RowCursor cursor = table.Rows();
  while (cursor.Next()) r.rows_.push_back(cursor.Values());
  return r;
}

}  // namespace jet
