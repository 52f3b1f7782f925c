// Text of Access 97 (Jet 3) files: not UCS-2 but the bytes of a Windows code
// page, one byte a character (two for the lead bytes of the East Asian pages).
// Each text column names its code page; the header names the file's; a file
// that names none takes the one its sort order's language writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "jet/bytes.h"

namespace jet {

// The Windows code page of the language a sort-order LCID names (1252 for the
// General order and every Western European language).
std::uint16_t CodePageOfLcid(std::uint16_t lcid);

// Appends the UTF-8 form of `bytes` in `codePage` to `out`, converting only
// what is not ASCII: for the few texts read one by one (names).
void DecodeCodePage(std::uint16_t codePage, ByteSpan bytes, std::string& out);

// Converts one code page's bytes to UTF-8.
class CodePageText {
 public:
  // Throws jet::Error (kOpenFailed) when this system cannot convert the page.
  explicit CodePageText(std::uint16_t codePage);
  ~CodePageText();
  CodePageText(CodePageText&&) noexcept;
  CodePageText& operator=(CodePageText&&) noexcept;

  std::uint16_t CodePage() const { return codePage_; }

  // Appends the UTF-8 form of `bytes` to `out`. A byte the code page leaves
  // undefined becomes the character of the same number, as Windows reads it.
  void Decode(ByteSpan bytes, std::string& out);

 private:
  struct Converter;
  std::uint16_t codePage_;
  std::unique_ptr<Converter> converter_;
};

}  // namespace jet
