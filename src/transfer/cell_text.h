// The text form of one field value, as both transfer directions send it and
// measure it. One conversion serves the width and the value, so they agree.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataaccess/value.h"

namespace transfer {

// Null gives the empty text; every other value its plain text form: dates as
// yyyy-mm-dd hh:mm:ss (date alone at midnight, time alone on 1899-12-30),
// numbers with "." and no grouping (the shortest text that reads back as the
// same Single or Double), Currency and Decimal exact without trailing zeros,
// True/False, binary as 0x followed by upper-case hexadecimal.
std::string CellText(const dataaccess::Value& value);

// Length as Jet counts a Text(n) column: UTF-16 code units of a UTF-8 text.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace transfer
