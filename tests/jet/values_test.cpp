// Values: their text forms, the two text encodings, and rows encoded and
// decoded again.
#include <gtest/gtest.h>

#include <climits>

#include "jet/row_codec.h"
#include "jet/text_codec.h"
#include "jet/value.h"
#include "support.h"

namespace {

TEST(TextForms, OfEveryKindOfValue) {
  jet::Guid guid;
  for (int i = 0; i < 16; ++i) guid.bytes[i] = static_cast<std::uint8_t>(i * 17);
  struct Case {
    jet::Value value;
    std::string text;
  } cases[] = {
      {jet::Null{}, ""},
      {jet::Text{""}, ""},
      {true, "True"},
      {false, "False"},
      {std::uint8_t{255}, "255"},
      {std::int16_t{-1234}, "-1234"},
      {std::int32_t{INT32_MIN}, "-2147483648"},
      {jet::Currency{35000}, "3.5"},
      {jet::Currency{-1}, "-0.0001"},
      {jet::Currency{0}, "0"},
      {jet::Currency{10000}, "1"},
      {jet::Currency{INT64_MIN}, "-922337203685477.5808"},
      {0.1, "0.1"},
      {444.555, "444.555"},
      {1.0 / 3, "0.3333333333333333"},
      {-0.0, "-0"},
      {100000.0, "100000"},
      {1e300, "1E+300"},
      {0.1f, "0.1"},
      {16777216.0f, "16777216"},
      {jet::DateTime{0}, "1899-12-30"},
      {jet::DateTime{0.5}, "12:00:00"},
      {jet::DateTime{-1.25}, "1899-12-29 06:00:00"},
      {jet::DateTime{-1.9999999999}, "1899-12-30"},
      {jet::DateTime{-1.999}, "1899-12-29 23:58:33.600"},
      {jet::DateTime{38932.91463491899}, "2006-08-03 21:57:04.457"},  // as Access stored it
      {jet::Binary{{0x00, 0xAB, 0x10}}, "0x00AB10"},
      {jet::Ole{{}}, "0x"},
      {guid, "{33221100-5544-7766-8899-AABBCCDDEEFF}"},
      {jet::Decimal{false, 2, 18, 12345}, "123.45"},
      {jet::Decimal{false, 4, 18, 1500}, "0.15"},
      {jet::Decimal{true, 3, 18, 5}, "-0.005"},
      {jet::Decimal{true, 0, 18, 0}, "0"},
      {jet::Decimal{false, 28, 28, 1}, "0.0000000000000000000000000001"},
  };
  for (const auto& c : cases) EXPECT_EQ(jet::ToText(c.value), c.text) << c.text;
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<std::uint8_t> v;
  for (int b : list) v.push_back(static_cast<std::uint8_t>(b));
  return v;
}

TEST(TextCodec, DecodesPlainCompressedAndMixed) {
  struct Case {
    std::vector<std::uint8_t> stored;
    std::string text;
  } cases[] = {
      {Bytes({}), ""},
      {Bytes({'a', 0, 'b', 0}), "ab"},
      {Bytes({0xFF, 0xFE, 'a', 'b', 'c'}), "abc"},
      {Bytes({0xFF, 0xFE, 0xE9, 't', 0xE9}), "\xC3\xA9t\xC3\xA9"},  // Latin-1 in one byte each
      // Mixed: one-byte "a", switch, the two-byte euro sign, switch back, "b".
      {Bytes({0xFF, 0xFE, 'a', 0x00, 0xAC, 0x20, 0x00, 'b'}), "a\xE2\x82\xAC" "b"},
      {Bytes({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},  // a surrogate pair
      {Bytes({0x3D, 0xD8, 'a', 0}), "\xEF\xBF\xBD" "a"},       // a lone surrogate
      // ASCII runs long enough to be taken several characters at a time, ended
      // inside a group by a character beyond ASCII.
      {Bytes({'a', 0, 'b', 0, 'c', 0, 'd', 0, 'e', 0, 'f', 0, 'g', 0, 'h', 0, 'i', 0, 0xE9, 0, 'j', 0}),
       "abcdefghi\xC3\xA9j"},
      {Bytes({'a', 0, 'b', 0, 'c', 0, 'd', 0, 'e', 0, 0x41, 0x01, 'f', 0, 'g', 0}), "abcde\xC5\x81" "fg"},
      {Bytes({0xFF, 0xFE, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0xE9, 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r',
              's', 't'}),
       "abcdefghij\xC3\xA9klmnopqrst"},
      // A lone high surrogate among two-byte characters, then one-byte ones.
      {Bytes({0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 'a', 'b'}), "\xEF\xBF\xBD" "ab"},
      // A surrogate pair among two-byte characters, then a lone high one at
      // the end: a character beyond U+FFFF is two units, the lone one one.
      {Bytes({0xFF, 0xFE, 'x', 0x00, 0x3D, 0xD8, 0x01, 0xDE, 0x3D, 0xD8}), "x\xF0\x9F\x98\x81\xEF\xBF\xBD"},
      {Bytes({0x3D, 0xD8}), "\xEF\xBF\xBD"},
      // An odd byte ends a two-byte run, or plain UCS-2: it is no character.
      {Bytes({0xFF, 0xFE, 'a', 0x00, 0xAC, 0x20, 0x41}), "a\xE2\x82\xAC"},
      {Bytes({'a', 0, 'b'}), "a"},
  };
  for (const auto& c : cases) {
    std::string out = ">";  // decoding appends
    jet::DecodeText(c.stored, out);
    EXPECT_EQ(out, ">" + c.text);
    // Counted on the stored bytes, the length is the decoded text's.
    EXPECT_EQ(jet::TextUnits(c.stored), jet::Utf16Length(c.text)) << c.text;
  }
}

TEST(TextCodec, Utf16LengthCountsCodeUnitsAsJetDoes) {
  const struct {
    const char* text;
    std::size_t units;
  } cases[] = {
      {"", 0}, {"abc", 3}, {"\xC3\xA9t\xC3\xA9", 3},              // été
      {"\xCE\xB1\xCE\xB2", 2},                                      // Greek
      {"\xE2\x82\xAC", 1},                                          // euro sign
      {"\xF0\x9F\x98\x80", 2},                                      // emoji: a surrogate pair
      {"a\xF0\x9F\x98\x80z", 4},
  };
  for (const auto& c : cases) EXPECT_EQ(jet::Utf16Length(c.text), c.units) << c.text;
}

TEST(TextCodec, CompressesOnlyWhatAccessCompresses) {
  struct Case {
    std::u16string text;
    bool compress;
    std::vector<std::uint8_t> stored;
  } cases[] = {
      {u"abc", true, Bytes({0xFF, 0xFE, 'a', 'b', 'c'})},
      {u"abc", false, Bytes({'a', 0, 'b', 0, 'c', 0})},
      {u"ab", true, Bytes({'a', 0, 'b', 0})},                     // two characters stay plain
      {u"a\u20acb", true, Bytes({'a', 0, 0xAC, 0x20, 'b', 0})},  // beyond Latin-1
  };
  for (const auto& c : cases) EXPECT_EQ(jet::EncodeText(c.text, c.compress), c.stored);
  EXPECT_EQ(jet::Utf8ToUtf16("a\xF0\x9F\x98\x80"), (std::u16string{u'a', 0xD83D, 0xDE00}));
}

// A table of every type, fixed and variable, as Access lays it out.
jet::TableDef EveryType() {
  jet::TableDef def;
  def.page = 99;
  std::uint16_t fixedOffset = 0, varIndex = 0, number = 0;
  auto add = [&](const char* name, jet::ColumnType type, bool fixed, std::uint16_t length = 0) {
    jet::Column c;
    c.name = name;
    c.type = static_cast<std::uint8_t>(type);
    c.number = number++;
    c.flags = fixed ? jet::kColumnFixed | 0x02 : 0x02;
    c.length = length;
    c.scale = 2;
    if (fixed) {
      c.fixedOffset = fixedOffset;
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + jet::FixedSize(c));
    } else {
      c.varIndex = varIndex++;
    }
    def.columns.push_back(c);
  };
  add("yes", jet::ColumnType::Boolean, true);
  add("byte", jet::ColumnType::Byte, true);
  add("int", jet::ColumnType::Integer, true);
  add("long", jet::ColumnType::Long, true);
  add("money", jet::ColumnType::Currency, true);
  add("single", jet::ColumnType::Single, true);
  add("double", jet::ColumnType::Double, true);
  add("date", jet::ColumnType::DateTime, true);
  add("guid", jet::ColumnType::Guid, true);
  add("decimal", jet::ColumnType::Decimal, true);
  add("char", jet::ColumnType::Text, true, 10);
  add("text", jet::ColumnType::Text, false, 510);
  def.columns.back().extraFlags = jet::kColumnCompressed;
  add("binary", jet::ColumnType::Binary, false, 255);
  add("memo", jet::ColumnType::Memo, false);
  add("ole", jet::ColumnType::Ole, false);
  add("no", jet::ColumnType::Boolean, true);
  def.maxColumns = number;
  def.variableColumns = varIndex;
  return def;
}

TEST(RowCodec, EncodedRowsDecodeToTheSameValues) {
  jet::TableDef def = EveryType();
  jet::Guid guid;
  guid.bytes[0] = 1;
  using V = std::vector<jet::Value>;
  std::vector<V> rows = {
      {true, std::uint8_t{7}, std::int16_t{-2}, std::int32_t{123456}, jet::Currency{-35000}, 1.5f, -2.25,
       jet::DateTime{-1.25}, guid, jet::Decimal{true, 2, 0, 987654321}, jet::Text{"ab"}, jet::Text{"h\xC3\xA9llo"},
       jet::Binary{{1, 0, 2}}, jet::Memo{"a memo"}, jet::Ole{{9, 8, 7}}, false},
      // Nulls everywhere they may be, and empty values that are not Null.
      {false, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{},
       jet::Null{}, jet::Null{}, jet::Text{""}, jet::Null{}, jet::Memo{""}, jet::Null{}, true},
      {true, std::uint8_t{0}, std::int16_t{0}, std::int32_t{0}, jet::Currency{0}, 0.0f, 0.0, jet::DateTime{0}, guid,
       jet::Decimal{false, 2, 0, 0}, jet::Text{""}, jet::Null{}, jet::Binary{{}}, jet::Null{}, jet::Ole{{}}, true},
  };
  // Any pager will do: the values are inline.
  jettest::TempDir dir;
  jet::Database db = jet::Database::Open(jettest::Fixture("testV2000.mdb").string(), "");
  jet::RowDecoder decoder(db.Pages(), def);
  for (const auto& values : rows) {
    auto bytes = jet::EncodeRow(def, values, nullptr);
    std::vector<jet::Value> back;
    decoder.Decode(bytes, back);
    V expected = values;
    // Fixed-length text comes back padded with blanks to its 5 characters.
    if (auto t = std::get_if<jet::Text>(&values[10])) expected[10] = jet::Text{t->text + std::string(5 - t->text.size(), ' ')};
    EXPECT_EQ(back, expected);
  }
}

TEST(RowCodec, RefusesValuesThatDoNotFit) {
  jet::TableDef def = EveryType();
  std::vector<jet::Value> values(def.columns.size(), jet::Null{});
  values[0] = false;
  values[15] = false;
  auto expectRefused = [&](std::size_t column, jet::Value v) {
    auto row = values;
    row[column] = std::move(v);
    EXPECT_THROW(jet::EncodeRow(def, row, nullptr), jet::Error) << column;
  };
  expectRefused(10, jet::Text{"123456"});                 // char(5)
  expectRefused(11, jet::Text{std::string(256, 'x')});     // text(255)
  expectRefused(3, std::int16_t{1});                       // wrong type for a Long
  expectRefused(13, jet::Memo{std::string(100, 'x')});    // too long to stay inline, and no store
}

}  // namespace
