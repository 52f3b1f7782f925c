// The four tables Jet keeps its catalogue in, defined as Jet defines them in
// a new database (definition pages 2 to 5, in this order):
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
// Every column carries the flags 0x10 and 0x02 (fixed ones 0x01 too; the two
// account columns, Owner and SID, 0x20 as well), the General sort order and
// no Unicode compression, and Jet writes the column blocks and the logical
// index blocks in the order of their names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  std::vector<Column> columns;       // in the order of their definition blocks
  std::vector<SystemIndex> indexes;  // index i is real index i and logical index number i
};

// MSysObjects, MSysACEs, MSysQueries and MSysRelationships, in the order of
// their definition pages.
const std::vector<SystemTable>& SystemTables();

}  // namespace jet
