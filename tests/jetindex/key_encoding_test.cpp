// Keys for single values, checked against bytes worked out by hand from Access's code
// table and from keys Access wrote into the fixtures.
#include <gtest/gtest.h>

#include "jet/error.h"
#include "jet/index/index_key.h"
#include "test_support.h"

namespace jetindex_test {
namespace {

using jet::index::EncodeIndexKey;
using jet::index::KeyColumn;
using jet::index::KeyNull;
using jet::index::KeyType;
using jet::index::KeyValue;

struct KeyCase {
  const char* what;
  KeyColumn column;
  KeyValue value;
  const char* expected;
};

constexpr KeyColumn kLongAsc{KeyType::kLong, true};
constexpr KeyColumn kLongDesc{KeyType::kLong, false};
constexpr KeyColumn kTextAsc{KeyType::kText, true};
constexpr KeyColumn kTextDesc{KeyType::kText, false};

const KeyCase kCases[] = {
    {"Long 2 (an Id)", kLongAsc, std::int64_t(2), "7F 80 00 00 02"},
    {"Long 0x0F000001 (Tables container)", kLongAsc, std::int64_t(0x0F000001), "7F 8F 00 00 01"},
    {"Long -1", kLongAsc, std::int64_t(-1), "7F 7F FF FF FF"},
    {"Long min", kLongAsc, std::int64_t(INT32_MIN), "7F 00 00 00 00"},
    {"Long descending", kLongDesc, std::int64_t(1), "80 7F FF FF FE"},
    {"Long null", kLongAsc, KeyNull{}, "00"},
    {"Long null descending", kLongDesc, KeyNull{}, "FF"},
    {"Integer", {KeyType::kInteger, true}, std::int64_t(-2), "7F 7F FE"},
    {"Byte is unsigned", {KeyType::kByte, true}, std::int64_t(200), "7F C8"},
    {"Byte descending", {KeyType::kByte, false}, std::int64_t(1), "80 FE"},
    {"Boolean true", {KeyType::kBoolean, true}, true, "7F 00"},
    {"Boolean false", {KeyType::kBoolean, true}, false, "7F FF"},
    {"Boolean null keys as false", {KeyType::kBoolean, true}, KeyNull{}, "7F FF"},
    {"Boolean true descending", {KeyType::kBoolean, false}, true, "80 FF"},
    {"Double 1.0", {KeyType::kDouble, true}, 1.0, "7F BF F0 00 00 00 00 00 00"},
    {"Double -1.0", {KeyType::kDouble, true}, -1.0, "7F 40 0F FF FF FF FF FF FF"},
    {"Double 1.0 descending", {KeyType::kDouble, false}, 1.0, "80 40 0F FF FF FF FF FF FF"},
    {"Double -1.0 descending", {KeyType::kDouble, false}, -1.0, "80 BF F0 00 00 00 00 00 00"},
    {"Date 2000-01-01", {KeyType::kDateTime, true}, 36526.0, "7F C0 E1 D5 C0 00 00 00 00"},
    {"Binary short", {KeyType::kBinary, true}, std::vector<std::uint8_t>{0xAB, 0xCD}, "7F AB CD 00 00 00 00 00 00 02"},
    {"Binary 9 bytes: intermediate segment marked 9", {KeyType::kBinary, true},
     std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}, "7F 01 02 03 04 05 06 07 08 09 09 00 00 00 00 00 00 00 01"},
    {"Binary descending keeps the intermediate 9", {KeyType::kBinary, false},
     std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}, "80 FE FD FC FB FA F9 F8 F7 09 F6 FF FF FF FF FF FF FF FE"},
    {"Binary empty", {KeyType::kBinary, true}, std::vector<std::uint8_t>{}, "7F"},
    {"GUID fields turn big-endian", {KeyType::kGuid, true},
     std::vector<std::uint8_t>{0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 8, 9, 10, 11, 12, 13, 14, 15},
     "7F 00 11 22 33 44 55 66 77 09 08 09 0A 0B 0C 0D 0E 0F 08"},

