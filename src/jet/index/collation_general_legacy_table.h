// The General sort order's character code table ("General legacy": LCID 1033, sort
// version 0), as Jet 4 uses it for text index keys. Every UTF-16 code unit except the
// surrogates belongs to one run of consecutive code units sharing a class.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet::index {

// How a character takes part in a key.
enum CharClass : std::uint8_t {
  kS,  // simple: inline code only
  kI,  // international: inline code of its base letter plus an accent code
  kU,  // unprintable: no inline code, a code in the unprintable section
  kP,  // unprintable modifier: adds to the previous accent code
  kZ,  // inline code, optional accent code and a case flag
  kX,  // ignored altogether
};

struct CodeRun {
  char16_t first;
  std::uint16_t count;
  CharClass charClass;
  std::uint8_t inlineLength;  // bytes of the inline code, 0 when none
  std::uint32_t inlineBase;   // inline code of `first`, big-endian value; +1 per code unit
  std::uint8_t auxLength;     // bytes of the auxiliary code, 0 when none
  std::uint16_t aux;          // accent code (I, Z), unprintable code (U) or modifier (P)
  std::uint8_t caseFlagTwo;   // Z only: 1 when the case flag is 2, else it is 3
};

extern const CodeRun kGeneralLegacyRuns[];
extern const std::size_t kGeneralLegacyRunCount;

// The run holding `c`, or nullptr when the table has no code for it (surrogates).
const CodeRun* FindGeneralLegacyRun(char16_t c);

}  // namespace jet::index
