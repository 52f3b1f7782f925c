// A literal of INSERT made into the value its column stores, or refused: a
// value that does not fit its column is never changed to fit. What each column
// type takes (a text literal holding the same form is taken as well, as Jet
// converts it):
//   Byte, Integer, Long   whole numbers within the type's range
//   Single, Double        numbers within the type's range
//   Currency              numbers with at most 4 decimals, exactly
//   Decimal               numbers within the column's precision and scale, exactly
//   Date/Time             #yyyy-mm-dd#, #yyyy-mm-dd hh:nn[:ss[.fff]]#, #hh:nn[:ss[.fff]]#, #m/d/yyyy ...#
//   Yes/No                TRUE/FALSE, YES/NO, ON/OFF, -1/0
//   Replication ID        {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
//   Binary, OLE Object    0x followed by pairs of hex digits
//   Text, Memo            'text' (or a number, kept as written)
// NULL suits every column; whether the column takes it is a constraint
// checked with the row. Text length and characters are checked where the row
// is encoded (jet/row_codec.h).
#pragma once

#include "jet/sql/statement.h"
#include "jet/tdef.h"
#include "jet/value.h"

namespace jet {

// Throws jet::Error: kTypeMismatch for a literal of the wrong kind, kDataOverflow
// for a number the column cannot hold, each naming the field and the value.
Value TypedValue(const Column& column, const sql::Literal& literal);

// The value a column's DefaultValue property gives a row that leaves the
// column out. Understood: a literal (texts also in double quotes), with or
// without a leading "=", and the functions Now(), Date(), Time() and
// GenGUID(). Any other expression throws jet::Error (kStatementFailed): the
// row must then give the column its value.
Value DefaultValue(const Column& column, const std::string& expression);

}  // namespace jet
