// Just enough of a Jet 4 reader for the index tests: pages (RC4-decoded when the file is
// encoded), table definitions with their columns and real indexes, and single rows read
// as index key values. The index layer itself never reads files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/index/index_key.h"
#include "jet/index/index_page.h"

namespace jetindex_test {

struct FixtureColumn {
  std::uint8_t type = 0;
  std::uint16_t number = 0;
  std::uint16_t varIndex = 0;
  std::uint16_t fixedOffset = 0;
  std::uint16_t length = 0;
  bool fixed = false;
  std::uint16_t sortLcid = 0;     // text columns: the sort order's LCID
  std::uint8_t sortVersion = 0;  // and its version
  std::string name;
};

struct FixtureIndexColumn {
  std::uint16_t columnNumber = 0;
  bool ascending = true;
};

struct FixtureRealIndex {
  std::vector<FixtureIndexColumn> columns;
  std::uint32_t rootPage = 0;
  std::uint8_t flags = 0;
};

struct FixtureTable {
  std::uint32_t tdefPage = 0;
  std::vector<FixtureColumn> columns;
  std::vector<FixtureRealIndex> indexes;
  const FixtureColumn& Column(std::uint16_t number) const;
};

class FixtureFile {
 public:
  explicit FixtureFile(const std::string& path);

  std::uint32_t PageCount() const { return std::uint32_t(bytes_.size() / jet::kPageSize); }
  const std::uint8_t* Page(std::uint32_t n) const { return bytes_.data() + std::size_t(n) * jet::kPageSize; }
  std::uint8_t* MutablePage(std::uint32_t n) { return bytes_.data() + std::size_t(n) * jet::kPageSize; }

  // Pages whose first bytes look like a TDEF of Access (type 2, constant 1625).
  std::vector<std::uint32_t> TablePages() const;
  FixtureTable Table(std::uint32_t tdefPage) const;

  // The values of `index`'s columns in the row at `row`, following overflow pointers.
  std::vector<jet::index::KeyValue> IndexValues(const FixtureTable& table, const FixtureRealIndex& index,
                                                jet::RowPointer row) const;

 private:
  std::vector<std::uint8_t> bytes_;
};

// The fixture folder: $TABLORIA_FIXTURES or the shared default.
std::string FixtureDir();
// Its Jet 4 files, then the Access 2007 and later files of the sibling folder accdb when
// there is one: their indexes are laid out as in Jet 4 files, and some carry the newer
// General sort order.
std::vector<std::string> FixturePaths();

}  // namespace jetindex_test
