// Object names compared as Jet compares them: without regard to letter case.
#pragma once

#include <string>

namespace jet {

// The name with every letter in upper case (ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic), as UTF-16.
std::u16string FoldName(const std::string& utf8);

inline bool SameName(const std::string& a, const std::string& b) { return FoldName(a) == FoldName(b); }

}  // namespace jet
