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
#include <string>
#include <vector>

#include "jet/connection.h"
#include "jet/pager.h"
#include "jet/sql/statement.h"
#include "jet/tdef.h"

namespace jet {

inline constexpr std::size_t kMaxIndexColumns = 10;
inline constexpr std::size_t kMaxTableIndexes = 32;
// Set by Access on every index it makes since Access 2000.
inline constexpr std::uint8_t kIndexNewStyle = 0x80;
inline constexpr int kPrimaryKeyExistsJet = 3283;

// What a declared index makes: a real index, named by its logical index.
struct NewIndex {
  RealIndex real;
  LogicalIndex logical;
};

// The index over `columns` (those of `table`), with Access's flags and, when
// the statement names none, the name Access gives it; its numbers, map and
// root are the caller's. Throws jet::Error (kStatementFailed) for a field
// the table lacks, one named twice, one that cannot be indexed, or more than
// ten.
NewIndex LayOutIndex(const sql::DeclaredIndex& declared, const std::vector<Column>& columns, const std::string& table);

// Each index starts as one empty leaf, its root, listed in the index's usage
// map (index.usageMap, already made); sets index.rootPage.
void PlantIndexRoot(Pager& pager, std::uint32_t tdefPage, RealIndex& index);

// Writes the table into newly allocated pages; returns its definition page.
// The indexes' maps and roots are filled in here.
std::uint32_t WriteNewTable(Pager& pager, const std::vector<Column>& columns, std::vector<RealIndex> realIndexes,
                            std::vector<LogicalIndex> logicalIndexes);

// CREATE TABLE: checks the name and columns, writes the table and its
// catalogue rows.
void CreateTable(Connection& c, const sql::CreateTable& create);

}  // namespace jet
