// "History": what every command did, from the windows and the command line,
// as the history log holds it, one row per command, oldest first and the
// newest in view. Opened from the main window's "History" button; it reads
// the log afresh each time it opens.
#pragma once

#include <QDialog>

class QTableWidget;

namespace app {

class HistoryWindow : public QDialog {
  Q_OBJECT

 public:
  explicit HistoryWindow(QWidget* parent = nullptr);

  // Fills the table from the log.
  void Reload();

 private:
  QTableWidget* table_;
};

}  // namespace app
