// Which statements MySQL answers without rows, read from their text alone.
#pragma once

#include <string_view>

namespace dataaccess {

// True for a statement that surely answers no rows: it opens with INSERT,
// CREATE, DROP, RENAME, START, COMMIT, ROLLBACK or SAVEPOINT, and an INSERT has no
// RETURNING clause. Quoted literals, quoted identifiers and comments are
// skipped, so a value holding the word "returning" does not count; the text
// of an executable comment (/*! ... */) does. False when unsure.
bool AnswersNoRows(std::string_view statement);

}  // namespace dataaccess
