// The main window's "History" button: the log's entries, one row each, oldest
// first with the newest in view; the counts of a transfer that had refused
// rows and of a cancelled one as the log holds them.
#include "app/form2.h"
#include "app/history_window.h"
#include "history/history_log.h"
#include "program_fixture.h"
#include "ui/command_button.h"

#include <QApplication>
#include <QTableWidget>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using testsupport::ProgramRun;

// XDG_STATE_HOME pointed at a private folder for one test.
class ScopedStateHome {
 public:
  ScopedStateHome() : old_(qgetenv("XDG_STATE_HOME")) { qputenv("XDG_STATE_HOME", dir_.path().toLocal8Bit()); }
  ~ScopedStateHome() { qputenv("XDG_STATE_HOME", old_); }

 private:
  QTemporaryDir dir_;
  QByteArray old_;
};

history::Entry Transfer(const char* table, std::int64_t read, std::int64_t sent, std::int64_t refused,
                        history::Outcome outcome, const char* error) {
  history::Entry e = history::Begin("send");
  e.from = "window";
  e.side = "mysql";
  e.table = table;
  e.rows = history::RowCounts{read, sent, refused};
  e.seconds = 1.5;
  e.outcome = outcome;
  e.error = error;
  return e;
}

QStringList Row(QTableWidget& table, int row) {
  QStringList cells;
  for (int c = 1; c < table.columnCount(); ++c) cells << table.item(row, c)->text();  // all but the time
  return cells;
}

TEST(HistoryWindow, ShowsEveryEntryOfTheLogNewestInView) {
  ScopedStateHome state;
  ASSERT_FALSE(history::Append(Transfer("mixed", 5, 2, 3, history::Outcome::kPartial, "What happened?: INSERT ...")));
  ASSERT_FALSE(history::Append(Transfer("many", 1300, 600, 0, history::Outcome::kCancelled, "")));
  history::Entry rename = history::Begin("rename");
  rename.from = "command-line";
  rename.side = "access";
  rename.table = "Orders";
  rename.newName = "Orders 2025";
  ASSERT_FALSE(history::Append(rename));

  ui::ScriptedPrompter prompter;
  app::Form2 form(prompter);
  QStringList rows[3];
  int rowCount = -1;
  bool newestInView = false;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<app::HistoryWindow*>(QApplication::activeModalWidget());
    ASSERT_NE(window, nullptr) << "the button opens the history as a modal window";
    auto* table = window->findChild<QTableWidget*>(QStringLiteral("Entries"));
    rowCount = table->rowCount();
    for (int r = 0; r < std::min(rowCount, 3); ++r) rows[r] = Row(*table, r);
    newestInView = !table->visualItemRect(table->item(rowCount - 1, 0)).isEmpty();
    window->reject();
  });
  QTest::mouseClick(ProgramRun::Child<ui::CommandButton>(form, "cmdHistory"), Qt::LeftButton);

  ASSERT_EQ(rowCount, 3);
  EXPECT_EQ(rows[0], (QStringList{"window", "send to MySQL", "mixed", "5", "2", "3", "1.50", "partial",
                                  "What happened?: INSERT ..."}));
  EXPECT_EQ(rows[1], (QStringList{"window", "send to MySQL", "many", "1300", "600", "0", "1.50", "cancelled", ""}));
  EXPECT_EQ(rows[2], (QStringList{"command line", "rename in Access", QString::fromUtf8("Orders \xE2\x86\x92 Orders 2025"),
                                  "", "", "", "0.00", "succeeded", ""}));
  EXPECT_TRUE(newestInView);
}

}  // namespace
