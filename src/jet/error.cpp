#include "jet/error.h"

namespace jet {

void ThrowDamaged(const std::string& what) {
  throw Error(kOpenFailed, "The database file is damaged and cannot be read (" + what + ").");
}

void ThrowDatabaseFull() { throw Error(kDatabaseFull, "Database has reached maximum size.", kDatabaseFullJetNumber); }

void ThrowNoSuchTable(const std::string& name) {
  throw Error(kObjectNotFound, "The Microsoft Jet database engine cannot find the input table or query '" + name +
                                   "'. Make sure it exists and that its name is spelled correctly.");
}

}  // namespace jet
