// CREATE [UNIQUE] INDEX and DROP INDEX on a table that may hold rows. The
// definition block is edited rather than rebuilt, so that whatever Access
// keeps there and this engine does not model stays as it was. A new index
// adds its 12-byte count block, its 52-byte real index block, its 28-byte
// logical index block and its name, the logical blocks kept in the order of
// their names as Access keeps them; an index whose columns, orders and flags
// equal those of a real index the table has shares that real index, as
// Access shares one between a key and a relationship. DROP INDEX removes the
// logical index (the others keep their numbers), and the real one with its
// pages only when no other logical index uses it. The block is then written again over its pages (taking
// another when it outgrows them, giving one back when it shrinks).
#pragma once

#include "jet/connection.h"
#include "jet/sql/statement.h"

namespace jet {

// Keys of the rows are made and checked (a Null where the index refuses one,
// a key twice in a unique index) before anything is written; throws
// jet::Error with Jet's number where Jet has one.
void CreateIndex(Connection& c, const sql::CreateIndex& create);

// Refused for an index a relationship uses: a foreign key, or a unique index
// of a table in a relationship (the other table names it by its number).
void DropIndex(Connection& c, const sql::DropIndex& drop);

}  // namespace jet
