// Takes stored keys apart (see index_key.h for the column forms and sort_order_general.cpp
// for the text layout) and models the parts a row's values must produce.
#include "index_key_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "collation.h"
#include "index_error.h"

namespace jet::index {
namespace {

[[noreturn]] void Malformed(const std::string& what) {
  ThrowIndexError(kIndexDamaged, "An index key is malformed: " + what + ".");
}

// Reads key bytes, undoing the inversion of descending columns when asked to.
class KeyReader {
 public:
  explicit KeyReader(const KeyBytes& key) : key_(key) {}
  bool AtEnd() const { return pos_ == key_.size(); }
  void SetInverted(bool inverted) { inverted_ = inverted; }
  std::uint8_t Peek() const {
    if (AtEnd()) Malformed("it ends too early");
    return inverted_ ? std::uint8_t(~key_[pos_]) : key_[pos_];
  }
  std::uint8_t PeekAt(std::size_t ahead) const {
    if (pos_ + ahead >= key_.size()) Malformed("it ends too early");
    return inverted_ ? std::uint8_t(~key_[pos_ + ahead]) : key_[pos_ + ahead];
  }
  std::uint8_t Next() {
    const std::uint8_t b = Peek();
    ++pos_;
    return b;
  }
  void Expect(std::uint8_t b, const char* what) {
    if (Next() != b) Malformed(what);
  }
  std::uint64_t BigEndian(int width) {
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) v = v << 8 | Next();
    return v;
  }

 private:
  const KeyBytes& key_;
  std::size_t pos_ = 0;
  bool inverted_ = false;
};

int Width(KeyType type) {
  switch (type) {
    case KeyType::kByte: return 1;
    case KeyType::kInteger: return 2;
    case KeyType::kLong:
    case KeyType::kSingle: return 4;
    default: return 8;
  }
}

std::int64_t ReadInteger(KeyReader& in, KeyType type) {
  const int width = Width(type);
  std::uint64_t v = in.BigEndian(width);
  if (type == KeyType::kByte) return std::int64_t(v);
  const std::uint64_t sign = std::uint64_t(1) << (8 * width - 1);
  v ^= sign;
  if ((v & sign) && width < 8) v |= ~((sign << 1) - 1);  // sign-extend
  return std::int64_t(v);
}

double ReadFloating(KeyReader& in, KeyType type) {
  const int width = Width(type);
  std::uint64_t v = in.BigEndian(width);
  const std::uint64_t sign = std::uint64_t(1) << (8 * width - 1);
  const std::uint64_t all = width == 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << 32) - 1;
  v = (v & sign) ? v & ~sign : ~v & all;  // set top bit: non-negative; clear: negative, inverted
  if (width == 4) return double(std::bit_cast<float>(std::uint32_t(v)));
  return std::bit_cast<double>(v);
}

std::vector<std::uint8_t> ReadSegments(KeyReader& in, bool ascending) {
  std::vector<std::uint8_t> data;
  if (in.AtEnd()) return data;  // an empty value leaves no segment
  for (;;) {
    in.SetInverted(!ascending);
    std::uint8_t segment[8];
    for (std::uint8_t& b : segment) b = in.Next();
    in.SetInverted(false);
    std::uint8_t length = in.Next();
    if (length == 9) {
      data.insert(data.end(), segment, segment + 8);
      continue;
    }
    if (!ascending) length = std::uint8_t(~length);
    if (length < 1 || length > 8) Malformed("a binary segment has a bad length");
    if (std::any_of(segment + length, segment + 8, [](std::uint8_t b) { return b != 0; })) {
      Malformed("a binary segment is not padded with zeros");
    }
    data.insert(data.end(), segment, segment + length);
    return data;
  }
}

std::vector<std::uint8_t> GuidRowOrder(std::vector<std::uint8_t> bytes) {
  if (bytes.size() != 16) Malformed("a GUID key does not hold 16 bytes");
  std::reverse(bytes.begin(), bytes.begin() + 4);
  std::reverse(bytes.begin() + 4, bytes.begin() + 6);
  std::reverse(bytes.begin() + 6, bytes.begin() + 8);
  return bytes;
}

// Undoes the Decimal form of index_key.cpp: the sign byte says which way the rest was
// written.
KeyDecimal ReadDecimal(KeyReader& in, bool ascending) {
  const std::uint8_t sign = in.Next();
  if (sign != 0x00 && sign != 0xFF) Malformed("a Decimal's sign byte is neither 00 nor FF");
  const bool negative = sign == 0x00;
  in.SetInverted(negative == ascending);
  KeyDecimal value{negative, 0};
  for (int i = 0; i < 16; ++i) value.magnitude = value.magnitude << 8 | in.Next();
  in.SetInverted(false);
  if (negative && value.magnitude == 0) Malformed("a Decimal is a negative zero");
  return value;
}

