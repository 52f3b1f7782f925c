// The character code tables of the two text sort orders a Jet 4 file can carry: "General
// legacy" (LCID 1033, sort version 0, Access 2000 to 2007) and "General" (LCID 1033, sort
// version 1, Access 2010 and later). Both are read by one algorithm (sort_order_general.cpp);
// only the codes differ. Every UTF-16 code unit except the surrogates belongs to one run of
// consecutive code units sharing a class.
#pragma once

#include <cstddef>
#include <cstdint>

#include "index_key.h"

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
  std::uint64_t inlineBase;   // inline code of `first`, big-endian value; +1 per code unit
  std::uint8_t auxLength;     // bytes of the auxiliary code, 0 when none
  std::uint32_t aux;          // accent code (I, Z), unprintable code (U) or modifier (P)
  std::uint8_t caseFlagTwo;   // Z only: 1 when the case flag is 2, else it is 3
};

struct CodeTable {
  const CodeRun* runs;
  std::size_t count;
};

extern const CodeTable kGeneralLegacyCodes;
extern const CodeTable kGeneralCodes;

// The run holding `c` in the order's table, or nullptr when it has no code for it
// (surrogates).
const CodeRun* FindRun(TextOrder order, char16_t c);

}  // namespace jet::index