    {"letters fold case", kTextAsc, u"aBc", "7F 4A 4C 4D 01 00"},
    {"upper and lower z", kTextAsc, u"Zz", "7F 78 78 01 00"},
    {"digits", kTextAsc, u"0189", "7F 36 38 46 48 01 00"},
    {"inner space kept, trailing dropped", kTextAsc, u"A1 z  ", "7F 4A 38 07 78 01 00"},
    {"only blanks", kTextAsc, u"   ", "7F 01 00"},
    {"empty text", kTextAsc, u"", "7F 01 00"},
    {"underscore", kTextAsc, u"a_b", "7F 4A 2B 03 4C 01 00"},
    {"full stop and tilde", kTextAsc, u".~", "7F 1C 2B 0F 01 00"},
    {"apostrophe is unprintable", kTextAsc, u"it's", "7F 59 6D 6B 01 01 01 01 80 0F 06 80 00"},
    {"hyphen is unprintable", kTextAsc, u"a-b", "7F 4A 4C 01 01 01 01 80 0B 06 82 00"},
    {"leading hyphen", kTextAsc, u"-a", "7F 4A 01 01 01 01 80 07 06 82 00"},
    {"e acute: base letter plus accent", kTextAsc, u"\u00E9", "7F 51 01 0E 00"},
    {"E acute folds like e acute", kTextAsc, u"\u00C9", "7F 51 01 0E 00"},
    {"accent after a plain letter", kTextAsc, u"e\u00E9", "7F 51 51 01 02 0E 00"},
    {"plain letter after an accent: trailing placeholders dropped", kTextAsc, u"\u00E9e", "7F 51 51 01 0E 00"},
    {"combining acute modifies the accent", kTextAsc, u"e\u0301", "7F 51 01 0E 00"},
    {"accent then unprintable", kTextAsc, u"\u00E9-", "7F 51 01 0E 01 01 01 80 0B 06 82 00"},
    {"sharp s is two s", kTextAsc, u"\u00DF", "7F 6B 6B 01 00"},
    {"ae ligature", kTextAsc, u"\u00E6", "7F 4A 51 01 00"},
    {"a ring", kTextAsc, u"\u00C5", "7F 4A 01 1A 00"},
    {"Greek alpha folds case", kTextAsc, u"\u03B1\u0391", "7F 79 0C 79 0C 01 00"},
    {"Greek alpha with tonos", kTextAsc, u"\u03AC", "7F 79 0C 01 05 00"},
    {"Cyrillic A", kTextAsc, u"\u0410", "7F 79 2F 01 00"},
    {"CJK", kTextAsc, u"\u4E00", "7F 9F 02 01 00"},
    {"fullwidth A folds to A", kTextAsc, u"\uFF21", "7F 4A 01 00"},
    {"en dash is unprintable", kTextAsc, u"\u2013", "7F 01 01 01 01 80 07 06 89 00"},
    {"hiragana a: trailing case flag 3 dropped", kTextAsc, u"\u3042", "7F 7F 02 01 01 01 FF 02 80 FF 80 00"},
    {"small hiragana a: case flag 2", kTextAsc, u"\u3041", "7F 7F 02 01 01 01 A0 FF 02 80 FF 80 00"},
    {"case flags then unprintable", kTextAsc, u"\u3041-", "7F 7F 02 01 01 01 A0 FF 02 80 FF 80 FF 01 80 0B 06 82 00"},
    {"descending text inverts and ends FF 00", kTextDesc, u"abc", "80 B5 B3 B2 FE FF 00"},
    {"descending null text", kTextDesc, KeyNull{}, "FF"},

    {"Decimal 1", {KeyType::kDecimal, true}, jet::index::KeyDecimal{false, 1},
     "7F FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01"},
    {"Decimal -1", {KeyType::kDecimal, true}, jet::index::KeyDecimal{true, 1},
     "7F 00 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FE"},
    {"Decimal 1 descending", {KeyType::kDecimal, false}, jet::index::KeyDecimal{false, 1},
     "80 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FE"},
    {"Decimal -1 descending keeps Jet 4's order", {KeyType::kDecimal, false}, jet::index::KeyDecimal{true, 1},
     "80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01"},
    {"Decimal negative zero is zero", {KeyType::kDecimal, true}, jet::index::KeyDecimal{true, 0},
     "7F FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
    {"Decimal of 17 digits", {KeyType::kDecimal, true},
     jet::index::KeyDecimal{false, (static_cast<unsigned __int128>(0x0102030405060708ULL) << 64) | 0x090A0B0C0D0E0F10ULL},
     "7F FF 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"},
};

TEST(KeyEncoding, SingleValues) {
  for (const KeyCase& c : kCases) {
    EXPECT_EQ(ToHex(EncodeIndexKey({c.column}, {c.value})), c.expected) << c.what;
  }
}

TEST(KeyEncoding, TextKeysAtMost255Characters) {
  const std::u16string longText(300, u'a');
  const auto key = EncodeIndexKey({kTextAsc}, {longText});
  ASSERT_EQ(key.size(), 1 + 255 + 2u);
  EXPECT_EQ(key, EncodeIndexKey({kTextAsc}, {std::u16string(255, u'A')}));
  // Trailing blanks past 255 characters do not shorten the kept part.
  EXPECT_EQ(EncodeIndexKey({kTextAsc}, {std::u16string(255, u'a') + u"   b"}), key);
}

TEST(KeyEncoding, MultiColumnKeyIsConcatenation) {
  const auto key = EncodeIndexKey({kLongAsc, kTextAsc}, {std::int64_t(0x0F000001), std::u16string(u"Table1")});
  EXPECT_EQ(ToHex(key), "7F 8F 00 00 01 7F 6D 4A 4C 5E 51 38 01 00");
}

TEST(KeyEncoding, RefusesCharactersOutsideTheTableNamingThem) {
  const struct {
    std::u16string text;
    const char* named;
  } cases[] = {{u"Smile \U0001F600", "U+1F600"}, {u"lone \xD800 surrogate", "U+D800"}, {u"\xDC00", "U+DC00"}};
  for (const auto& c : cases) {
    for (jet::index::TextOrder order : {jet::index::TextOrder::kGeneralLegacy, jet::index::TextOrder::kGeneral}) {
      try {
        EncodeIndexKey({{KeyType::kText, true, order}}, {c.text});
        ADD_FAILURE() << "accepted a text with a surrogate";
      } catch (const jet::Error& e) {
        EXPECT_EQ(e.Number(), jet::kStatementFailed);
        EXPECT_NE(e.Description().find(std::string("the character ") + c.named + ","), std::string::npos)
            << e.Description();
      }
    }
  }
}

TEST(KeyEncoding, RefusesValueOfWrongKind) {
  EXPECT_THROW(EncodeIndexKey({kLongAsc}, {std::u16string(u"x")}), jet::Error);
  EXPECT_THROW(EncodeIndexKey({kLongAsc, kTextAsc}, {std::int64_t(1)}), jet::Error);
}

}  // namespace
}  // namespace jetindex_test
