// A check of a database's structure, for tests and the developer tool:
//  - every page a table's maps own is of the kind the map says (data pages
//    naming the table, LVAL pages, index pages naming the table), is marked
//    in use in the global map, and no page is owned twice;
//  - every data page naming a table and in use is in that table's map, and
//    its free-space map lists only owned pages;
//  - the row count in each definition equals the live rows;
//  - every index of every table has its pages in order (entries sorted,
//    nodes bounding their children, leaves chained in order) and exactly one
//    entry per row (none for a row whose key is all Null where the index
//    ignores Nulls), whose key, taken apart by the index layer's own decoder,
//    matches the row; a unique index holds no key twice (all-Null keys
//    aside), and an index that refuses Null lists no key with one.
#pragma once

#include <string>
#include <vector>

#include "jet/pager.h"

namespace jet {

// What is wrong, one sentence each; empty for a sound file. Runs inside a
// statement on `pager`.
std::vector<std::string> CheckConsistency(Pager& pager);

// Opens the file (read-only is fine) and checks it.
std::vector<std::string> CheckDatabase(const std::string& path, const std::string& password);

}  // namespace jet
