#include "jet/names.h"

#include "jet/text_codec.h"

namespace jet {
namespace {

char16_t Upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 0x20;
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;
  if (c == 0xFF) return 0x178;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

}  // namespace

std::u16string FoldName(const std::string& utf8) {
  std::u16string s = Utf8ToUtf16(utf8);
  for (char16_t& c : s) c = Upper(c);
  return s;
}

}  // namespace jet
