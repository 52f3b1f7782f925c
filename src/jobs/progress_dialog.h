// The progress of a command: modal to the whole program, so no other command
// starts meanwhile, with the command's name as its title, the phase it is in
// ("Connecting to MySQL...", "Reading towns..."), its rows ("1200 of 40000
// rows") and a Cancel button. Closing it or pressing Escape is pressing
// Cancel; after that the button stays disabled until the dialog is shown
// for the next command.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace jobs {

// The label's text: the phase, its rows when it counts them, or both.
QString ProgressText(const QString& phase, std::int64_t done, std::int64_t total);

class ProgressDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressDialog(QWidget* parent);

  // Shows the dialog afresh, Cancel enabled.
  void Open();
  // `done` < 0: the phase counts no rows.
  void Show(const QString& title, const QString& phase, std::int64_t done, std::int64_t total);

 signals:
  void cancelPressed();

 protected:
  void reject() override;  // Escape and the close box

 private:
  void PressCancel();

  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};

}  // namespace jobs
