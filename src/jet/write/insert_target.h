// INSERT INTO ... [(columns)] VALUES, with every index of the table kept
// exact and the rules Jet checks on a row enforced (see new_row.h and
// table_indexes.h); and the table it goes to, kept between the
// statements of one writer so that the next INSERT into the same table need
// not look it up again. What is kept is not trusted: each statement reads
// the table's catalogue row and definition pages afresh (the definition must
// be read anyway to count the row) and uses the kept table only when those
// bytes are what they were. A drop, rename or redefinition by any writer
// changes one of them; rows added by others change the row count, which is
// ignored here and read afresh when counting, and the maps and data pages,
// which are always read afresh.
#pragma once

#include <memory>

#include "jet/connection.h"
#include "jet/sql/statement.h"

namespace jet {

struct InsertTarget;

// Runs one INSERT; `target` is the table the previous one went to (or
// null), replaced by this one's.
void InsertInto(Connection& c, const sql::InsertValues& insert, std::shared_ptr<InsertTarget>& target);

}  // namespace jet
