#include "jet/text_codec.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace jet {
namespace {

static_assert(std::endian::native == std::endian::little, "texts are read eight bytes at a time");

// Bytes at the start of `s` below 0x80, counted eight at a time.
std::size_t AsciiBytes(std::span<const std::uint8_t> s) {
  std::size_t n = 0;
  for (std::uint64_t w; n + 8 <= s.size(); n += 8) {
    std::memcpy(&w, s.data() + n, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (n < s.size() && s[n] < 0x80) ++n;
  return n;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Turns UTF-16 units into UTF-8 as they arrive, pairing surrogates.
class Utf8Sink {
 public:
  explicit Utf8Sink(std::string& out) : out_(out) {}
  ~Utf8Sink() { Finish(); }
  void Put(char16_t c) {
    if (c < 0x80 && !pending_) {
      out_.push_back(static_cast<char>(c));
      return;
    }
    if (pending_) {
      if (IsLow(c)) {
        AppendCodePoint(0x10000 + ((static_cast<char32_t>(pending_) - 0xD800) << 10) + (c - 0xDC00), out_);
        pending_ = 0;
        return;
      }
      AppendCodePoint(0xFFFD, out_);
      pending_ = 0;
    }
    if (IsHigh(c)) {
      pending_ = c;
    } else {
      AppendCodePoint(IsLow(c) ? 0xFFFD : c, out_);
    }
  }
  // Characters below U+0100, one byte each (compressed text); runs of ASCII
  // are copied whole.
  void PutBytes(std::span<const std::uint8_t> run) {
    std::size_t i = 0;
    if (pending_ && !run.empty()) Put(run[i++]);
    while (i < run.size()) {
      std::size_t ascii = AsciiBytes(run.subspan(i));
      out_.append(reinterpret_cast<const char*>(run.data() + i), ascii);
      i += ascii;
      if (i < run.size()) AppendCodePoint(run[i++], out_);
    }
  }
  void Finish() {
    if (pending_) AppendCodePoint(0xFFFD, out_);
    pending_ = 0;
  }

 private:
  std::string& out_;
  char16_t pending_ = 0;
};

bool IsCompressed(std::span<const std::uint8_t> s) { return s.size() >= 2 && s[0] == 0xFF && s[1] == 0xFE; }

// Walks a compressed text past its FF FE marker, giving each run of
// one-byte characters whole and each two-byte character alone: a 0x00
// switches the run's width and is no character; a two-byte run's odd last
// byte is dropped.
template <typename OneByteRun, typename TwoByteUnit>
void WalkCompressed(std::span<const std::uint8_t> s, OneByteRun oneByteRun, TwoByteUnit twoByteUnit) {
  bool oneByte = true;
  std::size_t i = 2;
  while (i < s.size()) {
    if (s[i] == 0) {
      oneByte = !oneByte;
      ++i;
    } else if (oneByte) {
      const void* zero = std::memchr(&s[i], 0, s.size() - i);
      std::size_t end = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - s.data()) : s.size();
      oneByteRun(s.subspan(i, end - i));
      i = end;
    } else {
      if (i + 1 >= s.size()) break;
      twoByteUnit(static_cast<char16_t>(s[i] | (s[i + 1] << 8)));
      i += 2;
    }
  }
}

}  // namespace

void AppendCodePoint(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void DecodeText(std::span<const std::uint8_t> s, std::string& out) {
  if (!IsCompressed(s)) {
    DecodeUcs2(s, out);
    return;
  }
  Utf8Sink sink(out);
  WalkCompressed(
      s, [&](std::span<const std::uint8_t> run) { sink.PutBytes(run); }, [&](char16_t unit) { sink.Put(unit); });
}

void DecodeUcs2(std::span<const std::uint8_t> s, std::string& out) {
  // Most stored texts are plain ASCII: their leading ASCII run is copied one
  // byte a character, four characters at a time, before the general
  // conversion takes the rest.
  const std::size_t units = s.size() / 2, start = out.size();
  out.resize(start + units);
  char* ascii = out.data() + start;
  std::size_t k = 0;
  for (std::uint64_t w; k + 4 <= units; k += 4) {
    std::memcpy(&w, s.data() + 2 * k, 8);
    if (w & 0xFF80FF80FF80FF80ull) break;
    w = (w | (w >> 8)) & 0x0000FFFF0000FFFFull;
    w = (w | (w >> 16)) & 0xFFFFFFFFull;
    const auto four = static_cast<std::uint32_t>(w);
    std::memcpy(ascii + k, &four, 4);
  }
  for (; k < units && s[2 * k + 1] == 0 && s[2 * k] < 0x80; ++k) ascii[k] = static_cast<char>(s[2 * k]);
  out.resize(start + k);
  Utf8Sink sink(out);
  for (std::size_t i = 2 * k; i + 1 < s.size(); i += 2) sink.Put(static_cast<char16_t>(s[i] | (s[i + 1] << 8)));
}

std::size_t TextUnits(std::span<const std::uint8_t> s) {
  if (!IsCompressed(s)) return s.size() / 2;
  std::size_t units = 0;
  WalkCompressed(
      s, [&](std::span<const std::uint8_t> run) { units += run.size(); }, [&](char16_t) { ++units; });
  return units;
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++units;  // one per lead byte
    if ((c & 0xF8) == 0xF0) ++units;  // four-byte sequences need a surrogate pair
  }
  return units;
}

void AppendUtf8(char16_t const* units, std::size_t count, std::string& out) {
  Utf8Sink sink(out);
  for (std::size_t i = 0; i < count; ++i) sink.Put(units[i]);
}

std::u16string Utf8ToUtf16(const std::string& in) {
  std::u16string out;
  out.reserve(in.size());
  std::size_t i = 0;
  while (i < in.size()) {
    auto b = static_cast<unsigned char>(in[i]);
    char32_t c;
    std::size_t len;
    if (b < 0x80) {
      c = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      len = 4;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool ok = i + len <= in.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      auto cb = static_cast<unsigned char>(in[i + k]);
      if ((cb & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (cb & 0x3F);
    }
    if (!ok || c > 0x10FFFF) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += len;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeText(const std::u16string& text, bool compress) {
  std::vector<std::uint8_t> out;
  bool compressible = compress && text.size() > 2;
  for (char16_t c : text)
    if (c == 0 || c > 0xFF) compressible = false;
  if (compressible) {
    out.reserve(2 + text.size());
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (char16_t c : text) out.push_back(static_cast<std::uint8_t>(c));
    return out;
  }
  out.reserve(2 * text.size());
  for (char16_t c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

}  // namespace jet
