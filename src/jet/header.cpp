#include "jet/header.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "jet/bytes.h"
#include "jet/code_page.h"
#include "jet/error.h"
#include "jet/rc4.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kMaskedStart = 0x18;
constexpr std::size_t kMaxMaskedLength = 128;
constexpr std::size_t kEngineNameAt = 0x04;
constexpr char kJetEngineName[] = "Standard Jet DB";
constexpr char kAceEngineName[] = "Standard ACE DB";
constexpr std::size_t kVersionAt = 0x14;
constexpr std::uint8_t kJet4Version = 1;
constexpr std::size_t kCodePageAt = 0x3C;
constexpr std::size_t kEncodingKeyAt = 0x3E;
constexpr std::size_t kPasswordAt = 0x42;
constexpr std::size_t kCreationDateAt = 0x72;
constexpr std::array<std::uint8_t, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

[[noreturn]] void Unrecognized(const std::string& path, const std::string& why) {
  throw Error(kOpenFailed, "Unrecognized database format '" + path + "' (" + why + ").");
}

// The format the engine name and version byte name; refuses any other.
const Format& FormatOf(std::span<const std::uint8_t> raw, const std::string& path) {
  auto named = [&](const char* name) { return std::memcmp(raw.data() + kEngineNameAt, name, 15) == 0; };
  const std::uint8_t version = raw[kVersionAt];
  if (named(kJetEngineName)) {
    if (version == 0) return kJet3Format;
    if (version == kJet4Version) return kJet4Format;
  } else if (named(kAceEngineName)) {
    if (version >= 2 && version <= 6) return kAceFormat;
  } else {
    Unrecognized(path, "not an Access database file");
  }
  Unrecognized(path, "an Access version this program does not know (version byte " + std::to_string(version) +
                         "); Access 97 to Access 2019 files are supported");
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
const std::array<std::uint8_t, kMaxMaskedLength>& HeaderKeystream() {
  static const std::array<std::uint8_t, kMaxMaskedLength> keystream = [] {
    std::array<std::uint8_t, kMaxMaskedLength> zeros{};
    Rc4Apply(kHeaderKey, zeros);
    return zeros;
  }();
  return keystream;
}

std::u16string Password(ByteSpan page, const Header& h) {
  const Format& f = *h.format;
  std::array<std::uint8_t, 4> mask{};
  if (f.passwordDateMask) mask = DateMask(h.creationDate);
  std::vector<std::uint8_t> pw(f.passwordBytes);
  for (std::size_t i = 0; i < pw.size(); ++i) pw[i] = U8(page, kPasswordAt + i) ^ mask[i % 4];
  if (f.textInCodePage) {
    std::size_t length = std::find(pw.begin(), pw.end(), 0) - pw.begin();
    std::string utf8;
    DecodeCodePage(FileCodePage(h), ByteSpan(pw.data(), length), utf8);
    return Utf8ToUtf16(utf8);
  }
  std::u16string password;
  for (std::size_t i = 0; i + 1 < pw.size(); i += 2) {
    char16_t c = static_cast<char16_t>(pw[i] | (pw[i + 1] << 8));
    if (c == 0) break;
    password.push_back(c);
  }
  return password;
}

}  // namespace

Header ParseHeader(std::span<const std::uint8_t> raw, const std::string& path) {
  if (raw.size() < kVersionAt + 1) Unrecognized(path, "the file is too short to be an Access database");
  if (raw[0] != 0 || raw[1] != 1 || raw[2] != 0 || raw[3] != 0) Unrecognized(path, "not an Access database file");
  Header h;
  h.format = &FormatOf(raw, path);
  h.version = raw[kVersionAt];
  const Format& f = *h.format;
  if (raw.size() < f.pageSize) Unrecognized(path, "the file is too short to be an Access database");

  // Only the bytes up to the end of the masked region are read from here on.
  std::array<std::uint8_t, kMaskedStart + kMaxMaskedLength> page;
  std::copy_n(raw.begin(), page.size(), page.begin());
  const auto& keystream = HeaderKeystream();
  for (std::size_t i = 0; i < f.headerMaskLength; ++i) page[kMaskedStart + i] ^= keystream[i];
  ByteSpan p(page.data(), kMaskedStart + f.headerMaskLength);

  h.codePage = U16(p, kCodePageAt);
  h.encodingKey = U32(p, kEncodingKeyAt);
  h.sortOrder = U16(p, f.sortOrderAt);
  if (f.sortOrderHasVersion) h.sortVersion = U8(p, f.sortOrderAt + 3);
  if (f.passwordDateMask) h.creationDate = F64(p, kCreationDateAt);
  // From Access 2007 on a key means pages encrypted with the database
  // password by Office's crypto providers, not Jet's page encoding.
  if (f.engine == Engine::kAce && h.encodingKey != 0)
    throw Error(kOpenFailed, "Cannot open '" + path +
                                 "': it is encrypted with a database password (Access 2007 or later encryption), "
                                 "which this program cannot read. Remove the password in Access first.");
  h.password = Password(p, h);
  return h;
}

