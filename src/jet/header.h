// Page 0, the database header. Layout (Jet 4 and ACE; Jet 3 in brackets):
//   0x00 u32 00 01 00 00, 0x04 "Standard Jet DB" ("Standard ACE DB" from
//   Access 2007 on), 0x14 u8 version (0 Jet 3, 1 Jet 4, 2-6 ACE: Access 2007,
//   2010, 2013, 2016, 2019); 0x18..0x97 [0x95] masked with the RC4 keystream
//   of the key C7 DA 39 6B; inside it: [0x3A u16 sort-order LCID], 0x3C u16
//   code page, 0x3E u32 page-encoding key (0 = pages are plain), 0x42 40 [20]
//   bytes password (UCS-2 [code-page bytes], also XORed with the truncated
//   creation date [not in Jet 3]), 0x6E u16 sort-order LCID + u8 + u8
//   version, 0x72 f64 creation date.
// Jet writes the rest the same in every file; see NewHeaderPage.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "jet/format.h"
#include "jet/page.h"

namespace jet {

struct Header {
  const Format* format = &kJet4Format;
  std::uint8_t version = 1;       // the byte at 0x14
  std::uint16_t codePage = 0;
  std::uint32_t encodingKey = 0;  // 0: pages are stored plain
  std::uint16_t sortOrder = 0;    // LCID, 1033 = General
  std::uint8_t sortVersion = 0;
  double creationDate = 0;
  std::u16string password;  // empty when the file has none
};

// Reads the header from the raw first page; throws jet::Error (kOpenFailed)
// for a file that is not an Access database we read (or an encrypted ACE
// one), naming what it is instead.
Header ParseHeader(std::span<const std::uint8_t> page0, const std::string& path);

// The code page of an Access 97 file's texts: the header's, else the one its
// sort order implies.
std::uint16_t FileCodePage(const Header& header);

// Page 0 of a new Jet 4 or ACE database with `header`'s format, version
// byte, code page, sort order and creation date (an OLE date); no password,
// pages stored plain.
std::array<std::uint8_t, kPageSize> NewHeaderPage(const Header& header);

// Throws "Not a valid password." unless `given` opens a file with `header`.
// A password given for a file without one is ignored, as Jet does.
void CheckPassword(const Header& header, const std::string& given);

}  // namespace jet