void ReadUnprintables(KeyReader& in, DecodedText& text) {
  while (in.Peek() != 0x00) {
    const std::uint8_t high = in.Next();
    const std::uint8_t low = in.Next();
    if (!(high & 0x80)) Malformed("an unprintable entry lacks its flag");
    const int word = ((high & 0x7F) << 8 | low) - 7;
    if (word < 0 || word % 4 != 0) Malformed("an unprintable entry has a bad position");
    in.Expect(0x06, "an unprintable entry lacks its 06");
    text.unprintables.emplace_back(word / 4, in.Next());
  }
}

DecodedText ReadText(KeyReader& in, bool ascending) {
  DecodedText text;
  in.SetInverted(!ascending);
  for (std::uint8_t b; (b = in.Next()) != 0x01;) {
    if (b == 0x00) Malformed("text ends inside its inline codes");
    text.inlineCodes.push_back(b);
  }
  // A modifier before any inline character may leave a leading 01; the section mark is 01 01.
  if (in.Peek() == 0x01 && in.PeekAt(1) > 0x01) text.accents.push_back(in.Next());
  while (in.Peek() > 0x01) text.accents.push_back(in.Next());
  if (in.Next() == 0x01) {
    in.Expect(0x01, "text lacks its second section mark");
    if (in.Peek() >= 0x80) {
      text.hasCaseSection = true;
      while (in.Peek() >= 0x80 && in.Peek() < 0xC0) {
        const std::uint8_t packed = in.Next();
        for (int shift = 4; shift >= 0; shift -= 2) {
          if (const std::uint8_t flag = (packed >> shift) & 0x03) text.caseFlags.push_back(flag);
        }
      }
      for (std::uint8_t b : {0xFF, 0x02, 0x80, 0xFF, 0x80}) in.Expect(std::uint8_t(b), "case flags lack their suffix");
      if (in.Peek() == 0xFF) {
        in.Next();
        in.Expect(0x01, "unprintable entries lack their mark");
        ReadUnprintables(in, text);
      }
    } else {
      in.Expect(0x01, "unprintable entries lack their mark");
      ReadUnprintables(in, text);
    }
    in.Expect(0x00, "text lacks its end");
  }
  in.SetInverted(false);
  if (!ascending) in.Expect(0x00, "descending text lacks its end");
  return text;
}

DecodedValue ReadColumn(KeyReader& in, const KeyColumn& column) {
  const std::uint8_t flag = in.Next();
  const std::uint8_t valueFlag = column.ascending ? kAscendingValueFlag : kDescendingValueFlag;
  const std::uint8_t nullFlag = column.ascending ? kAscendingNullFlag : kDescendingNullFlag;
  if (flag == nullFlag && column.type != KeyType::kBoolean) return KeyNull{};
  if (flag != valueFlag) Malformed("a column flag byte is wrong");
  switch (column.type) {
    case KeyType::kBoolean: {
      const std::uint8_t b = in.Next();
      if (b != 0x00 && b != 0xFF) Malformed("a Boolean is neither 00 nor FF");
      return (b == 0x00) == column.ascending;
    }
    case KeyType::kByte:
    case KeyType::kInteger:
    case KeyType::kLong:
    case KeyType::kCurrency:
      in.SetInverted(!column.ascending);
      return ReadInteger(in, column.type);
    case KeyType::kSingle:
    case KeyType::kDouble:
    case KeyType::kDateTime:
      in.SetInverted(!column.ascending);
      return ReadFloating(in, column.type);
    case KeyType::kBinary:
      return ReadSegments(in, column.ascending);
    case KeyType::kGuid:
      return GuidRowOrder(ReadSegments(in, column.ascending));
    case KeyType::kText:
    case KeyType::kMemo:
      return ReadText(in, column.ascending);
    case KeyType::kDecimal:
      return ReadDecimal(in, column.ascending);
  }
  Malformed("a column type cannot be keyed");
}

