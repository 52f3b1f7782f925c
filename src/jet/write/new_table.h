// CREATE TABLE and the pages of a new, empty table: its definition page(s), first, and the
// page(s) holding its usage maps as rows (data pages owned by no table):
// rows 0 and 1 the owned-pages and free-space maps, then a pair per memo and OLE
// column, then one per index, all inline and empty; each index starts as one
// empty leaf, its root. Access puts the maps on the page after the
// definition; so do we. PRIMARY KEY and UNIQUE constraints become indexes
// (flags as Access sets them: 0x80 on every index, unique 0x01, Null refused
// 0x08 for a primary key), NOT NULL the column's Required property.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/connection.h"
#include "jet/pager.h"
#include "jet/sql/statement.h"
#include "jet/tdef.h"

namespace jet {

// Writes the table into newly allocated pages; returns its definition page.
// The indexes' maps and roots are filled in here.
std::uint32_t WriteNewTable(Pager& pager, const std::vector<Column>& columns, std::vector<RealIndex> realIndexes,
                            std::vector<LogicalIndex> logicalIndexes);

// CREATE TABLE: checks the name and columns, writes the table and its
// catalogue rows.
void CreateTable(Connection& c, const sql::CreateTable& create);

}  // namespace jet
