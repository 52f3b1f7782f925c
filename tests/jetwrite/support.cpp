#include "support.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "jet/database.h"
#include "jet/text_codec.h"
#include "jet/value.h"

namespace fs = std::filesystem;

namespace jetwritetest {

fs::path FixtureDir() {
  const char* env = std::getenv("TABLORIA_FIXTURES");
  return env && *env ? fs::path(env) : fs::path("/work/shared/fixtures/mdb");
}

std::vector<std::string> FixtureNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(FixtureDir()))
    if (e.path().extension() == ".mdb") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string PasswordOf(const std::string& fixture) { return fixture == "passwordV2000.mdb" ? "password" : ""; }

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "jetwrite.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path TempDir::Copy(const std::string& fixture) const {
  fs::path to = path_ / fs::path(fixture).filename();
  fs::copy_file(fixture.find('/') == std::string::npos ? FixtureDir() / fixture : FixtureDir().parent_path() / fixture,
                to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
  return to;
}

Cell Model::Stored(const std::string& table, std::size_t column, const Cell& value) const {
  int width = tables.at(table).fixedWidths.at(column);
  if (!value || width == 0) return value;
  std::u16string units = jet::Utf8ToUtf16(*value);
  units.resize(static_cast<std::size_t>(width), u' ');
  std::string out;
  jet::AppendUtf8(units.data(), units.size(), out);
  return out;
}

std::vector<std::string> UserTables(const fs::path& file, const std::string& password) {
  std::vector<std::string> names;
  for (const jet::CatalogueEntry& e : jet::Database::Open(file, password).Tables())
    if (jet::IsUserTable(e.attributes)) names.push_back(e.name);
  return names;
}

std::vector<std::string> CompareWithModel(const fs::path& file, const std::string& password, const Model& model,
                                          const std::vector<std::string>& untouched) {
  std::vector<std::string> diffs;
  jet::Database db = jet::Database::Open(file, password);
  std::vector<std::string> expected = untouched;
  for (const auto& [name, t] : model.tables) expected.push_back(name);
  std::vector<std::string> listed = UserTables(file, password);
  std::sort(expected.begin(), expected.end());
  std::sort(listed.begin(), listed.end());
  if (expected != listed) {
    std::ostringstream s;
    s << "tables listed:";
    for (const auto& n : listed) s << " [" << n << "]";
    s << " expected:";
    for (const auto& n : expected) s << " [" << n << "]";
    diffs.push_back(s.str());
  }
  for (const auto& [name, t] : model.tables) {
    jet::ResultSet rs = db.Execute("SELECT * FROM [" + name + "]");
    if (rs.Columns().size() != t.columns.size()) {
      diffs.push_back(name + ": column count differs");
      continue;
    }
    for (std::size_t c = 0; c < t.columns.size(); ++c)
      if (rs.Columns()[c].name != t.columns[c]) diffs.push_back(name + ": column " + rs.Columns()[c].name);
    if (rs.RecordCount() != t.rows.size()) {
      diffs.push_back(name + ": " + std::to_string(rs.RecordCount()) + " rows, expected " +
                      std::to_string(t.rows.size()));
      continue;
    }
    for (std::size_t r = 0; r < t.rows.size(); ++r)
      for (std::size_t c = 0; c < t.columns.size(); ++c) {
        const jet::Value& v = rs.Row(r)[c];
        Cell got = jet::IsNull(v) ? Cell{} : Cell{jet::ToText(v)};
        Cell want = model.Stored(name, c, t.rows[r][c]);
        if (got != want)
          diffs.push_back(name + " row " + std::to_string(r) + " column " + t.columns[c] + ": got " +
                          (got ? "'" + got->substr(0, 40) + "'" : "NULL") + ", expected " +
                          (want ? "'" + want->substr(0, 40) + "'" : "NULL"));
      }
  }
  return diffs;
}

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buffer;
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
  ::pclose(pipe);
  return out;
}

bool MdbToolsLists(const fs::path& file, std::vector<std::string> names) {
  std::istringstream out(Capture("mdb-tables -1 '" + file.string() + "' 2>/dev/null"));
  std::vector<std::string> listed;
  for (std::string line; std::getline(out, line);)
    if (!line.empty()) listed.push_back(line);
  std::sort(listed.begin(), listed.end());
  std::sort(names.begin(), names.end());
  return listed == names;
}

std::string OracleDifferences(const fs::path& dir) {
  if (Capture("command -v node").empty()) return {};
  std::string script = std::string(TABLORIA_SOURCE_DIR) + "/tests/oracles/compare.mjs";
  std::string out = Capture("node '" + script + "' '" + MDBDUMP_PATH + "' '" + dir.string() + "' 2>&1");
  return out.find(" 0 differences") != std::string::npos ? std::string() : out;
}

}  // namespace jetwritetest
