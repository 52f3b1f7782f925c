// CREATE TABLE and the pages of a new, empty table: its definition page(s), first, and the
// page(s) holding its usage maps as rows (data pages owned by no table):
// rows 0 and 1 the owned-pages and free-space maps, then a pair per memo and OLE
// column, all inline and empty. Access puts the maps on the page after the
// definition; so do we.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/connection.h"
#include "jet/pager.h"
#include "jet/sql/statement.h"
#include "jet/tdef.h"

namespace jet {

// Writes the table into newly allocated pages; returns its definition page.
std::uint32_t WriteNewTable(Pager& pager, const std::vector<Column>& columns);

// CREATE TABLE: checks the name and columns, writes the table and its
// catalogue rows.
void CreateTable(Connection& c, const sql::CreateTable& create);

}  // namespace jet
