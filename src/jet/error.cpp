#include "jet/error.h"

namespace jet {

void ThrowDamaged(const std::string& what) {
  throw Error(kOpenFailed, "The database file is damaged and cannot be read (" + what + ").");
}

}  // namespace jet