// The text model: what each character contributes, position by position.
DecodedText ModelText(std::u16string_view text, TextOrder order) {
  std::size_t length = std::min<std::size_t>(text.size(), 255);
  while (length > 0 && text[length - 1] == u' ') --length;
  text = text.substr(0, length);

  DecodedText model;
  std::vector<KeyBytes> accentAt;  // per inline character; empty = placeholder 02
  std::vector<std::uint8_t> leading;
  std::vector<std::uint8_t> flags;
  auto accentBytesBefore = [&](std::size_t position) {
    int bytes = 0;
    for (std::size_t i = 0; i < position; ++i) bytes += accentAt[i].empty() ? 1 : int(accentAt[i].size());
    return bytes;
  };
  for (char16_t c : text) {
    const CodeRun* run = FindRun(order, c);
    if (run == nullptr) ThrowIndexError(kIndexValueRefused, "A text holds a character the sort order lacks.");
    const std::size_t position = accentAt.size();
    KeyBytes aux;
    for (int i = run->auxLength - 1; i >= 0; --i) aux.push_back(std::uint8_t(run->aux >> (8 * i)));
    if (run->inlineLength > 0) {
      const std::uint32_t code = run->inlineBase + (c - run->first);
      for (int i = run->inlineLength - 1; i >= 0; --i) model.inlineCodes.push_back(std::uint8_t(code >> (8 * i)));
      accentAt.emplace_back();
    }
    if (run->charClass == kI || (run->charClass == kZ && !aux.empty())) accentAt[position] = aux;
    if (run->charClass == kZ) flags.push_back(run->caseFlagTwo ? 2 : 3);
    if (run->charClass == kU) model.unprintables.emplace_back(accentBytesBefore(position), aux[0]);
    if (run->charClass == kP) {
      if (position == 0) {
        if (leading.empty()) leading.push_back(0);
        leading[0] = std::uint8_t(leading[0] + aux[0]);
      } else {
        KeyBytes& target = accentAt[position - 1];
        if (target.empty()) target.push_back(0x02);
        target.back() = std::uint8_t(target.back() + aux[0]);
      }
    }
  }
  model.accents = leading;
  for (const KeyBytes& a : accentAt) {
    if (a.empty()) {
      model.accents.push_back(0x02);
    } else {
      model.accents.insert(model.accents.end(), a.begin(), a.end());
    }
  }
  while (!model.accents.empty() && model.accents.back() <= 0x02) model.accents.pop_back();
  model.hasCaseSection = !flags.empty();
  while (!flags.empty() && flags.back() == 3) flags.pop_back();
  model.caseFlags = flags;
  return model;
}

DecodedValue ModelColumn(const KeyColumn& column, const KeyValue& value) {
  if (column.type == KeyType::kBoolean) return std::holds_alternative<bool>(value) && std::get<bool>(value);
  if (std::holds_alternative<KeyNull>(value)) return KeyNull{};
  switch (column.type) {
    case KeyType::kSingle:
      if (const double* d = std::get_if<double>(&value)) return double(float(*d));
      break;
    case KeyType::kText:
    case KeyType::kMemo:
      if (const std::u16string* s = std::get_if<std::u16string>(&value)) return ModelText(*s, column.order);
      break;
    case KeyType::kDecimal:
      if (const KeyDecimal* d = std::get_if<KeyDecimal>(&value)) return KeyDecimal{d->negative && d->magnitude != 0, d->magnitude};
      break;
    default:
      break;
  }
  return std::visit(
      [](const auto& v) -> DecodedValue {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::u16string>) {
          Malformed("a text value stands in a non-text column");
        } else {
          return v;
        }
      },
      value);
}

std::string Describe(const DecodedValue& value) {
  if (std::holds_alternative<KeyNull>(value)) return "Null";
  if (const bool* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
  if (const std::int64_t* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const double* d = std::get_if<double>(&value)) return std::to_string(*d);
  if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&value)) {
    return std::to_string(bytes->size()) + " bytes";
  }
  if (const KeyDecimal* d = std::get_if<KeyDecimal>(&value)) {
    return std::string(d->negative ? "a negative" : "a") + " Decimal of magnitude " +
           std::to_string(std::uint64_t(d->magnitude >> 64)) + ":" + std::to_string(std::uint64_t(d->magnitude));
  }
  const DecodedText& t = std::get<DecodedText>(value);
  return "text of " + std::to_string(t.inlineCodes.size()) + " code bytes, " + std::to_string(t.accents.size()) +
         " accent bytes, " + std::to_string(t.caseFlags.size()) + " case flags, " +
         std::to_string(t.unprintables.size()) + " unprintables";
}

}  // namespace

std::vector<DecodedValue> DecodeIndexKey(const std::vector<KeyColumn>& columns, const KeyBytes& key) {
  KeyReader in(key);
  std::vector<DecodedValue> values;
  for (const KeyColumn& column : columns) {
    values.push_back(ReadColumn(in, column));
    in.SetInverted(false);
  }
  if (!in.AtEnd()) Malformed("bytes follow the last column");
  return values;
}

std::vector<DecodedValue> ExpectedDecodedKey(const std::vector<KeyColumn>& columns,
                                             const std::vector<KeyValue>& values) {
  if (columns.size() != values.size()) Malformed("the row has the wrong number of values");
  std::vector<DecodedValue> expected;
  for (std::size_t i = 0; i < columns.size(); ++i) expected.push_back(ModelColumn(columns[i], values[i]));
  return expected;
}

std::optional<std::string> CompareKeyWithRow(const std::vector<KeyColumn>& columns, const KeyBytes& key,
                                             const std::vector<KeyValue>& values) {
  std::vector<DecodedValue> stored;
  try {
    stored = DecodeIndexKey(columns, key);
  } catch (const jet::Error& e) {
    return e.Description();
  }
  const std::vector<DecodedValue> expected = ExpectedDecodedKey(columns, values);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!(stored[i] == expected[i])) {
      return "index column " + std::to_string(i + 1) + " holds " + Describe(stored[i]) + " where the row gives " +
             Describe(expected[i]);
    }
  }
  return std::nullopt;
}

}  // namespace jet::index
