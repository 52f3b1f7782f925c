#include "jet/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "jet/error.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

// Windows' ANSI code page of each primary language Jet 3 offers a sort order
// for; languages with two scripts choose by sublanguage.
std::uint16_t CodePageOfLanguage(std::uint16_t lcid) {
  switch (lcid) {
    case 0x0404: case 0x0C04: case 0x1404: return 950;  // Chinese: Taiwan, Hong Kong, Macao
    case 0x0804: case 0x1004: return 936;               // Chinese: PRC, Singapore
    case 0x0C1A: case 0x082C: case 0x0843: return 1251;  // Serbian, Azeri, Uzbek in Cyrillic
    default: break;
  }
  switch (lcid & 0x3FF) {
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1A: case 0x1B: case 0x1C: case 0x24: return 1250;
    case 0x02: case 0x19: case 0x22: case 0x23: case 0x2F: case 0x3F: case 0x44: return 1251;
    case 0x08: return 1253;
    case 0x1F: case 0x2C: case 0x43: return 1254;
    case 0x0D: return 1255;
    case 0x01: case 0x20: case 0x29: return 1256;
    case 0x25: case 0x26: case 0x27: return 1257;
    case 0x2A: return 1258;
    case 0x1E: return 874;
    case 0x11: return 932;
    case 0x12: return 949;
    default: return 1252;
  }
}

bool IsDoubleByte(std::uint16_t codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

}  // namespace

std::uint16_t CodePageOfLcid(std::uint16_t lcid) { return CodePageOfLanguage(lcid); }

void DecodeCodePage(std::uint16_t codePage, ByteSpan bytes, std::string& out) {
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; }))
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  else
    CodePageText(codePage).Decode(bytes, out);
}

struct CodePageText::Converter {
  iconv_t handle;
};

CodePageText::CodePageText(std::uint16_t codePage) : codePage_(codePage) {
  std::string name = "CP" + std::to_string(codePage);
  iconv_t handle = iconv_open("UTF-8", name.c_str());
  if (handle == reinterpret_cast<iconv_t>(-1))
    throw Error(kOpenFailed, "The file's text is in code page " + std::to_string(codePage) +
                                 ", which this system cannot convert.");
  converter_ = std::make_unique<Converter>(Converter{handle});
}

CodePageText::~CodePageText() {
  if (converter_) iconv_close(converter_->handle);
}

CodePageText::CodePageText(CodePageText&&) noexcept = default;

CodePageText& CodePageText::operator=(CodePageText&& other) noexcept {
  if (this != &other) {
    if (converter_) iconv_close(converter_->handle);
    codePage_ = other.codePage_;
    converter_ = std::move(other.converter_);
  }
  return *this;
}

void CodePageText::Decode(ByteSpan bytes, std::string& out) {
  // Most stored text is ASCII, the same in every Windows code page.
  std::size_t ascii = 0;
  while (ascii < bytes.size() && bytes[ascii] < 0x80) ++ascii;
  out.append(reinterpret_cast<const char*>(bytes.data()), ascii);
  if (ascii == bytes.size()) return;

  iconv(converter_->handle, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data() + ascii));
  std::size_t inLeft = bytes.size() - ascii;
  while (inLeft > 0) {
    std::size_t start = out.size();
    out.resize(start + 4 * inLeft + 4);
    char* to = out.data() + start;
    std::size_t toLeft = out.size() - start;
    std::size_t done = iconv(converter_->handle, &in, &inLeft, &to, &toLeft);
    out.resize(out.size() - toLeft);
    if (done != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // A byte the code page leaves undefined (or a cut-short double-byte
    // character): Windows reads a single byte as the character of its number.
    auto byte = static_cast<unsigned char>(*in);
    AppendCodePoint(IsDoubleByte(codePage_) ? U'\uFFFD' : char32_t{byte}, out);
    ++in;
    --inLeft;
  }
}

}  // namespace jet
