// Builds General-sort-order text keys. A key is laid out as
//   inline codes · 01 · [accent codes] · [01 01 · [case flags · FF 02 80 FF 80 · [FF]]
//   · [01 · unprintable entries]] · 00
// where every section after the inline codes appears only when it holds something.
// Accent codes go one per inline character (02 standing for "none", trailing 00..02
// dropped); case flags are packed three to a byte; an unprintable entry is a big-endian
// position word (0x8000 | 7 + 4 × position), 06 and the character's code.
#include "sort_order_general.h"

#include <cstdio>

#include "collation.h"
#include "index_error.h"

namespace jet::index {
namespace {

constexpr std::uint8_t kEndInline = 0x01;
constexpr std::uint8_t kEndKey = 0x00;
constexpr std::uint8_t kNoAccent = 0x02;
constexpr std::uint8_t kCaseFlagsStart = 0x80;
constexpr std::uint8_t kCaseFlagsSuffix[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr std::uint8_t kCaseFlagsBeforeUnprintable = 0xFF;
constexpr std::uint8_t kUnprintableMidfix = 0x06;
constexpr std::uint8_t kCaseFlagTwo = 0x02;
constexpr std::uint8_t kCaseFlagThree = 0x03;

void AppendBigEndian(std::uint64_t value, int length, std::vector<std::uint8_t>& out) {
  for (int shift = 8 * (length - 1); shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

// The accent section while it is being built: the bytes, how many inline characters they
// account for, and whether a modifier came before any accent (it then stands alone first).
struct AccentCodes {
  std::vector<std::uint8_t> bytes;
  int charsCovered = 0;
  int leadingModifiers = 0;
  bool used = false;

  void PadTo(int charPosition) {
    while (charsCovered < charPosition) {
      bytes.push_back(kNoAccent);
      ++charsCovered;
    }
  }
  void AddAccent(int charPosition, std::uint32_t code, int length) {
    used = true;
    PadTo(charPosition);
    AppendBigEndian(code, length, bytes);
    ++charsCovered;
  }
  void AddModifier(int charPosition, std::uint8_t modifier) {
    used = true;
    PadTo(charPosition);
    if (bytes.empty()) {
      bytes.push_back(modifier);
      leadingModifiers = 1;
    } else {
      bytes.back() = std::uint8_t(bytes.back() + modifier);
    }
  }
};

// The character at `at`: a surrogate pair as the one character it stands for.
std::uint32_t CharacterAt(std::u16string_view text, std::size_t at) {
  const char16_t c = text[at];
  if (c >= 0xD800 && c < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000) {
    return 0x10000 + ((std::uint32_t(c) - 0xD800) << 10) + (text[at + 1] - 0xDC00);
  }
  return c;
}

[[noreturn]] void RefuseCharacter(std::u16string_view text, std::size_t at) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", unsigned(CharacterAt(text, at)));
  ThrowIndexError(kIndexValueRefused, "The text '" + TextForMessage(text) + "' holds the character " +
                                          code + ", which Jet's General sort order cannot index.");
}

}  // namespace

std::u16string_view KeyedText(std::u16string_view text) {
  text = text.substr(0, kMaxKeyedTextLength);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

void AppendGeneralTextKey(std::u16string_view text, bool ascending, TextOrder order, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  text = KeyedText(text);

  AccentCodes accents;
  std::vector<std::uint8_t> caseFlags;
  std::vector<std::uint8_t> unprintables;
  int inlineChars = 0;

  for (std::size_t at = 0; at < text.size(); ++at) {
    const char16_t c = text[at];
    const CodeRun* run = FindRun(order, c);
    if (run == nullptr) RefuseCharacter(text, at);
    const int position = inlineChars;
    if (run->inlineLength > 0) {
      AppendBigEndian(run->inlineBase + (c - run->first), run->inlineLength, out);
      ++inlineChars;
    }
    switch (run->charClass) {
      case kS:
      case kX:
        break;
      case kI:
        accents.AddAccent(position, run->aux, run->auxLength);
        break;
      case kZ:
        if (run->auxLength > 0) accents.AddAccent(position, run->aux, run->auxLength);
        caseFlags.push_back(run->caseFlagTwo ? kCaseFlagTwo : kCaseFlagThree);
        break;
      case kP:
        accents.AddModifier(position, std::uint8_t(run->aux));
        break;
      case kU: {
        // Jet counts the position in accent-section bytes, pending padding included.
        int slot = position;
        if (accents.used) {
          slot = int(accents.bytes.size()) + (position - accents.charsCovered) - accents.leadingModifiers;
        }
        AppendBigEndian(0x8000u | unsigned(7 + 4 * slot), 2, unprintables);
        unprintables.push_back(kUnprintableMidfix);
        AppendBigEndian(run->aux, run->auxLength, unprintables);
        break;
      }
    }
  }
  out.push_back(kEndInline);

  while (!accents.bytes.empty() && accents.bytes.back() <= kNoAccent) accents.bytes.pop_back();
  out.insert(out.end(), accents.bytes.begin(), accents.bytes.end());

  if (!caseFlags.empty() || !unprintables.empty()) {
    out.push_back(kEndInline);
    out.push_back(kEndInline);
    if (!caseFlags.empty()) {
      while (!caseFlags.empty() && caseFlags.back() == kCaseFlagThree) caseFlags.pop_back();
      for (std::size_t i = 0; i < caseFlags.size(); i += 3) {
        std::uint8_t packed = kCaseFlagsStart;
        for (std::size_t j = 0; j < 3 && i + j < caseFlags.size(); ++j) {
          packed |= std::uint8_t(caseFlags[i + j] << (2 * (2 - j)));
        }
        out.push_back(packed);
      }
      out.insert(out.end(), std::begin(kCaseFlagsSuffix), std::end(kCaseFlagsSuffix));
      if (!unprintables.empty()) out.push_back(kCaseFlagsBeforeUnprintable);
    }
    if (!unprintables.empty()) {
      out.push_back(kEndInline);
      out.insert(out.end(), unprintables.begin(), unprintables.end());
    }
  }

  if (!ascending) {
    out.push_back(kEndKey);
    for (std::size_t i = start; i < out.size(); ++i) out[i] = std::uint8_t(~out[i]);
  }
  out.push_back(kEndKey);
}

std::string TextForMessage(std::u16string_view text) {
  std::string utf8;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t c = CharacterAt(text, i);
    if (c > 0xFFFF) ++i;
    if (c < 0x80) {
      utf8 += char(c);
    } else if (c < 0x800) {
      utf8 += char(0xC0 | (c >> 6));
      utf8 += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += char(0xE0 | (c >> 12));
      utf8 += char(0x80 | ((c >> 6) & 0x3F));
      utf8 += char(0x80 | (c & 0x3F));
    } else {
      utf8 += char(0xF0 | (c >> 18));
      utf8 += char(0x80 | ((c >> 12) & 0x3F));
      utf8 += char(0x80 | ((c >> 6) & 0x3F));
      utf8 += char(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

}  // namespace jet::index
