// Raw fixture access for the index tests (see fixture_file.h).
#include "fixture_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace jetindex_test {
namespace {

using jet::kPageSize;
using jet::index::KeyNull;
using jet::index::KeyValue;

std::uint16_t U16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void Rc4(const std::uint8_t* key, std::size_t keyLength, std::uint8_t* data, std::size_t length) {
  std::uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = std::uint8_t(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % keyLength]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (std::size_t n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xFF];
  }
}

std::u16string DecodeText(const std::uint8_t* p, std::size_t n) {
  std::u16string text;
  if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    bool compressed = true;
    for (std::size_t i = 2; i < n;) {
      if (p[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        text += char16_t(p[i++]);
      } else {
        if (i + 1 >= n) break;
        text += char16_t(p[i] | p[i + 1] << 8);
        i += 2;
      }
    }
    return text;
  }
  for (std::size_t i = 0; i + 1 < n; i += 2) text += char16_t(p[i] | p[i + 1] << 8);
  return text;
}

KeyValue DecodeValue(const FixtureColumn& column, const std::uint8_t* p, std::size_t n) {
  std::int64_t integer = 0;
  switch (column.type) {
    case 0x02: return std::int64_t(p[0]);
    case 0x03: return std::int64_t(std::int16_t(U16(p)));
    case 0x04: return std::int64_t(std::int32_t(U32(p)));
    case 0x05:
      std::memcpy(&integer, p, 8);
      return integer;
    case 0x06: {
      float f;
      std::memcpy(&f, p, 4);
      return double(f);
    }
    case 0x07:
    case 0x08: {
      double d;
      std::memcpy(&d, p, 8);
      return d;
    }
    case 0x09:
    case 0x0F: return std::vector<std::uint8_t>(p, p + n);
    case 0x0A: return DecodeText(p, n);
    case 0x10: {  // sign byte, then four little-endian words, the most significant first
      jet::index::KeyDecimal d{(p[0] & 0x80) != 0, 0};
      for (int w = 0; w < 4; ++w) d.magnitude = d.magnitude << 32 | U32(p + 1 + 4 * w);
      return d;
    }
  }
  throw std::runtime_error("fixture column type " + std::to_string(column.type) + " not readable here");
}

}  // namespace

const FixtureColumn& FixtureTable::Column(std::uint16_t number) const {
  for (const FixtureColumn& c : columns) {
    if (c.number == number) return c;
  }
  throw std::runtime_error("no column " + std::to_string(number));
}

FixtureFile::FixtureFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  // The database key lies in the masked part of the header page.
  std::uint8_t header[128];
  std::memcpy(header, bytes_.data() + 0x18, sizeof header);
  const std::uint8_t headerKey[] = {0xC7, 0xDA, 0x39, 0x6B};
  Rc4(headerKey, 4, header, sizeof header);
  const std::uint32_t dbKey = U32(header + 0x3E - 0x18);
  if (dbKey == 0) return;
  for (std::uint32_t n = 1; n < PageCount(); ++n) {
    const std::uint32_t k = dbKey ^ n;
    const std::uint8_t key[] = {std::uint8_t(k), std::uint8_t(k >> 8), std::uint8_t(k >> 16), std::uint8_t(k >> 24)};
    Rc4(key, 4, MutablePage(n), kPageSize);
  }
}

std::vector<std::uint32_t> FixtureFile::TablePages() const {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t n = 2; n < PageCount(); ++n) {
    const std::uint8_t* p = Page(n);
    if (p[0] == 0x02 && p[1] == 0x01 && U32(p + 12) == 1625) pages.push_back(n);
  }
  return pages;
}

