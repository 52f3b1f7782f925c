// Text as Jet 4 stores it: UCS-2 little-endian, or Access's compressed
// Unicode: the marker FF FE, then one byte per character (U+0001..U+00FF);
// a 0x00 byte switches between that and two-byte characters, back and forth.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// Appends the UTF-8 form of stored text (either form) to `out`. An unpaired
// surrogate becomes U+FFFD.
void DecodeText(std::span<const std::uint8_t> stored, std::string& out);

// Appends the UTF-8 form of plain UCS-2 (names, fixed-length text).
void DecodeUcs2(std::span<const std::uint8_t> stored, std::string& out);

// The length in UTF-16 code units of the text DecodeText gives for `stored`,
// counted on the stored bytes: every stored unit, and every byte of a
// one-byte run, is one unit of the decoded text (an unpaired surrogate's
// U+FFFD too).
std::size_t TextUnits(std::span<const std::uint8_t> stored);

// Length as Jet counts a Text(n) column: UTF-16 code units of a UTF-8 text.
std::size_t Utf16Length(std::string_view utf8);

// UTF-8 <-> UTF-16; invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& utf8);
void AppendUtf8(char16_t const* units, std::size_t count, std::string& out);
// Appends one code point's UTF-8 form.
void AppendCodePoint(char32_t c, std::string& out);

// Stored bytes for a text value: compressed when `compress` is set and every
// character lies in U+0001..U+00FF and there are more than two of them (what
// Access does), plain UCS-2 otherwise.
std::vector<std::uint8_t> EncodeText(const std::u16string& text, bool compress);

}  // namespace jet
