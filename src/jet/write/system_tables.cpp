#include "jet/write/system_tables.h"

#include <algorithm>

#include "jet/catalogue.h"
#include "jet/index/index_key.h"
#include "jet/row_codec.h"

namespace jet {
namespace {

constexpr std::uint8_t kCatalogueColumn = 0x10 | kColumnUpdatable;
constexpr std::uint8_t kAccountColumn = 0x20;  // Owner and SID
constexpr std::uint8_t kAttachmentColumn = 0x10;  // extra flags of the Attachment type's columns
constexpr std::uint16_t kNameBytes = 510;      // 255 characters, as Text and Binary columns here hold
constexpr std::uint8_t kUnique = 0x01;
constexpr std::uint8_t kIgnoreNulls = 0x02;
constexpr std::uint8_t kRequired = 0x08;
constexpr std::uint8_t kJet4Index = 0x80;
constexpr std::uint8_t kPrimaryKey = 1;
// MSysObjects.Flags of the MSysComplexType_* tables.
constexpr std::int32_t kFlagsComplexType = static_cast<std::int32_t>(0x80030000u);

struct DeclaredColumn {
  const char* name;
  ColumnType type;
  std::uint16_t number;
  std::uint8_t flags = 0;       // besides those of the table's kind and of fixed columns
  std::uint8_t extraFlags = 0;
};

bool IsFixedType(ColumnType type) {
  return type != ColumnType::Text && type != ColumnType::Binary && type != ColumnType::Memo &&
         type != ColumnType::Ole && type != ColumnType::Decimal;
}

// Places in the row as the engine assigns them, in column-number order: fixed
// columns one after another in the fixed area (a Yes/No column takes no
// room there: its value is its null-mask bit), and every column counting the
// variable columns numbered before it. A Decimal is variable here, 9 bytes
// at most, as in MSysComplexType_Decimal.
std::vector<Column> LayOut(std::vector<DeclaredColumn> specs, std::uint8_t tableFlags, std::uint8_t sortVersion) {
  constexpr std::uint16_t kDecimalBytes = 9;
  constexpr std::uint8_t kDecimalPrecision = 18;
  std::vector<Column> columns;
  for (const DeclaredColumn& s : specs) {
    Column c;
    c.name = s.name;
    c.type = static_cast<std::uint8_t>(s.type);
    c.number = s.number;
    c.flags = static_cast<std::uint8_t>(tableFlags | (IsFixedType(s.type) ? kColumnFixed : 0) | s.flags);
    c.extraFlags = s.extraFlags;
    c.sortLcid = index::kGeneralSortLcid;
    c.sortVersion = sortVersion;
    if (s.type == ColumnType::Decimal) c.precision = kDecimalPrecision;
    columns.push_back(c);
  }
  std::vector<Column*> byNumber;
  for (Column& c : columns) byNumber.push_back(&c);
  std::sort(byNumber.begin(), byNumber.end(), [](Column* a, Column* b) { return a->number < b->number; });
  std::uint16_t fixedOffset = 0;
  std::uint16_t variables = 0;
  for (Column* c : byNumber) {
    c->varIndex = variables;
    if (!c->IsFixed()) {
      ++variables;
      if (c->Type() == ColumnType::Text || c->Type() == ColumnType::Binary) c->length = kNameBytes;
      if (c->Type() == ColumnType::Decimal) c->length = kDecimalBytes;
    } else if (c->Type() == ColumnType::Boolean) {
      c->length = 1;
    } else {
      c->length = static_cast<std::uint16_t>(FixedSize(*c));
      c->fixedOffset = fixedOffset;
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + c->length);
    }
  }
  return columns;
}

// Jet's catalogue: every file's first four tables.
void AddCatalogue(std::vector<SystemTable>& tables, std::uint8_t sortVersion) {
  using T = ColumnType;
  auto layOut = [&](std::vector<DeclaredColumn> specs) { return LayOut(std::move(specs), kCatalogueColumn, sortVersion); };
  tables.push_back({"MSysObjects", kTableTypeSystem,
                    layOut({{"Connect", T::Memo, 9},
                            {"Database", T::Memo, 8},
                            {"DateCreate", T::DateTime, 4},
                            {"DateUpdate", T::DateTime, 5},
                            {"Flags", T::Long, 7},
                            {"ForeignName", T::Text, 10},
                            {"Id", T::Long, 0},
                            {"Lv", T::Ole, 13},
                            {"LvExtra", T::Ole, 16},
                            {"LvModule", T::Ole, 15},
                            {"LvProp", T::Ole, 14},
                            {"Name", T::Text, 2},
                            {"Owner", T::Binary, 6, kAccountColumn},
                            {"ParentId", T::Long, 1},
                            {"RmtInfoLong", T::Ole, 12},
                            {"RmtInfoShort", T::Binary, 11},
                            {"Type", T::Integer, 3}}),
                    {{"ParentIdName", {1, 2}, kJet4Index | kUnique, 0},
                     {"Id", {0}, kJet4Index | kUnique, kPrimaryKey}},
                    kFlagsJetObject});
  tables.push_back({"MSysACEs", kTableTypeSystem,
                    layOut({{"ACM", T::Long, 2},
                            {"FInheritable", T::Boolean, 3},
                            {"ObjectId", T::Long, 0},
                            {"SID", T::Binary, 1, kAccountColumn}}),
                    {{"ObjectId", {0}, kJet4Index | kRequired, 0}},
                    kFlagsJetObject});
  tables.push_back({"MSysQueries", kTableTypeSystem,
                    layOut({{"Attribute", T::Byte, 1},
                            {"Expression", T::Memo, 5},
                            {"Flag", T::Integer, 6},
                            {"LvExtra", T::Long, 7},
                            {"Name1", T::Text, 3},
                            {"Name2", T::Text, 4},
                            {"ObjectId", T::Long, 0},
                            {"Order", T::Binary, 2}}),
                    {{"ObjectIdAttribute", {0, 1, 2}, kJet4Index | kUnique, kPrimaryKey}},
                    kFlagsJetObject});
  tables.push_back({"MSysRelationships", kTableTypeSystem,
                    layOut({{"ccolumn", T::Long, 2},
                            {"grbit", T::Long, 1},
                            {"icolumn", T::Long, 3},
                            {"szColumn", T::Text, 5},
                            {"szObject", T::Text, 4},
                            {"szReferencedColumn", T::Text, 7},
                            {"szReferencedObject", T::Text, 6},
                            {"szRelationship", T::Text, 0}}),
                    {{"szRelationship", {0}, kJet4Index | kIgnoreNulls, 0},
                     {"szObject", {4}, kJet4Index | kIgnoreNulls, 0},
                     {"szReferencedObject", {6}, kJet4Index | kIgnoreNulls, 0}},
                    kFlagsJetObject});
}

// ACE's tables behind complex fields.
void AddComplexTables(std::vector<SystemTable>& tables, std::uint8_t sortVersion) {
  using T = ColumnType;
  tables.push_back({"MSysComplexColumns", kTableTypeUser,
                    LayOut({{"ColumnName", T::Text, 0},
                            {"ComplexID", T::Long, 4, kColumnAutoLong},
                            {"ComplexTypeObjectID", T::Long, 1},
                            {"ConceptualTableID", T::Long, 3},
                            {"FlatTableID", T::Long, 2}},
                           kCatalogueColumn, sortVersion),
                    {{"IdxID", {4}, kJet4Index | kRequired | kIgnoreNulls | kUnique, kPrimaryKey},
                     {"IdxConceptualTableID", {3}, kJet4Index | kRequired | kIgnoreNulls, 0},
                     {"IdxFlatTableID", {2}, kJet4Index | kRequired | kIgnoreNulls, 0}},
                    kFlagsJetObject,
                    false});
  struct ValueType {
    const char* name;
    ColumnType type;
  };
  const ValueType kValueTypes[] = {
      {"UnsignedByte", T::Byte},     {"Short", T::Integer}, {"Long", T::Long},       {"IEEESingle", T::Single},
      {"IEEEDouble", T::Double},     {"GUID", T::Guid},     {"Decimal", T::Decimal}, {"Text", T::Text},
  };
  for (const ValueType& v : kValueTypes)
    tables.push_back({std::string("MSysComplexType_") + v.name, kTableTypeUser,
                      LayOut({{"Value", v.type, 0}}, kColumnUpdatable, sortVersion), {}, kFlagsComplexType, false});
  tables.push_back({"MSysComplexType_Attachment", kTableTypeUser,
                    LayOut({{"FileData", T::Ole, 3, 0, kAttachmentColumn},
                            {"FileFlags", T::Long, 5, 0, kAttachmentColumn},
                            {"FileName", T::Text, 1, 0, kAttachmentColumn},
                            {"FileTimeStamp", T::DateTime, 4, 0, kAttachmentColumn},
                            {"FileType", T::Text, 2, 0, kAttachmentColumn},
                            {"FileURL", T::Memo, 0, 0, kAttachmentColumn}},
                           kColumnUpdatable, sortVersion),
                    {},
                    kFlagsComplexType,
                    false});
}

}  // namespace

std::vector<SystemTable> SystemTables(Engine engine, std::uint8_t sortVersion) {
  std::vector<SystemTable> tables;
  AddCatalogue(tables, sortVersion);
  if (engine == Engine::kAce) AddComplexTables(tables, sortVersion);
  return tables;
}

}  // namespace jet