FixtureTable FixtureFile::Table(std::uint32_t tdefPage) const {
  std::vector<std::uint8_t> def;
  for (std::uint32_t n = tdefPage; n != 0;) {
    const std::uint8_t* p = Page(n);
    def.insert(def.end(), p + (def.empty() ? 0 : 8), p + kPageSize);
    n = U32(p + 4);
  }
  FixtureTable table;
  table.tdefPage = tdefPage;
  const std::uint16_t columnCount = U16(&def[45]);
  const std::uint32_t realIndexCount = U32(&def[51]);
  std::size_t off = 63 + 12 * realIndexCount;
  for (std::uint16_t i = 0; i < columnCount; ++i, off += 25) {
    FixtureColumn c;
    c.type = def[off];
    c.number = U16(&def[off + 5]);
    c.varIndex = U16(&def[off + 7]);
    c.fixed = (def[off + 15] & 0x01) != 0;
    c.sortLcid = U16(&def[off + 11]);
    c.sortVersion = def[off + 14];
    c.fixedOffset = U16(&def[off + 21]);
    c.length = U16(&def[off + 23]);
    table.columns.push_back(c);
  }
  for (FixtureColumn& c : table.columns) {
    const std::uint16_t n = U16(&def[off]);
    for (std::size_t i = 0; i < n; i += 2) c.name += char(def[off + 2 + i]);
    off += 2 + n;
  }
  for (std::uint32_t i = 0; i < realIndexCount; ++i, off += 52) {
    FixtureRealIndex index;
    for (int k = 0; k < 10; ++k) {
      const std::uint16_t number = U16(&def[off + 4 + 3 * k]);
      if (number != 0xFFFF) index.columns.push_back({number, def[off + 6 + 3 * k] != 0});
    }
    index.rootPage = U32(&def[off + 38]);
    index.flags = def[off + 46];
    table.indexes.push_back(index);
  }
  return table;
}

std::vector<KeyValue> FixtureFile::IndexValues(const FixtureTable& table, const FixtureRealIndex& index,
                                               jet::RowPointer at) const {
  const std::uint8_t* page = Page(at.page);
  std::uint16_t slot = U16(page + 14 + 2 * at.row);
  std::size_t end = at.row == 0 ? kPageSize : (U16(page + 14 + 2 * (at.row - 1)) & 0x1FFF);
  if (slot & 0x4000) {  // moved row: follow its pointer
    const std::uint8_t* p = page + (slot & 0x1FFF);
    return IndexValues(table, index, {std::uint32_t(p[1] | p[2] << 8 | p[3] << 16), p[0]});
  }
  const std::uint8_t* row = page + (slot & 0x1FFF);
  const std::size_t length = end - (slot & 0x1FFF);
  const std::uint16_t rowColumns = U16(row);
  const std::size_t maskBytes = (rowColumns + 7) / 8;
  const std::uint8_t* mask = row + length - maskBytes;
  const std::uint16_t varCount = U16(mask - 2);
  auto varOffset = [&](std::size_t i) { return U16(mask - 2 - 2 * (i + 1)); };

  std::vector<KeyValue> values(index.columns.size());
  for (std::size_t i = 0; i < index.columns.size(); ++i) {
    const FixtureColumn& c = table.Column(index.columns[i].columnNumber);
    const bool present = c.number < rowColumns && (mask[c.number / 8] & (1u << (c.number % 8)));
    if (c.type == 0x01) {
      values[i] = present;
    } else if (!present || (!c.fixed && c.varIndex >= varCount)) {
      values[i] = KeyNull{};
    } else if (c.fixed) {
      values[i] = DecodeValue(c, row + 2 + c.fixedOffset, c.length);
    } else {
      const std::size_t from = varOffset(c.varIndex);
      const std::size_t to = c.varIndex + 1 < varCount ? varOffset(c.varIndex + 1) : U16(mask - 2 - 2 * (varCount + 1));
      values[i] = DecodeValue(c, row + from, to - from);
    }
  }
  return values;
}

std::string FixtureDir() {
  const char* dir = std::getenv("TABLORIA_FIXTURES");
  return dir && *dir ? dir : "/work/shared/fixtures/mdb";
}

std::vector<std::string> FixturePaths() {
  std::vector<std::string> paths;
  const std::filesystem::path accdb = std::filesystem::path(FixtureDir()).parent_path() / "accdb";
  for (const auto& [dir, extension] : {std::pair{std::filesystem::path(FixtureDir()), ".mdb"}, {accdb, ".accdb"}}) {
    if (!std::filesystem::is_directory(dir)) continue;
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      if (e.path().extension() == extension) found.push_back(e.path().string());
    }
    std::sort(found.begin(), found.end());
    paths.insert(paths.end(), found.begin(), found.end());
  }
  return paths;
}

}  // namespace jetindex_test
