#include "jet/write/write_statement.h"

namespace jet {

WriteStatement::WriteStatement(Connection& c) : lock_(c.pager, LockMode::Exclusive), space_(c.pager), pager_(c.pager) {}

void WriteStatement::Finish() {
  lock_.Save();
  if (space_.HasQueuedReleases()) {
    space_.ReleaseQueued();
    lock_.Save();
  }
}

}  // namespace jet
