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
#include <string>

#include "jet/connection.h"
#include "jet/sql/statement.h"

namespace jet {

struct InsertTarget;
class TableIndexes;

// The table whose inserts hold back their index entries in the open batch
// (see table_indexes.h), none when `indexes` is null. Its entries must be
// entered before any other statement, so that it sees whole indexes, and
// before the batch commits.
struct HeldBackTable {
  std::string name;
  std::shared_ptr<TableIndexes> indexes;
};

// Runs one INSERT; `target` is the table the previous one went to (or
// null), replaced by this one's. Inside a batch the row's index entries
// are held back in `heldBack`, which must be empty or name the same table.
void InsertInto(Connection& c, const sql::InsertValues& insert, std::shared_ptr<InsertTarget>& target,
                HeldBackTable& heldBack);

// Enters the entries `heldBack` holds into their trees, as a statement of
// its own, and empties it; entries whose batch was undone are dropped. A
// failure leaves the trees part-way: the caller must undo the batch.
void EnterHeldBack(Connection& c, HeldBackTable& heldBack);

}  // namespace jet