std::uint16_t FileCodePage(const Header& header) {
  return header.codePage != 0 ? header.codePage : CodePageOfLcid(header.sortOrder);
}

std::array<std::uint8_t, kPageSize> NewHeaderPage(const Header& header) {
  // What every Jet 4 and ACE file of the fixtures holds besides the fields
  // Header names. In the masked region: row pointers at 0x18 and 0x1C to the
  // two maps on page 1, and at 0x20..0x2C the definition pages of the four
  // system tables; at 0x6A two bytes that differ between engine
  // installations (meaning unknown; these are the values of the ADOX-made
  // Jet 4 fixture and of every Access-made ACE one). Outside it: u32 1620
  // and "4.0" at 0x98 (ACE keeps Jet 4's), and from 0xE00 256 u16 words of
  // which Jet sets the first to 0x0101 and the others to 0x0100 in a new
  // file.
  constexpr std::size_t kFixedPointersAt = 0x18;
  constexpr std::uint32_t kFixedPointers[] = {0x100, 0x101, 2, 3, 4, 5};
  constexpr std::size_t kInstallationAt = 0x6A;
  constexpr std::uint16_t kJetInstallation = 0x261C;
  constexpr std::uint16_t kAceInstallation = 0x11A6;
  constexpr std::size_t kEngineVersionAt = 0x98;
  constexpr std::uint32_t kEngineBuild = 1620;
  constexpr char kEngineVersion[] = "4.0";
  constexpr std::size_t kWordTableAt = 0xE00;

  const Format& f = *header.format;
  const bool ace = f.engine == Engine::kAce;
  std::array<std::uint8_t, kPageSize> page{};
  page[1] = 0x01;
  std::memcpy(page.data() + kEngineNameAt, ace ? kAceEngineName : kJetEngineName, 15);
  page[kVersionAt] = header.version;
  for (std::size_t i = 0; i < std::size(kFixedPointers); ++i) PutU32(&page[kFixedPointersAt + 4 * i], kFixedPointers[i]);
  PutU16(&page[kCodePageAt], header.codePage);
  auto mask = DateMask(header.creationDate);  // an empty password is stored as the mask alone
  for (std::size_t i = 0; i < f.passwordBytes; ++i) page[kPasswordAt + i] = mask[i % 4];
  PutU16(&page[kInstallationAt], ace ? kAceInstallation : kJetInstallation);
  PutU16(&page[f.sortOrderAt], header.sortOrder);
  page[f.sortOrderAt + 3] = header.sortVersion;
  std::memcpy(&page[kCreationDateAt], &header.creationDate, sizeof header.creationDate);  // little-endian host
  const auto& keystream = HeaderKeystream();
  for (std::size_t i = 0; i < f.headerMaskLength; ++i) page[kMaskedStart + i] ^= keystream[i];
  PutU32(&page[kEngineVersionAt], kEngineBuild);
  std::memcpy(&page[kEngineVersionAt + 4], kEngineVersion, sizeof kEngineVersion);
  for (std::size_t at = kWordTableAt; at < kPageSize; at += 2) PutU16(&page[at], 0x0100);
  page[kWordTableAt] = 0x01;
  return page;
}

void CheckPassword(const Header& header, const std::string& given) {
  if (header.password.empty()) return;
  if (Utf8ToUtf16(given) != header.password) throw Error(kOpenFailed, "Not a valid password.");
}

}  // namespace jet
