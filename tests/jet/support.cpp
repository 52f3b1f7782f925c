#include "support.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "jet/data_page.h"
#include "jet/names.h"

namespace jettest {

namespace fs = std::filesystem;

fs::path FixtureDir() {
  const char* env = std::getenv("TABLORIA_FIXTURES");
  return env && *env ? fs::path(env) : fs::path("/work/shared/fixtures/mdb");
}

fs::path Fixture(const std::string& name) {
  return name.find('/') == std::string::npos ? FixtureDir() / name : FixtureDir().parent_path() / name;
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "jet-test.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, ec);
  fs::remove_all(path_, ec);
}

fs::path TempDir::Copy(const std::string& fixture) const {
  fs::path to = path_ / fs::path(fixture).filename();
  fs::copy_file(Fixture(fixture), to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
  return to;
}

std::vector<std::uint8_t> ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Patch(const fs::path& file, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
  std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(static_cast<std::streamoff>(offset));
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Cell LocateRow(const fs::path& file, const std::string& table, std::size_t row) {
  jet::Database db = jet::Database::Open(file.string(), "");
  jet::Table t = db.OpenTable(table);
  jet::Pager& pager = db.Pages();
  jet::Pager::Statement statement(pager, jet::LockMode::Shared);
  std::size_t seen = 0;
  std::optional<Cell> found;
  jet::ForEachDataPage(pager, t.Definition(), [&](std::uint32_t p, const jet::PageRef& bytes, const jet::DataPage& page) {
    for (std::size_t slot = 0; slot < page.SlotCount() && !found; ++slot) {
      if (page.IsDeleted(slot) || seen++ != row) continue;
      jet::ByteSpan r = page.Row(slot);
      found = Cell{std::uint64_t{p} * pager.PageSize() + static_cast<std::uint64_t>(r.data() - bytes->data()), r.size()};
    }
  });
  if (!found) throw std::runtime_error("no such row");
  return *found;
}

Cell LocateCell(const fs::path& file, const std::string& table, std::size_t row, const std::string& column) {
  Cell where = LocateRow(file, table, row);
  jet::Database db = jet::Database::Open(file.string(), "");
  jet::Table t = db.OpenTable(table);
  const jet::Column* col = nullptr;
  for (const auto& c : t.Columns())
    if (jet::SameName(c.name, column)) col = &c;
  if (!col) throw std::runtime_error("no column " + column);
  if (col->IsFixed()) return {where.offset + 2 + col->fixedOffset, jet::FixedSize(*col)};
  auto all = ReadAll(file);
  jet::ByteSpan r(all.data() + where.offset, where.length);
  std::size_t end = r.size() - (jet::U16(r, 0) + 7) / 8;
  std::size_t start = jet::U16(r, end - 4 - 2 * col->varIndex);
  std::size_t stop = jet::U16(r, end - 4 - 2 * (col->varIndex + 1));
  return {where.offset + start, stop - start};
}

void ReadEverything(const jet::Database& db) {
  for (const auto& entry : db.Tables()) {
    if (entry.IsLinked()) continue;
    jet::Table t = db.OpenTable(entry.name).Readable();
    t.RowCount();
    auto cursor = t.Rows();
    while (cursor.Next()) {
      for (const auto& v : cursor.Values()) jet::ToText(v);
    }
  }
}

}  // namespace jettest
