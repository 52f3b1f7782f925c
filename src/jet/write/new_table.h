// The pages of a new, empty table: its definition page(s), first, and the
// page(s) holding its usage maps as rows (data pages owned by no table):
// rows 0 and 1 the owned-pages and free-space maps, then a pair per memo
// column, all inline and empty. Access puts the maps on the page after the
// definition; so do we.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/pager.h"
#include "jet/tdef.h"

namespace jet {

// Writes the table into newly allocated pages; returns its definition page.
std::uint32_t WriteNewTable(Pager& pager, const std::vector<Column>& columns);

// Every page a table owns, for a drop: definition pages, map pages and the
// bitmap pages of reference maps, data pages, long-value pages, index pages.
std::vector<std::uint32_t> PagesOwnedBy(Pager& pager, const TableDef& def);

}  // namespace jet
