// The key decoder and its model of a row's key, checked against the writer: they are
// separate code, so agreement over many mixed texts means both read Jet's layout alike,
// and damaged keys must be told apart from the rows they claim to index.
#include <gtest/gtest.h>

#include <random>

#include "jet/index/index_key.h"
#include "jet/index/index_key_decoder.h"
#include "test_support.h"

namespace jetindex_test {
namespace {

using jet::index::CompareKeyWithRow;
using jet::index::DecodeIndexKey;
using jet::index::EncodeIndexKey;
using jet::index::KeyBytes;
using jet::index::KeyColumn;
using jet::index::KeyNull;
using jet::index::KeyType;
using jet::index::KeyValue;

struct ValueCase {
  KeyColumn column;
  KeyValue value;
};

TEST(KeyDecoder, NumbersAndBytesDecodeToTheirValues) {
  const ValueCase cases[] = {
      {{KeyType::kLong, true}, std::int64_t(2)},
      {{KeyType::kLong, false}, std::int64_t(-123456)},
      {{KeyType::kLong, true}, std::int64_t(INT32_MIN)},
      {{KeyType::kInteger, false}, std::int64_t(-2)},
      {{KeyType::kByte, true}, std::int64_t(255)},
      {{KeyType::kCurrency, true}, std::int64_t(-50000)},
      {{KeyType::kDouble, true}, -0.5},
      {{KeyType::kDouble, false}, 1e300},
      {{KeyType::kDateTime, false}, -36526.25},
      {{KeyType::kSingle, true}, 3.5},
      {{KeyType::kBoolean, false}, true},
      {{KeyType::kBoolean, true}, false},
      {{KeyType::kBinary, false}, std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {{KeyType::kBinary, true}, std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0}},
      {{KeyType::kGuid, true}, std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
      {{KeyType::kLong, false}, KeyNull{}},
      {{KeyType::kDecimal, true}, jet::index::KeyDecimal{true, 12345}},
      {{KeyType::kDecimal, false}, jet::index::KeyDecimal{false, static_cast<unsigned __int128>(1) << 100}},
      {{KeyType::kDecimal, false}, jet::index::KeyDecimal{true, 7}},
  };
  for (const ValueCase& c : cases) {
    const KeyBytes key = EncodeIndexKey({c.column}, {c.value});
    const auto decoded = DecodeIndexKey({c.column}, key);
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(ToHex(EncodeIndexKey({c.column}, {std::visit([](const auto& v) -> KeyValue {
                                                  if constexpr (std::is_same_v<std::decay_t<decltype(v)>,
                                                                               jet::index::DecodedText>) {
                                                    return KeyNull{};
                                                  } else {
                                                    return v;
                                                  }
                                                }, decoded[0])})),
              ToHex(key))
        << "type " << int(c.column.type);
    EXPECT_EQ(CompareKeyWithRow({c.column}, key, {c.value}), std::nullopt) << ToHex(key);
  }
}

// Characters of every class in the code table: simple, two-byte inline, expanding,
// accented (one- and two-byte accents), unprintable, modifiers, case-flagged, ignored.
const char16_t kPool[] = {u'a',    u'Z',    u'0',    u' ',    u'_',    u'\'',   u'-',    u'.',
                          u'\u00E9', u'\u00C5', u'\u00DF', u'\u00E6', u'\u03B1', u'\u03AC', u'\u01C4', u'\u0301',
                          u'\u0308', u'\u3099', u'\u3041', u'\u3042', u'\u304C', u'\u2013', u'\u0000', u'\u01F6',
                          u'\u4E00', u'\uFF21', u'\u0410'};

std::u16string RandomText(std::mt19937& rng) {
  std::uniform_int_distribution<int> length(0, 12);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kPool) - 1);
  std::u16string text;
  for (int n = length(rng); n > 0; --n) text += kPool[pick(rng)];
  return text;
}

TEST(KeyDecoder, WriterAndModelAgreeOnMixedTexts) {
  for (jet::index::TextOrder order : {jet::index::TextOrder::kGeneralLegacy, jet::index::TextOrder::kGeneral}) {
    std::mt19937 rng(20240517);
    const std::vector<KeyColumn> columns = {
        {KeyType::kLong, true}, {KeyType::kText, true, order}, {KeyType::kText, false, order}};
    for (int i = 0; i < 10000; ++i) {
      const std::vector<KeyValue> values = {std::int64_t(i), RandomText(rng), RandomText(rng)};
      const KeyBytes key = EncodeIndexKey(columns, values);
      const auto difference = CompareKeyWithRow(columns, key, values);
      ASSERT_EQ(difference, std::nullopt) << ToHex(key);
    }
  }
}

TEST(KeyDecoder, TellsDamagedKeysFromTheirRows) {
  const std::vector<KeyColumn> columns = {{KeyType::kLong, true}, {KeyType::kText, true}};
  const std::vector<KeyValue> row = {std::int64_t(0x0F000001), std::u16string(u"Caf\u00E9 it's \u3041")};
  const KeyBytes good = EncodeIndexKey(columns, row);
  ASSERT_EQ(CompareKeyWithRow(columns, good, row), std::nullopt);

  struct Damage {
    const char* what;
    KeyBytes key;
  };
  const std::vector<Damage> damages = {
      {"key of another name", EncodeIndexKey(columns, {std::int64_t(0x0F000001), std::u16string(u"Cafe it's \u3041")})},
      {"key of another parent", EncodeIndexKey(columns, {std::int64_t(0x0F000002), row[1]})},
      {"unprintable at the wrong place", EncodeIndexKey(columns, {std::int64_t(0x0F000001), std::u16string(u"Caf\u00E9 its' \u3041")})},
      {"case flag lost", EncodeIndexKey(columns, {std::int64_t(0x0F000001), std::u16string(u"Caf\u00E9 it's \u3042")})},
      {"last byte dropped", KeyBytes(good.begin(), good.end() - 1)},
      {"byte added", [&] { KeyBytes k = good; k.push_back(0); return k; }()},
      {"descending flag", [&] { KeyBytes k = good; k[5] = 0x80; return k; }()},
  };
  for (const Damage& d : damages) EXPECT_NE(CompareKeyWithRow(columns, d.key, row), std::nullopt) << d.what;
}

}  // namespace
}  // namespace jetindex_test
