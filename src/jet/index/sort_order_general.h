// Text keys in the General sort orders (LCID 1033; "General legacy", version 0, and
// "General", version 1): the bytes after a text column's flag byte in an index entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index_key.h"

namespace jet::index {

// Jet keys at most this many characters of a text value.
inline constexpr std::size_t kMaxKeyedTextLength = 255;

// The part of `text` Jet keys: the first 255 characters without trailing blanks.
std::u16string_view KeyedText(std::u16string_view text);

// Appends the key of `text` (without the column flag byte) in `order`. Descending keys
// come out inverted. Throws jet::Error (kIndexValueRefused) for a character the code table
// lacks, naming it (a character beyond U+FFFF as itself, not by half of its pair).
void AppendGeneralTextKey(std::u16string_view text, bool ascending, TextOrder order, std::vector<std::uint8_t>& out);

// UTF-8 rendering of UTF-16 text for messages.
std::string TextForMessage(std::u16string_view text);

}  // namespace jet::index
