// The real progress dialog: application-modal, so no other command can start
// while rows are sent, repainted and asked about Cancel a few times a second
// on the user-interface thread between two rows.
#pragma once

#include <QElapsedTimer>
#include <memory>

#include "transfer/progress.h"

class QProgressDialog;
class QWidget;

namespace transfer {

class QtProgress : public Progress {
 public:
  explicit QtProgress(QWidget* parent);
  ~QtProgress() override;

  void Begin(const QString& title, std::int64_t total) override;
  bool Step(std::int64_t done) override;
  void End() override;

 private:
  QWidget* parent_;
  std::unique_ptr<QProgressDialog> dialog_;
  QElapsedTimer sinceUpdate_;
  std::int64_t total_ = 0;
};

}  // namespace transfer
