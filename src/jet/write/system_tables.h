// The tables the engine keeps its catalogue in, defined as it defines them in
// a new database. Jet 4 and ACE alike (definition pages 2 to 5, in this
// order):
//   MSysObjects        one row per object: containers, the database, tables;
//                      indexed by (ParentId, Name) and, as primary key, Id
//   MSysACEs           the permissions: object, account (SID), rights, and
//                      whether objects created in a container inherit them;
//                      indexed by ObjectId, not unique
//   MSysQueries        the parts of saved queries; primary key (ObjectId,
//                      Attribute, Order)
//   MSysRelationships  one row per column pair of a relationship; indexed by
//                      szRelationship, szObject and szReferencedObject,
//                      ignoring nulls
// Every column of these carries the flags 0x10 and 0x02 (fixed ones 0x01
// too; the two account columns, Owner and SID, 0x20 as well), the General
// sort order and no Unicode compression, and the engine writes the column
// blocks and the logical index blocks in the order of their names.
// ACE (Access 2007 and later) adds the tables behind complex fields, user
// tables as far as their definitions go:
//   MSysComplexColumns     one row per complex field: its name, the type
//                          table, the flat table holding its values, the
//                          table it belongs to, and its id (an AutoNumber,
//                          the primary key)
//   MSysComplexType_*      one per kind of complex value, never holding a
//                          row: the column layout a flat table copies
//                          (UnsignedByte, Short, Long, IEEESingle,
//                          IEEEDouble, GUID, Decimal, Text: one column Value;
//                          Attachment: the six File* columns)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/format.h"
#include "jet/tdef.h"

namespace jet {

struct SystemIndex {
  std::string name;
  std::vector<std::uint16_t> columns;  // column numbers, all ascending
  std::uint8_t flags = 0;              // 0x01 unique, 0x02 ignore nulls, 0x08 required; Jet 4 adds 0x80
  std::uint8_t kind = 0;               // 1: primary key
};

struct SystemTable {
  std::string name;
  std::uint8_t tableType = kTableTypeSystem;
  std::vector<Column> columns;       // in the order of their definition blocks
  std::vector<SystemIndex> indexes;  // index i is real index i and logical index number i
  std::int32_t objectFlags = 0;      // its MSysObjects row's Flags
  bool owned = true;                 // whether that row names an Owner
};

// The catalogue of a new file of `engine` (Jet 4 or ACE): the four tables
// above, in the order of their definition pages, then (ACE) MSysComplexColumns
// and the MSysComplexType_* tables in the order the engine creates them.
// Text columns take the General sort order of `sortVersion`.
std::vector<SystemTable> SystemTables(Engine engine, std::uint8_t sortVersion);

}  // namespace jet
