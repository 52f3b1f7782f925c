#include "jobs/progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/progress.h"

namespace jobs {

QString ProgressText(const QString& phase, std::int64_t done, std::int64_t total) {
  QString rows;
  if (done >= 0)
    rows = total == ui::kUnknownTotal ? QStringLiteral("%1 rows").arg(done)
                                      : QStringLiteral("%1 of %2 rows").arg(done).arg(total);
  if (phase.isEmpty()) return rows;
  if (rows.isEmpty()) return phase;
  return phase + QLatin1Char('\n') + rows;
}

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      label_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowModality(Qt::ApplicationModal);
  setMinimumWidth(320);
  bar_->setTextVisible(false);
  cancel_->setAutoDefault(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::PressCancel);
}

void ProgressDialog::Open() {
  cancel_->setEnabled(true);
  show();
}

void ProgressDialog::Show(const QString& title, const QString& phase, std::int64_t done, std::int64_t total) {
  setWindowTitle(title);
  label_->setText(ProgressText(phase, done, total));
  if (done < 0 || total <= 0) {
    bar_->setRange(0, 0);  // moving to and fro: no end known
  } else {
    bar_->setRange(0, 1000);
    bar_->setValue(static_cast<int>(done * 1000 / total));
  }
}

void ProgressDialog::reject() { PressCancel(); }

void ProgressDialog::PressCancel() {
  if (!cancel_->isEnabled()) return;
  cancel_->setEnabled(false);
  emit cancelPressed();
}

}  // namespace jobs
