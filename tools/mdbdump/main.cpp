// mdbdump: a developer's window into Access files (.mdb, .accdb) through our Jet engine.
//   mdbdump tables FILE [-p PASSWORD] [--all]   tables with their attributes
//   mdbdump csv    FILE TABLE [-p PASSWORD]     rows as CSV (text forms)
//   mdbdump json   FILE TABLE [-p PASSWORD]     columns and typed rows as JSON; the
//                                               columns it cannot read under "leftOut"
//   mdbdump dump   FILE [-p PASSWORD]           every local table, system ones too,
//                                               as a JSON array of what json prints
//   mdbdump count  FILE TABLE [-p PASSWORD]     exact row count
//   mdbdump sql    FILE STATEMENT [-p PASSWORD] run a statement, print CSV
//   mdbdump exec   FILE STATEMENT [-p PASSWORD] run CREATE/INSERT/DROP durably;
//                  STATEMENT may be -f PATH (read from a file) or - (standard
//                  input), for statements beyond what a command line takes
//   mdbdump rename FILE OLD NEW [-p PASSWORD]   rename a table durably
//   mdbdump check  FILE [-p PASSWORD]           consistency check; exit 1 on findings
//   mdbdump new    FILE                         create an empty database
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/value.h"
#include "jet/write/consistency_check.h"
#include "jet/write/database_writer.h"
#include "jet/write/new_database.h"

namespace {

struct Args {
  std::string command, file, target, extra, password;
  std::string statementFile;  // exec -f PATH; "-" for standard input
  bool all = false;
};

int Usage() {
  std::cerr << "usage: mdbdump tables FILE [-p PASSWORD] [--all]\n"
               "       mdbdump csv|json|count FILE TABLE [-p PASSWORD]\n"
               "       mdbdump dump FILE [-p PASSWORD]\n"
               "       mdbdump sql FILE STATEMENT [-p PASSWORD]\n"
               "       mdbdump exec FILE STATEMENT|-f PATH|- [-p PASSWORD]\n"
               "       mdbdump rename FILE OLD NEW [-p PASSWORD]\n"
               "       mdbdump check FILE [-p PASSWORD]\n"
               "       mdbdump new FILE\n";
  return 2;
}

bool Parse(int argc, char** argv, Args& a) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string s = argv[i];
    if ((s == "-p" || s == "--password") && i + 1 < argc)
      a.password = argv[++i];
    else if (s == "--all")
      a.all = true;
    else if ((s == "-f" || s == "--file") && i + 1 < argc)
      a.statementFile = argv[++i];
    else
      positional.push_back(s);
  }
  if (positional.size() == 3 && positional[0] == "exec" && positional[2] == "-" && a.statementFile.empty()) {
    a.statementFile = "-";
    positional.pop_back();
  }
  if (positional.size() < 2) return false;
  a.command = positional[0];
  a.file = positional[1];
  if (!a.statementFile.empty()) return positional.size() == 2 && a.command == "exec";
  if (positional.size() > 2) a.target = positional[2];
  if (positional.size() > 3) a.extra = positional[3];
  if (a.command == "tables" || a.command == "check" || a.command == "dump" || a.command == "new")
    return positional.size() == 2;
  if (a.command == "rename") return positional.size() == 4;
  return positional.size() == 3;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Numbers that JSON holds exactly stay numbers; dates carry their stored
// number beside their text; the rest are exact texts.
std::string JsonValue(const jet::Value& v) {
  using namespace jet;
  if (IsNull(v)) return "null";
  if (auto b = std::get_if<bool>(&v)) return *b ? "true" : "false";
  if (std::holds_alternative<std::uint8_t>(v) || std::holds_alternative<std::int16_t>(v) ||
      std::holds_alternative<std::int32_t>(v))
    return ToText(v);
  if (auto d = std::get_if<double>(&v)) return std::isfinite(*d) ? DoubleText(*d) : JsonString(DoubleText(*d));
  if (auto f = std::get_if<float>(&v)) return std::isfinite(*f) ? DoubleText(*f) : JsonString(SingleText(*f));
  if (auto d = std::get_if<DateTime>(&v))
    return "{\"date\":" + JsonString(DateText(d->oleDate)) + ",\"ole\":" + DoubleText(d->oleDate) + "}";
  return JsonString(ToText(v));
}

// CSV goes out through one buffer handed to the stream in large pieces; a
// text field is quoted as it is copied in, its quotes doubled. What is in the
// buffer still goes out when a damaged row stops the rows.
class CsvWriter {
 public:
  ~CsvWriter() { Flush(); }
  void Header(const std::vector<jet::Column>& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i) out_ += ',';
      out_ += columns[i].name;
    }
    out_ += '\n';
  }
  void Row(const std::vector<jet::Value>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i) out_ += ',';
      Field(row[i]);
    }
    out_ += '\n';
    if (out_.size() >= kChunk) Flush();
  }

 private:
  static constexpr std::size_t kChunk = 64 * 1024;
  void Field(const jet::Value& v) {
    if (auto t = std::get_if<jet::Text>(&v)) return Quoted(t->text);
    if (auto m = std::get_if<jet::Memo>(&v)) return Quoted(m->text);
    if (!jet::IsNull(v)) out_ += jet::ToText(v);
  }
  void Quoted(std::string_view s) {
    out_ += '"';
    for (std::size_t quote; (quote = s.find('"')) != std::string_view::npos; s.remove_prefix(quote + 1)) {
      out_.append(s.data(), quote + 1);
      out_ += '"';
    }
    out_ += s;
    out_ += '"';
  }
  void Flush() {
    std::cout.write(out_.data(), static_cast<std::streamsize>(out_.size()));
    out_.clear();
  }
  std::string out_;
};

