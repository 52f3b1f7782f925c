// What the writer's tests share: fixture copies, a model of the tables we
// made with their expected rows, and the checks run after each step: our
// reader sees exactly the model, the consistency check finds nothing, and
// mdbtools and mdb-reader read what our reader reads.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace jetwritetest {

std::filesystem::path FixtureDir();
std::vector<std::string> FixtureNames();
std::string PasswordOf(const std::string& fixture);

// A private folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& Path() const { return path_; }
  // A writable copy of a fixture in the folder; a fixture of the folders
  // beside the Jet 4 one is named with its folder ("mdb97/testV1997.mdb").
  std::filesystem::path Copy(const std::string& fixture) const;

 private:
  std::filesystem::path path_;
};

// A text as the reader hands it back: nullopt is NULL.
using Cell = std::optional<std::string>;

struct ModelTable {
  std::vector<std::string> columns;
  std::vector<int> fixedWidths;  // characters for char(n), 0 otherwise
  std::vector<int> limits;       // most characters a value may have; 0 for memo
  std::vector<std::vector<Cell>> rows;
};

// The tables a test made, by name, beside the file's own user tables.
class Model {
 public:
  std::map<std::string, ModelTable> tables;
  // What a char(n) column returns for a stored value: blank-padded.
  Cell Stored(const std::string& table, std::size_t column, const Cell& value) const;
};

// Our reader's user tables (beyond `untouched`, the file's own) equal the
// model, table by table and row by row; returns what differs.
std::vector<std::string> CompareWithModel(const std::filesystem::path& file, const std::string& password,
                                          const Model& model, const std::vector<std::string>& untouched);

// The file's own user tables as our reader lists them.
std::vector<std::string> UserTables(const std::filesystem::path& file, const std::string& password);

// mdb-tables lists exactly these names (in any order).
bool MdbToolsLists(const std::filesystem::path& file, std::vector<std::string> names);

// Every value of every table of every file in `dir` read by our reader
// equals what mdbtools and mdb-reader read; empty when node is missing.
std::string OracleDifferences(const std::filesystem::path& dir);

// Runs `command`; its standard output.
std::string Capture(const std::string& command);

}  // namespace jetwritetest
