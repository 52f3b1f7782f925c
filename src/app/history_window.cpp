#include "app/history_window.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "history/history_log.h"

namespace app {
namespace {

const char* const kColumns[] = {"When", "From", "Command", "Table", "Read", "Sent", "Refused", "Seconds", "Outcome",
                                "First error"};

QString Text(const std::string& s) { return QString::fromStdString(s); }

QString SideName(const std::string& side) {
  return side == "mysql" ? QStringLiteral("MySQL") : side == "access" ? QStringLiteral("Access") : Text(side);
}

// The command as a person says it: "send to MySQL", "delete in Access".
QString CommandText(const history::Entry& e) {
  if (e.command == "send") return QStringLiteral("send to ") + SideName(e.side);
  if (e.command == "new" || e.command == "check") return Text(e.command) + QLatin1Char(' ') + Text(e.access);
  if (e.side.empty()) return Text(e.command);
  return Text(e.command) + QStringLiteral(" in ") + SideName(e.side);
}

QString TableText(const history::Entry& e) {
  if (e.newName.empty()) return Text(e.table);
  return Text(e.table) + QStringLiteral(" \u2192 ") + Text(e.newName);
}

}  // namespace

HistoryWindow::HistoryWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("HistoryWindow"));
  setWindowTitle(QStringLiteral("History"));
  setModal(true);
  resize(900, 420);
  auto* layout = new QVBoxLayout(this);
  auto* where = new QLabel(this);
  where->setObjectName(QStringLiteral("Where"));
  where->setText(QStringLiteral("Kept in ") + QString::fromStdString(history::LogPath().string()));
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(where);
  table_ = new QTableWidget(this);
  table_->setObjectName(QStringLiteral("Entries"));
  table_->setAccessibleName(QStringLiteral("History"));
  table_->setColumnCount(static_cast<int>(std::size(kColumns)));
  QStringList headers;
  for (const char* c : kColumns) headers << QString::fromUtf8(c);
  table_->setHorizontalHeaderLabels(headers);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  Reload();
}

void HistoryWindow::Reload() {
  std::vector<history::Entry> entries = history::ReadLog();
  table_->setRowCount(static_cast<int>(entries.size()));
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    const history::Entry& e = entries[static_cast<std::size_t>(row)];
    auto number = [](std::int64_t n) { return QString::number(n); };
    QStringList cells = {
        QDateTime::fromSecsSinceEpoch(std::chrono::system_clock::to_time_t(e.time)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        e.from == "command-line" ? QStringLiteral("command line") : Text(e.from),
        CommandText(e),
        TableText(e),
        e.rows ? number(e.rows->read) : QString(),
        e.rows ? number(e.rows->sent) : QString(),
        e.rows ? number(e.rows->refused) : QString(),
        QString::number(e.seconds, 'f', 2),
        QString::fromUtf8(history::OutcomeName(e.outcome)),
        Text(e.error).simplified(),
    };
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      if (column >= 4 && column <= 7) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(row, column, item);
    }
  }
  table_->resizeColumnsToContents();
  table_->scrollToBottom();
}

}  // namespace app
