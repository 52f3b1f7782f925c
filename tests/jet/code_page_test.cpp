// Access 97 text: code-page bytes to UTF-8, and the code page a sort order implies.
#include <gtest/gtest.h>

#include "jet/code_page.h"
#include "jet/error.h"

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<std::uint8_t> v;
  for (int b : list) v.push_back(static_cast<std::uint8_t>(b));
  return v;
}

TEST(CodePageText, DecodesEachKindOfPage) {
  struct Case {
    std::uint16_t codePage;
    std::vector<std::uint8_t> bytes;
    std::string utf8;
  } cases[] = {
      {1252, Bytes({'A', 'b', ' ', '1'}), "Ab 1"},
      {1252, Bytes({'c', 'a', 'f', 0xE9, 0x80}), "caf\u00E9\u20AC"},
      // Bytes 1252 leaves undefined read as the character of their number, as Windows reads them.
      {1252, Bytes({0x81, 'x', 0x9D}), "\u0081x\u009D"},
      {1251, Bytes({0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}), "\u041F\u0440\u0438\u0432\u0435\u0442"},
      {1250, Bytes({0x8A, 0xE8}), "\u0160\u010D"},
      {932, Bytes({'a', 0x93, 0xFA, 0x96, 0x7B, 'b'}), "a\u65E5\u672Cb"},
      // A double-byte character cut short at the end of the value.
      {932, Bytes({'a', 0x93}), "a\uFFFD"},
      {1252, {}, ""},
  };
  for (const Case& c : cases) {
    jet::CodePageText text(c.codePage);
    std::string out = "<";
    text.Decode(c.bytes, out);
    EXPECT_EQ(out, "<" + c.utf8) << "code page " << c.codePage;
  }
}

TEST(CodePageText, RefusesAPageThisSystemCannotConvert) {
  EXPECT_THROW(jet::CodePageText(1), jet::Error);
}

TEST(CodePageText, SortOrdersNameTheirLanguagesCodePage) {
  const std::pair<std::uint16_t, std::uint16_t> cases[] = {
      {1033, 1252}, {1031, 1252}, {1049, 1251}, {1029, 1250}, {1032, 1253}, {1055, 1254}, {1037, 1255},
      {1025, 1256}, {1061, 1257}, {1066, 1258}, {1054, 874},  {1041, 932},  {2052, 936},  {1042, 949},
      {1028, 950},  {3098, 1251}, {2074, 1250},
  };
  for (auto [lcid, codePage] : cases) EXPECT_EQ(jet::CodePageOfLcid(lcid), codePage) << "LCID " << lcid;
}

}  // namespace
