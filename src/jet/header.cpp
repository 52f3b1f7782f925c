#include "jet/header.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "jet/bytes.h"
#include "jet/error.h"
#include "jet/rc4.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kMaskedStart = 0x18;
constexpr std::size_t kMaskedLength = 128;
constexpr std::array<std::uint8_t, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

[[noreturn]] void NotJet4(const std::string& path, const std::string& why) {
  throw Error(kOpenFailed, "Unrecognized database format '" + path + "' (" + why + ").");
}

// The password's second mask: the creation date truncated to a whole number,
// as four little-endian bytes repeated.
std::array<std::uint8_t, 4> DateMask(double date) {
  std::int32_t whole = 0;
  if (std::isfinite(date) && date > -2147483648.0 && date < 2147483648.0) whole = static_cast<std::int32_t>(date);
  auto u = static_cast<std::uint32_t>(whole);
  return {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u >> 16),
          static_cast<std::uint8_t>(u >> 24)};
}

// The header key's keystream is the same for every file: made once, it turns
// unmasking (done at every open) into a plain XOR.
const std::array<std::uint8_t, kMaskedLength>& HeaderKeystream() {
  static const std::array<std::uint8_t, kMaskedLength> keystream = [] {
    std::array<std::uint8_t, kMaskedLength> zeros{};
    Rc4Apply(kHeaderKey, zeros);
    return zeros;
  }();
  return keystream;
}

}  // namespace

Header ParseHeader(std::span<const std::uint8_t> raw, const std::string& path) {
  static constexpr char kJet[] = "Standard Jet DB";
  static constexpr char kAce[] = "Standard ACE DB";
  if (raw.size() < kPageSize) NotJet4(path, "the file is too short to be an Access database");
  if (raw[0] != 0 || raw[1] != 1 || raw[2] != 0 || raw[3] != 0) NotJet4(path, "not an Access database file");
  if (std::memcmp(raw.data() + 4, kAce, 15) == 0)
    NotJet4(path, "an Access 2007 or later file; only Access 2000-2003 (Jet 4) files are supported");
  if (std::memcmp(raw.data() + 4, kJet, 15) != 0) NotJet4(path, "not an Access database file");
  switch (raw[0x14]) {
    case 1: break;
    case 0: NotJet4(path, "an Access 97 (Jet 3) file; only Access 2000-2003 (Jet 4) files are supported");
    default: NotJet4(path, "an unknown Jet version; only Access 2000-2003 (Jet 4) files are supported");
  }

  // Only the bytes up to the end of the masked region are read from here on.
  std::array<std::uint8_t, kMaskedStart + kMaskedLength> page;
  std::copy_n(raw.begin(), page.size(), page.begin());
  const auto& keystream = HeaderKeystream();
  for (std::size_t i = 0; i < kMaskedLength; ++i) page[kMaskedStart + i] ^= keystream[i];
  ByteSpan p(page);

  Header h;
  h.codePage = U16(p, 0x3C);
  h.encodingKey = U32(p, 0x3E);
  h.sortOrder = U16(p, 0x6E);
  h.sortVersion = U8(p, 0x71);
  h.creationDate = F64(p, 0x72);

  auto mask = DateMask(h.creationDate);
  std::array<std::uint8_t, 40> pw;
  for (std::size_t i = 0; i < pw.size(); ++i) pw[i] = page[0x42 + i] ^ mask[i % 4];
  for (std::size_t i = 0; i + 1 < pw.size(); i += 2) {
    char16_t c = static_cast<char16_t>(pw[i] | (pw[i + 1] << 8));
    if (c == 0) break;
    h.password.push_back(c);
  }
  return h;
}

void CheckPassword(const Header& header, const std::string& given) {
  if (header.password.empty()) return;
  if (Utf8ToUtf16(given) != header.password) throw Error(kOpenFailed, "Not a valid password.");
}

}  // namespace jet
