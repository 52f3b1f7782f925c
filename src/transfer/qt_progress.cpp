#include "transfer/qt_progress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace transfer {
namespace {

constexpr qint64 kUpdateMilliseconds = 50;

QString RowsText(std::int64_t done, std::int64_t total) {
  return QStringLiteral("%1 of %2 rows").arg(done).arg(total);
}

}  // namespace

QtProgress::QtProgress(QWidget* parent) : parent_(parent) {}

QtProgress::~QtProgress() = default;

void QtProgress::Begin(const QString& title, std::int64_t total) {
  total_ = total;
  dialog_ = std::make_unique<QProgressDialog>(RowsText(0, total), QStringLiteral("Cancel"), 0, 1000, parent_);
  dialog_->setWindowTitle(title);
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setMinimumDuration(0);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setValue(0);
  dialog_->show();
  QCoreApplication::processEvents();
  sinceUpdate_.start();
}

bool QtProgress::Step(std::int64_t done) {
  // Painting after every row would cost more than sending it.
  if (done < total_ && sinceUpdate_.elapsed() < kUpdateMilliseconds) return !dialog_->wasCanceled();
  sinceUpdate_.restart();
  dialog_->setLabelText(RowsText(done, total_));
  dialog_->setValue(static_cast<int>(total_ > 0 ? done * 1000 / total_ : 0));
  QCoreApplication::processEvents();
  return !dialog_->wasCanceled();
}

void QtProgress::End() { dialog_.reset(); }

}  // namespace transfer
