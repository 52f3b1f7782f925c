// Text keys in Jet 4's General sort order ("General legacy", LCID 1033, version 0):
// the bytes after a text column's flag byte in an index entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet::index {

// Jet keys at most this many characters of a text value.
inline constexpr std::size_t kMaxKeyedTextLength = 255;

// The part of `text` Jet keys: the first 255 characters without trailing blanks.
std::u16string_view KeyedText(std::u16string_view text);

// Appends the key of `text` (without the column flag byte). Descending keys come out
// inverted. Throws jet::Error (kIndexValueRefused) for a character the code table lacks.
void AppendGeneralTextKey(std::u16string_view text, bool ascending, std::vector<std::uint8_t>& out);

// UTF-8 rendering of UTF-16 text for messages.
std::string TextForMessage(std::u16string_view text);

}  // namespace jet::index
