#include "jet/row_codec.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"
#include "jet/long_value.h"
#include "jet/text_codec.h"

namespace jet {
namespace {

constexpr std::size_t kDecimalSize = 17;
constexpr std::size_t kMaxInlineLongValue = 64;

template <typename T>
T& Reuse(Value& v) {
  if (!std::holds_alternative<T>(v)) v.emplace<T>();
  return std::get<T>(v);
}

Decimal ReadDecimal(ByteSpan d, const Column& c) {
  Decimal x;
  x.negative = d[0] & 0x80;
  x.scale = c.scale;
  x.precision = c.precision;
  // Four 32-bit words, each little-endian, the most significant first.
  for (int w = 0; w < 4; ++w) x.magnitude = (x.magnitude << 32) | U32(d, 1 + 4 * w);
  return x;
}

bool MaskBit(ByteSpan mask, std::size_t bit) { return bit / 8 < mask.size() && ((mask[bit / 8] >> (bit % 8)) & 1); }

}  // namespace

std::size_t FixedSize(const Column& c) {
  switch (c.Type()) {
    case ColumnType::Boolean: return 0;
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long:
    case ColumnType::Single: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Decimal: return kDecimalSize;
    default: return c.length;
  }
}

RowDecoder::RowDecoder(Pager& pager, const TableDef& def) : pager_(pager), def_(def), format_(pager.Format()) {
  // Tables are checked with their names before they are read (RequireReadable);
  // this keeps any other reader from misreading such a column.
  for (const Column& c : def.columns)
    if (!c.Readable())
      throw Error(kStatementFailed, "The field '" + c.name + "' holds " + KindDescription(c) +
                                        ", which this program cannot read.");
}

// Jet 3's one-byte offsets: entry j of the jump table, read backwards from
// before the offsets' count, is the number of the first offset at or beyond
// (j + 1) * 256; the table has (row length - 1) / 256 entries, the last of
// them a dummy when the offsets end below that. Fills offsets_ and returns
// where the offsets begin (the end of the variable data).
std::size_t RowDecoder::JumpTableOffsets(ByteSpan row, std::size_t maskLength) {
  constexpr std::size_t kStep = 256;
  if (row.size() < maskLength + 2) ThrowDamaged("a row without its variable-column table");
  const std::size_t countAt = row.size() - maskLength - 1;
  const std::size_t varCount = row[countAt];
  std::size_t jumps = (row.size() - 1) / kStep;
  if (countAt < jumps + varCount + 1) ThrowDamaged("a row whose variable-column table overruns it");
  const std::size_t lastOffsetAt = countAt - jumps - 1;  // the first column's
  if ((lastOffsetAt - varCount) / kStep < jumps) --jumps;
  offsets_.resize(varCount + 1);
  std::size_t used = 0;
  for (std::size_t i = 0; i <= varCount; ++i) {
    while (used < jumps && i == row[countAt - used - 1]) ++used;
    offsets_[i] = row[lastOffsetAt - i] + used * kStep;
  }
  return lastOffsetAt - varCount;
}

void RowDecoder::Decode(ByteSpan row, std::vector<Value>& out, std::vector<std::size_t>* textUnits) {
  out.resize(def_.columns.size());
  if (textUnits) textUnits->assign(def_.columns.size(), 0);
  const std::size_t countBytes = format_.rowFieldBytes;
  std::size_t rowColumns = countBytes == 1 ? U8(row, 0) : U16(row, 0);
  std::size_t maskLength = (rowColumns + 7) / 8;
  if (row.size() < countBytes + maskLength) ThrowDamaged("a row shorter than its null mask");
  ByteSpan mask = row.subspan(row.size() - maskLength);
  std::size_t dataEnd = row.size() - maskLength;  // end of fixed + variable data

  std::size_t varCount = 0;
  std::size_t trailer = dataEnd;
  if (def_.variableColumns > 0 && countBytes == 1) {
    trailer = JumpTableOffsets(row, maskLength);
    varCount = offsets_.size() - 1;
  } else if (def_.variableColumns > 0) {
    if (dataEnd < 4) ThrowDamaged("a row without its variable-column table");
    varCount = U16(row, dataEnd - 2);
    if (dataEnd < 4 + 2 * varCount + 2) ThrowDamaged("a row whose variable-column table overruns it");
    trailer = dataEnd - 4 - 2 * varCount;
  }
  auto varOffset = [&](std::size_t i) -> std::size_t {
    return countBytes == 1 ? offsets_[i] : U16(row, dataEnd - 4 - 2 * i);
  };

  for (std::size_t i = 0; i < def_.columns.size(); ++i) {
    const Column& c = def_.columns[i];
    bool inRow = c.number < rowColumns;
    bool present = inRow && MaskBit(mask, c.number);
    if (c.Type() == ColumnType::Boolean) {
      out[i] = present;
      continue;
    }
    if (!present) {
      out[i] = Null{};
      continue;
    }
    if (c.IsFixed()) {
      std::size_t start = countBytes + std::size_t{c.fixedOffset};
      std::size_t size = FixedSize(c);
      if (!Fits(trailer, start, size)) ThrowDamaged("a fixed column beyond its row");
      DecodeColumn(c, row.subspan(start, size), out[i], textUnits ? &(*textUnits)[i] : nullptr);
      continue;
    }
    if (c.varIndex >= varCount) {
      out[i] = Null{};
      continue;
    }
    std::size_t start = varOffset(c.varIndex);
    std::size_t end = varOffset(std::size_t{c.varIndex} + 1);
    if (start < countBytes || start > end || end > trailer) ThrowDamaged("a variable column beyond its row");
    DecodeColumn(c, row.subspan(start, end - start), out[i], textUnits ? &(*textUnits)[i] : nullptr);
  }
}

void RowDecoder::DecodeColumn(const Column& c, ByteSpan d, Value& out, std::size_t* textUnits) {
  auto need = [&](std::size_t n) {
    if (d.size() < n) ThrowDamaged("a value shorter than its type");
  };
  switch (c.Type()) {
    case ColumnType::Byte: need(1); out = d[0]; return;
    case ColumnType::Integer: need(2); out = static_cast<std::int16_t>(U16(d, 0)); return;
    case ColumnType::Long: need(4); out = static_cast<std::int32_t>(U32(d, 0)); return;
    case ColumnType::Currency: need(8); out = Currency{static_cast<std::int64_t>(U64(d, 0))}; return;
    case ColumnType::Single: need(4); out = F32(d, 0); return;
    case ColumnType::Double: need(8); out = F64(d, 0); return;
    case ColumnType::DateTime: need(8); out = DateTime{F64(d, 0)}; return;
    case ColumnType::Guid: {
      need(16);
      Guid g;
      std::copy_n(d.begin(), 16, g.bytes.begin());
      out = g;
      return;
    }
    case ColumnType::Decimal: need(kDecimalSize); out = ReadDecimal(d, c); return;
    case ColumnType::Text: {
      if (textUnits) {
        *textUnits = StoredTextUnits(c, d);
        out = Null{};
        return;
      }
      std::string& s = Reuse<Text>(out).text;
      s.clear();
      DecodeStoredText(c, d, s);
      return;
    }
    case ColumnType::Binary: {
      auto& b = Reuse<Binary>(out).bytes;
      b.assign(d.begin(), d.end());
      return;
    }
    case ColumnType::Ole: ReadLongValue(pager_, d, Reuse<Ole>(out).bytes); return;
    case ColumnType::Memo: {
      ReadLongValue(pager_, d, scratch_);
      if (textUnits) {
        *textUnits = StoredTextUnits(c, scratch_);
        out = Null{};
        return;
      }
      std::string& s = Reuse<Memo>(out).text;
      s.clear();
      DecodeStoredText(c, scratch_, s);
      return;
    }
    case ColumnType::Boolean: return;
    case ColumnType::Complex: break;
  }
  // The constructor lets no column of another kind through.
  throw Error(kStatementFailed, "Internal error: the field '" + c.name + "' has no reader.");
}

void RowDecoder::DecodeStoredText(const Column& c, ByteSpan stored, std::string& out) {
  if (!format_.textInCodePage) {
    DecodeText(stored, out);
    return;
  }
  std::uint16_t codePage = c.codePage != 0 ? c.codePage : FileCodePage(pager_.FileHeader());
  auto it = std::find_if(codePages_.begin(), codePages_.end(), [&](const auto& p) { return p.first == codePage; });
  if (it == codePages_.end()) it = codePages_.emplace(codePages_.end(), codePage, CodePageText(codePage));
  it->second.Decode(stored, out);
}

std::size_t RowDecoder::StoredTextUnits(const Column& c, ByteSpan stored) {
  if (!format_.textInCodePage) return TextUnits(stored);
  // A code page may take several bytes a character: only its conversion knows.
  scratchText_.clear();
  DecodeStoredText(c, stored, scratchText_);
  return Utf16Length(scratchText_);
}

// ---- encoding -------------------------------------------------------------

namespace {

[[noreturn]] void Reject(const Column& c, const std::string& why) {
  throw Error(kStatementFailed, "The value for field '" + c.name + "' " + why + ".");
}

constexpr int kFieldTooSmallJet = 3163;

[[noreturn]] void TooLong(const Column& c, std::size_t have, std::size_t most, const char* unit) {
  throw Error(kDataOverflow,
              "The field is too small to accept the amount of data you attempted to add.  Try inserting or pasting "
              "less data. (The field '" + c.name + "' holds at most " + std::to_string(most) + " " + unit +
                  "; the value has " + std::to_string(have) + ".)",
              kFieldTooSmallJet);
}

// A text value as stored: UTF-16, at most `most` units (0: no limit). A NUL
// or a leading U+FEFF would not read back as written (readers end texts at
// NUL; FF FE at the start marks compressed text): refused.
std::u16string StoredText(const Column& c, const std::string& utf8, std::size_t most) {
  std::u16string text = Utf8ToUtf16(utf8);
  if (most != 0 && text.size() > most) TooLong(c, text.size(), most, "characters");
  if (!text.empty() && text.front() == 0xFEFF)
    Reject(c, "starts with the character U+FEFF, which Jet reads as the mark of a compressed text");
  if (text.find(u'\0') != std::u16string::npos) Reject(c, "holds the character U+0000, which a Jet text cannot keep");
  return text;
}

template <typename T>
const T& Want(const Column& c, const Value& v) {
  if (!std::holds_alternative<T>(v)) Reject(c, "is not a " + TypeName(c.type) + " value");
  return std::get<T>(v);
}

void PutFixed(const Column& c, const Value& v, std::uint8_t* p) {
  switch (c.Type()) {
    case ColumnType::Byte: *p = Want<std::uint8_t>(c, v); return;
    case ColumnType::Integer: PutU16(p, static_cast<std::uint16_t>(Want<std::int16_t>(c, v))); return;
    case ColumnType::Long: PutU32(p, static_cast<std::uint32_t>(Want<std::int32_t>(c, v))); return;
    case ColumnType::Currency: PutU64(p, static_cast<std::uint64_t>(Want<Currency>(c, v).tenThousandths)); return;
    case ColumnType::Single: std::memcpy(p, &Want<float>(c, v), 4); return;  // little-endian host
    case ColumnType::Double: std::memcpy(p, &Want<double>(c, v), 8); return;
    case ColumnType::DateTime: std::memcpy(p, &Want<DateTime>(c, v).oleDate, 8); return;
    case ColumnType::Guid: std::memcpy(p, Want<Guid>(c, v).bytes.data(), 16); return;
    case ColumnType::Decimal: {
      const Decimal& d = Want<Decimal>(c, v);
      p[0] = d.negative ? 0x80 : 0;
      for (int w = 0; w < 4; ++w) PutU32(p + 1 + 4 * w, static_cast<std::uint32_t>(d.magnitude >> (32 * (3 - w))));
      return;
    }
    case ColumnType::Text: {
      // Fixed-length text: UCS-2, padded with blanks, never compressed.
      const std::string& text = Want<Text>(c, v).text;
      const std::size_t width = c.length / 2;
      std::size_t i = 0;
      if (std::all_of(text.begin(), text.end(), [](char ch) { return ch > 0 && static_cast<unsigned char>(ch) < 0x80; })) {
        if (text.size() > width) TooLong(c, text.size(), width, "characters");
        for (; i < text.size(); ++i) PutU16(p + 2 * i, static_cast<std::uint8_t>(text[i]));
      } else {
        std::u16string s = StoredText(c, text, width);
        for (; i < s.size(); ++i) PutU16(p + 2 * i, s[i]);
      }
      for (; i < width; ++i) PutU16(p + 2 * i, u' ');
      return;
    }
    case ColumnType::Binary: {
      const auto& b = Want<Binary>(c, v).bytes;
      if (b.size() > c.length) TooLong(c, b.size(), c.length, "bytes");
      std::copy(b.begin(), b.end(), p);
      return;
    }
    default: Reject(c, "cannot be stored in a fixed-length column");
  }
}

std::vector<std::uint8_t> VariableBytes(const Column& c, const Value& v, const LongValueStore& store) {
  auto longValue = [&](const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> ref(kLongValueReferenceSize, 0);
    if (data.size() > kLongValueLengthMask) Reject(c, "is too long");
    if (data.size() <= kMaxInlineLongValue || !store) {
      if (data.size() > kMaxInlineLongValue) Reject(c, "is too long to store here");
      PutU32(ref.data(), static_cast<std::uint32_t>(data.size()) | kLongValueInline);
      ref.insert(ref.end(), data.begin(), data.end());
      return ref;
    }
    return store(c, data);
  };
  switch (c.Type()) {
    case ColumnType::Text:
      return EncodeText(StoredText(c, Want<Text>(c, v).text, c.length / 2), c.IsCompressed());
    case ColumnType::Binary: {
      const auto& b = Want<Binary>(c, v).bytes;
      if (b.size() > c.length) TooLong(c, b.size(), c.length, "bytes");
      return b;
    }
    case ColumnType::Memo: return longValue(EncodeText(StoredText(c, Want<Memo>(c, v).text, 0), c.IsCompressed()));
    case ColumnType::Ole: return longValue(Want<Ole>(c, v).bytes);
    default: {
      std::vector<std::uint8_t> bytes(FixedSize(c));
      PutFixed(c, v, bytes.data());
      return bytes;
    }
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeRow(const TableDef& def, const std::vector<Value>& values,
                                    const LongValueStore& store) {
  std::vector<std::uint8_t> row;
  EncodeRow(def, values, store, row);
  return row;
}

void EncodeRow(const TableDef& def, const std::vector<Value>& values, const LongValueStore& store,
               std::vector<std::uint8_t>& row) {
  if (values.size() != def.columns.size())
    throw Error(kStatementFailed, "Number of query values and destination fields are not the same.");
  std::size_t rowColumns = def.maxColumns;
  std::size_t fixedEnd = 0;
  std::size_t varCount = 0;
  for (const Column& c : def.columns) {
    rowColumns = std::max<std::size_t>(rowColumns, std::size_t{c.number} + 1);
    if (c.IsFixed() || c.Type() == ColumnType::Boolean)
      fixedEnd = std::max(fixedEnd, std::size_t{c.fixedOffset} + FixedSize(c));
    else
      varCount = std::max<std::size_t>(varCount, std::size_t{c.varIndex} + 1);
  }
  row.assign(2 + fixedEnd, 0);
  PutU16(row.data(), static_cast<std::uint16_t>(rowColumns));

  std::vector<std::size_t> variable(varCount, values.size());  // column at each place; none: Null
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    const Column& c = def.columns[i];
    if (c.Type() == ColumnType::Boolean) {
      if (!IsNull(values[i])) Want<bool>(c, values[i]);
    } else if (c.IsFixed()) {
      if (!IsNull(values[i])) PutFixed(c, values[i], row.data() + 2 + c.fixedOffset);
    } else if (!IsNull(values[i])) {
      variable[c.varIndex] = i;
    }
  }

  if (def.variableColumns > 0 || varCount > 0) {
    std::vector<std::uint16_t> offsets(varCount);
    for (std::size_t k = 0; k < varCount; ++k) {
      offsets[k] = static_cast<std::uint16_t>(row.size());
      if (variable[k] < values.size()) {
        auto bytes = VariableBytes(def.columns[variable[k]], values[variable[k]], store);
        row.insert(row.end(), bytes.begin(), bytes.end());
      }
    }
    std::size_t eod = row.size();
    if (eod > 0xFFFF) throw Error(kStatementFailed, "Record is too large.");
    row.resize(eod + 4 + 2 * varCount);
    std::uint8_t* trailer = row.data() + eod;
    PutU16(trailer, static_cast<std::uint16_t>(eod));
    for (std::size_t k = varCount; k-- > 0;) PutU16(trailer + 2 + 2 * (varCount - 1 - k), offsets[k]);
    PutU16(trailer + 2 + 2 * varCount, static_cast<std::uint16_t>(varCount));
  }

  std::size_t maskAt = row.size();
  row.resize(maskAt + (rowColumns + 7) / 8, 0);
  for (std::size_t i = 0; i < def.columns.size(); ++i) {
    const Column& c = def.columns[i];
    const Value& v = values[i];
    bool set = c.Type() == ColumnType::Boolean ? !IsNull(v) && std::get<bool>(v) : !IsNull(v);
    if (set) row[maskAt + c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
  }
}

}  // namespace jet
