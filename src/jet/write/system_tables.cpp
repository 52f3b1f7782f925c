#include "jet/write/system_tables.h"

#include <algorithm>

#include "jet/index/index_key.h"
#include "jet/row_codec.h"

namespace jet {
namespace {

constexpr std::uint8_t kSystemColumn = 0x10 | kColumnUpdatable;
constexpr std::uint8_t kAccountColumn = 0x20;  // Owner and SID
constexpr std::uint16_t kNameBytes = 510;      // 255 characters, as Text and Binary columns here hold
constexpr std::uint8_t kUnique = 0x01;
constexpr std::uint8_t kIgnoreNulls = 0x02;
constexpr std::uint8_t kRequired = 0x08;
constexpr std::uint8_t kJet4Index = 0x80;
constexpr std::uint8_t kPrimaryKey = 1;

struct DeclaredColumn {
  const char* name;
  ColumnType type;
  std::uint16_t number;
  bool account = false;
};

bool IsFixedType(ColumnType type) {
  return type != ColumnType::Text && type != ColumnType::Binary && type != ColumnType::Memo &&
         type != ColumnType::Ole;
}

// Places in the row as Jet assigns them, in column-number order: fixed
// columns one after another in the fixed area (a Yes/No column takes no
// room there: its value is its null-mask bit), and every column counting the
// variable columns numbered before it.
std::vector<Column> LayOut(std::vector<DeclaredColumn> specs) {
  std::vector<Column> columns;
  for (const DeclaredColumn& s : specs) {
    Column c;
    c.name = s.name;
    c.type = static_cast<std::uint8_t>(s.type);
    c.number = s.number;
    c.flags = static_cast<std::uint8_t>(kSystemColumn | (IsFixedType(s.type) ? kColumnFixed : 0) |
                                        (s.account ? kAccountColumn : 0));
    c.sortLcid = index::kGeneralSortLcid;
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
      c->length = c->Type() == ColumnType::Memo || c->Type() == ColumnType::Ole ? 0 : kNameBytes;
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

std::vector<SystemTable> Define() {
  using T = ColumnType;
  std::vector<SystemTable> tables;
  tables.push_back({"MSysObjects",
                    LayOut({{"Connect", T::Memo, 9},
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
                            {"Owner", T::Binary, 6, true},
                            {"ParentId", T::Long, 1},
                            {"RmtInfoLong", T::Ole, 12},
                            {"RmtInfoShort", T::Binary, 11},
                            {"Type", T::Integer, 3}}),
                    {{"ParentIdName", {1, 2}, kJet4Index | kUnique, 0},
                     {"Id", {0}, kJet4Index | kUnique, kPrimaryKey}}});
  tables.push_back({"MSysACEs",
                    LayOut({{"ACM", T::Long, 2},
                            {"FInheritable", T::Boolean, 3},
                            {"ObjectId", T::Long, 0},
                            {"SID", T::Binary, 1, true}}),
                    {{"ObjectId", {0}, kJet4Index | kRequired, 0}}});
  tables.push_back({"MSysQueries",
                    LayOut({{"Attribute", T::Byte, 1},
                            {"Expression", T::Memo, 5},
                            {"Flag", T::Integer, 6},
                            {"LvExtra", T::Long, 7},
                            {"Name1", T::Text, 3},
                            {"Name2", T::Text, 4},
                            {"ObjectId", T::Long, 0},
                            {"Order", T::Binary, 2}}),
                    {{"ObjectIdAttribute", {0, 1, 2}, kJet4Index | kUnique, kPrimaryKey}}});
  tables.push_back({"MSysRelationships",
                    LayOut({{"ccolumn", T::Long, 2},
                            {"grbit", T::Long, 1},
                            {"icolumn", T::Long, 3},
                            {"szColumn", T::Text, 5},
                            {"szObject", T::Text, 4},
                            {"szReferencedColumn", T::Text, 7},
                            {"szReferencedObject", T::Text, 6},
                            {"szRelationship", T::Text, 0}}),
                    {{"szRelationship", {0}, kJet4Index | kIgnoreNulls, 0},
                     {"szObject", {4}, kJet4Index | kIgnoreNulls, 0},
                     {"szReferencedObject", {6}, kJet4Index | kIgnoreNulls, 0}}});
  return tables;
}

}  // namespace

const std::vector<SystemTable>& SystemTables() {
  static const std::vector<SystemTable> tables = Define();
  return tables;
}

}  // namespace jet
