#include "jet/column_properties.h"

#include <cstring>

#include "jet/error.h"
#include "jet/names.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

constexpr char kJet4Magic[] = "MR2";
constexpr char kJet3Magic[] = "KKD";
constexpr std::uint16_t kNamesChunk = 0x80;
constexpr std::uint16_t kColumnChunk = 0x01;
constexpr std::uint8_t kBooleanType = 0x01;
constexpr std::uint8_t kTextType = 0x0A;
constexpr std::uint8_t kMemoType = 0x0C;

constexpr const char* kRequired = "Required";
constexpr const char* kAllowZeroLength = "AllowZeroLength";
constexpr const char* kDefaultValue = "DefaultValue";

std::string ReadName(ByteSpan b, std::size_t& at) {
  std::size_t length = U16(b, at);
  Require(b, at + 2, length, "a property name beyond its blob");
  std::string name;
  DecodeUcs2(b.subspan(at + 2, length), name);
  at += 2 + length;
  return name;
}

// The values of one column's chunk (after its length and kind) into `rules`.
void ReadValues(ByteSpan chunk, const std::vector<std::string>& names, ColumnRules& rules) {
  for (std::size_t at = 0; at < chunk.size();) {
    std::size_t length = U16(chunk, at);
    std::uint8_t type = U8(chunk, at + 3);
    std::size_t name = U16(chunk, at + 4);
    std::size_t size = U16(chunk, at + 6);
    if (length < 8 || !Fits(chunk.size(), at, length) || size > length - 8 || name >= names.size())
      ThrowDamaged("a column property beyond its blob");
    ByteSpan data = chunk.subspan(at + 8, size);
    const std::string& property = names[name];
    if (type == kBooleanType && size >= 1) {
      if (SameName(property, kRequired)) rules.required = data[0] != 0;
      if (SameName(property, kAllowZeroLength)) rules.allowZeroLength = data[0] != 0;
    } else if ((type == kTextType || type == kMemoType) && SameName(property, kDefaultValue)) {
      std::string text;
      DecodeUcs2(data, text);
      rules.defaultValue = text;
    }
    at += length;
  }
}

void PutU16At(std::vector<std::uint8_t>& b, std::size_t at, std::size_t v) { PutU16(b.data() + at, static_cast<std::uint16_t>(v)); }
void PutU32At(std::vector<std::uint8_t>& b, std::size_t at, std::size_t v) { PutU32(b.data() + at, static_cast<std::uint32_t>(v)); }

void AppendName(std::vector<std::uint8_t>& b, const std::string& name) {
  std::u16string units = Utf8ToUtf16(name);
  std::size_t at = b.size();
  b.resize(at + 2 + 2 * units.size());
  PutU16At(b, at, 2 * units.size());
  for (std::size_t i = 0; i < units.size(); ++i) PutU16(b.data() + at + 2 + 2 * i, units[i]);
}

// One value: length, DDL flag (set, as Access sets it), type, name index, data.
void AppendValue(std::vector<std::uint8_t>& b, std::uint8_t type, std::size_t name, const std::vector<std::uint8_t>& data) {
  std::size_t at = b.size();
  b.resize(at + 8);
  PutU16At(b, at, 8 + data.size());
  b[at + 2] = 1;
  b[at + 3] = type;
  PutU16At(b, at + 4, name);
  PutU16At(b, at + 6, data.size());
  b.insert(b.end(), data.begin(), data.end());
}

}  // namespace

std::vector<NamedColumnRules> ReadColumnRules(ByteSpan b) {
  std::vector<NamedColumnRules> columns;
  if (b.empty()) return columns;
  Require(b, 0, 4, "a property blob cut short");
  if (std::memcmp(b.data(), kJet4Magic, 4) != 0 && std::memcmp(b.data(), kJet3Magic, 4) != 0)
    ThrowDamaged("a property blob of unknown form");
  std::vector<std::string> names;
  for (std::size_t at = 4; at < b.size();) {
    std::size_t length = U32(b, at);
    std::uint16_t kind = U16(b, at + 4);
    if (length < 6 || !Fits(b.size(), at, length)) ThrowDamaged("a property chunk beyond its blob");
    ByteSpan chunk = b.subspan(at + 6, length - 6);
    if (kind == kNamesChunk) {
      for (std::size_t k = 0; k < chunk.size();) names.push_back(ReadName(chunk, k));
    } else if (kind == kColumnChunk) {
      std::size_t header = U32(chunk, 0);
      if (header < 6 || header > chunk.size()) ThrowDamaged("a property chunk whose column name overruns it");
      std::size_t nameAt = 4;
      NamedColumnRules column{ReadName(chunk.first(header), nameAt), {}};
      ReadValues(chunk.subspan(header), names, column.rules);
      columns.push_back(std::move(column));
    }
    at += length;
  }
  return columns;
}

std::vector<std::uint8_t> ColumnRulesBlob(const std::vector<NamedColumnRules>& columns) {
  const ColumnRules standard;
  std::vector<const NamedColumnRules*> changed;
  for (const NamedColumnRules& c : columns)
    if (c.rules.required != standard.required || c.rules.allowZeroLength != standard.allowZeroLength ||
        c.rules.defaultValue)
      changed.push_back(&c);
  if (changed.empty()) return {};

  std::vector<std::uint8_t> b(kJet4Magic, kJet4Magic + 4);
  const std::vector<std::string> names = {kRequired, kAllowZeroLength, kDefaultValue};
  std::size_t chunk = b.size();
  b.resize(chunk + 6);
  for (const std::string& name : names) AppendName(b, name);
  PutU32At(b, chunk, b.size() - chunk);
  PutU16At(b, chunk + 4, kNamesChunk);

  for (const NamedColumnRules* c : changed) {
    chunk = b.size();
    b.resize(chunk + 10);
    AppendName(b, c->column);
    PutU32At(b, chunk + 6, b.size() - chunk - 6);
    AppendValue(b, kBooleanType, 0, {static_cast<std::uint8_t>(c->rules.required ? 1 : 0)});
    if (!c->rules.allowZeroLength) AppendValue(b, kBooleanType, 1, {0});
    if (c->rules.defaultValue) {
      std::u16string units = Utf8ToUtf16(*c->rules.defaultValue);
      std::vector<std::uint8_t> data(2 * units.size());
      for (std::size_t i = 0; i < units.size(); ++i) PutU16(data.data() + 2 * i, units[i]);
      AppendValue(b, kMemoType, 2, data);
    }
    PutU32At(b, chunk, b.size() - chunk);
    PutU16At(b, chunk + 4, kColumnChunk);
  }
  return b;
}

}  // namespace jet
