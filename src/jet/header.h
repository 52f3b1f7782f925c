// Page 0, the database header. Layout (Jet 4):
//   0x00 u32 00 01 00 00, 0x04 "Standard Jet DB", 0x14 u8 version (1 = Jet 4);
//   0x18..0x97 masked with the RC4 keystream of the key C7 DA 39 6B; inside it:
//   0x3C u16 code page, 0x3E u32 page-encoding key (0 = pages are plain),
//   0x42 40 bytes password (UCS-2, also XORed with the truncated creation date),
//   0x6E u16 sort-order LCID + u8 + u8 version, 0x72 f64 creation date.
// Jet writes the rest the same in every file; see NewHeaderPage.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "jet/page.h"

namespace jet {

struct Header {
  std::uint16_t codePage = 0;
  std::uint32_t encodingKey = 0;  // 0: pages are stored plain
  std::uint16_t sortOrder = 0;    // LCID, 1033 = General
  std::uint8_t sortVersion = 0;
  double creationDate = 0;
  std::u16string password;  // empty when the file has none
};

// Reads the header from the raw first page; throws jet::Error (kOpenFailed)
// for a file that is not a Jet 4 database, naming what it is instead.
Header ParseHeader(std::span<const std::uint8_t> page0, const std::string& path);

// Page 0 of a new database: no password, pages stored plain, code page 1252
// and the General sort order, created at `creationDate` (an OLE date).
std::array<std::uint8_t, kPageSize> NewHeaderPage(double creationDate);

// Throws "Not a valid password." unless `given` opens a file with `header`.
// A password given for a file without one is ignored, as Jet does.
void CheckPassword(const Header& header, const std::string& given);

}  // namespace jet