void PrintCsv(const std::vector<jet::Column>& columns, auto&& nextRow) {
  CsvWriter csv;
  csv.Header(columns);
  while (const std::vector<jet::Value>* row = nextRow()) csv.Row(*row);
}

int Tables(const jet::Database& db, bool all) {
  for (const auto& t : db.Tables()) {
    if (!all && !jet::IsUserTable(t.attributes)) continue;
    std::cout << t.name << "\tkind=" << static_cast<int>(t.kind) << "\tflags=" << t.flags
              << "\tattributes=" << t.attributes << "\ttdef=" << t.tdefPage << '\n';
  }
  return 0;
}

// The table's readable columns and rows; the others are named under "leftOut".
int Json(const jet::Table& whole) {
  std::string leftOut;
  for (const jet::Column& c : whole.Columns()) {
    if (!c.Readable())
      leftOut += std::string(leftOut.empty() ? "" : ",") + "{\"name\":" + JsonString(c.name) +
                 ",\"kind\":" + JsonString(jet::KindDescription(c)) + '}';
  }
  jet::Table table = whole.Readable();
  std::cout << "{\"table\":" << JsonString(table.Name()) << ",\"rowCount\":" << table.RowCount()
            << ",\"columns\":[";
  const auto& columns = table.Columns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    std::cout << (i ? "," : "") << "{\"name\":" << JsonString(columns[i].name)
              << ",\"type\":" << JsonString(jet::TypeName(columns[i].type)) << '}';
  std::cout << "],\"leftOut\":[" << leftOut << "],\"rows\":[";
  auto cursor = table.Rows();
  bool first = true;
  while (cursor.Next()) {
    std::cout << (first ? "\n[" : ",\n[");
    first = false;
    const auto& values = cursor.Values();
    for (std::size_t i = 0; i < values.size(); ++i) std::cout << (i ? "," : "") << JsonValue(values[i]);
    std::cout << ']';
  }
  std::cout << "]}\n";
  return 0;
}

// The statement of `exec -f`: the file's whole content, or standard input's.
std::string ReadStatement(const std::string& path) {
  if (path == "-") return {std::istreambuf_iterator<char>(std::cin), {}};
  std::ifstream in(path, std::ios::binary);
  if (!in) throw jet::Error(jet::kStatementFailed, "Cannot read the statement file " + path + ".");
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

int Run(const Args& a) {
  if (a.command == "exec" || a.command == "rename") {
    const std::string statement = a.statementFile.empty() ? a.target : ReadStatement(a.statementFile);
    jet::DatabaseWriter writer = jet::DatabaseWriter::Open(a.file, a.password);
    writer.BeginBatch();
    if (a.command == "exec")
      writer.Execute(statement);
    else
      writer.RenameTable(a.target, a.extra);
    writer.CommitBatch();
    return 0;
  }
  if (a.command == "new") {
    jet::CreateDatabase(a.file);
    return 0;
  }
  if (a.command == "check") {
    std::vector<std::string> findings = jet::CheckDatabase(a.file, a.password);
    for (const std::string& f : findings) std::cout << f << '\n';
    return findings.empty() ? 0 : 1;
  }
  jet::Database db = jet::Database::Open(a.file, a.password);
  if (a.command == "tables") return Tables(db, a.all);
  if (a.command == "dump") {
    const char* separator = "[";
    for (const jet::CatalogueEntry& t : db.Tables()) {
      if (t.IsLinked()) continue;
      std::cout << separator;
      separator = ",";
      Json(db.OpenTable(t.name));
    }
    std::cout << (*separator == '[' ? "[]" : "]") << '\n';
    return 0;
  }
  if (a.command == "sql") {
    jet::ResultSet r = db.Execute(a.target);
    std::size_t i = 0;
    PrintCsv(r.Columns(), [&]() { return i < r.RecordCount() ? &r.Row(i++) : nullptr; });
    return 0;
  }
  jet::Table table = db.OpenTable(a.target);
  if (a.command == "count") {
    std::cout << table.RowCount() << '\n';
    return 0;
  }
  if (a.command == "json") return Json(table);
  if (a.command == "csv") {
    auto cursor = table.Rows();
    PrintCsv(table.Columns(), [&]() { return cursor.Next() ? &cursor.Values() : nullptr; });
    return 0;
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  Args a;
  if (!Parse(argc, argv, a)) return Usage();
  std::ios::sync_with_stdio(false);
  try {
    return Run(a);
  } catch (const jet::Error& e) {
    std::cout.flush();
    std::cerr << "mdbdump: error " << e.Number();
    if (e.JetNumber() != 0) std::cerr << " (Jet " << e.JetNumber() << ")";
    std::cerr << ": " << e.Description() << '\n';
    return 1;
  }
}
