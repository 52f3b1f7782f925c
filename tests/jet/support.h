// Fixtures and damaged copies of them for the engine's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/database.h"

namespace jettest {

// The folder of Access-made Jet 4 fixtures ($TABLORIA_FIXTURES); a fixture of
// the folders beside it is named with its folder: "accdb/testV2007.accdb",
// "mdb97/testV1997.mdb".
std::filesystem::path FixtureDir();
std::filesystem::path Fixture(const std::string& name);

// A private folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& Path() const { return path_; }
  // A copy of a fixture inside the folder.
  std::filesystem::path Copy(const std::string& fixture) const;

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file);
void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
void Patch(const std::filesystem::path& file, std::uint64_t offset, const std::vector<std::uint8_t>& bytes);

// Where in the file (an unencoded one) the bytes of a row lie (the row-th
// live row of `table`), and those of one of its cells.
struct Cell {
  std::uint64_t offset;
  std::size_t length;
};
Cell LocateRow(const std::filesystem::path& file, const std::string& table, std::size_t row);
Cell LocateCell(const std::filesystem::path& file, const std::string& table, std::size_t row,
                const std::string& column);

// Reads every value of every table; what a reader of untrusted files does.
void ReadEverything(const jet::Database& db);

}  // namespace jettest
