// DROP TABLE: the table's catalogue rows go (MSysObjects, its MSysACEs rows,
// the long values of its properties), and every page it owns returns to the
// global usage map once nothing on disk points to it.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/connection.h"
#include "jet/sql/statement.h"
#include "jet/tdef.h"

namespace jet {

void DropTable(Connection& c, const sql::DropTable& drop);

// Every page a table owns: definition pages, map pages and the bitmap pages
// of reference maps, data pages, long-value pages, index pages.
std::vector<std::uint32_t> PagesOwnedBy(Pager& pager, const TableDef& def);

}  // namespace jet
