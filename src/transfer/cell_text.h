// The text form of one field value, as both transfer directions send it and
// measure it. One conversion serves the width and the value, so they agree.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataaccess/value.h"

namespace transfer {

// Null gives the empty text; every other value its plain text form: Access
// dates as yyyy-mm-dd hh:mm:ss (date alone at midnight, time alone on
// 1899-12-30) with any fraction of a second the date holds, MySQL dates and
// times exactly as MySQL shows them, numbers in plain decimal with "." and no
// grouping (the fewest digits that read back as the same Single or Double; E
// notation only for very large and very small ones), Currency and Decimal
// exact without trailing zeros, True/False, binary as 0x followed by
// upper-case hexadecimal.
std::string CellText(const dataaccess::Value& value);

// "NaN", "Infinity" or "-Infinity" for a number that no decimal text (and no
// MySQL column) holds; nullptr for every other value.
const char* NonFiniteName(const dataaccess::Value& value);

}  // namespace transfer
