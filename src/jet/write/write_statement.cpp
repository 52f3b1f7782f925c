#include "jet/write/write_statement.h"

#include "jet/error.h"

namespace jet {

WriteStatement::WriteStatement(Connection& c) : lock_(c.pager, LockMode::Exclusive), space_(c.pager), pager_(c.pager) {}

WriteStatement::~WriteStatement() {
  if (finished_) return;
  try {
    if (pager_.InBatch())
      pager_.DiscardUnsaved();
    else
      pager_.Abandon();
  } catch (const Error&) {
    // The journal stays hot; the next statement rolls it back.
  }
}

void WriteStatement::Finish() {
  // The pages the statement gave up are marked free with the rest: the
  // journal makes the statement whole or absent, so no order among its
  // pages matters any more.
  space_.ReleaseQueued();
  lock_.Save();
  if (!pager_.InBatch()) pager_.EndChange(false);
  finished_ = true;
}

}  // namespace jet
