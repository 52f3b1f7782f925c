// The job runner: what a job does reaches the window on the window's thread
// and in the order the job did it; Cancel leaves a job that changes nothing
// at once and stops one that changes a database at its next check, where it
// reports exactly what it did; a failure is shown and the runner ends.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <future>
#include <gtest/gtest.h>

#include "dataaccess/error.h"
#include "jobs/job_runner.h"
#include "jobs/progress_dialog.h"
#include "jobs/window_dialogs.h"
#include "ui/scripted_prompter.h"
#include "widget_checks.h"

namespace {

using jobs::JobRunner;
using Context = JobRunner::Context;

// Everything the window's side sees, in order, each checked to arrive on
// the window's thread.
struct WindowLog {
  QStringList events;
  void Add(const QString& event) {
    EXPECT_EQ(QThread::currentThread(), qApp->thread()) << event.toStdString();
    events << event;
  }
};

class LoggedList : public ui::NameList {
 public:
  explicit LoggedList(WindowLog& log) : log_(log) {}
  int ListIndex() const override { return -1; }
  void SetListIndex(int index) override { log_.Add(QStringLiteral("select %1").arg(index)); }
  int ListCount() const override {
    log_.Add(QStringLiteral("count"));
    return static_cast<int>(names_.size());
  }
  QString List(int index) const override { return names_.value(index); }
  void AddItem(const QString& name) override {
    log_.Add(QStringLiteral("add ") + name);
    names_ << name;
  }
  void RemoveItem(int index) override { names_.removeAt(index); }
  void Clear() override { names_.clear(); }

 private:
  WindowLog& log_;
  QStringList names_;
};

class LoggedWindow : public ui::PointerHost {
 public:
  explicit LoggedWindow(WindowLog& log) : log_(log) {}
  void SetMousePointer(int shape) override {
    log_.Add(QStringLiteral("pointer %1").arg(shape));
    shape_ = shape;
  }
  int MousePointer() const override { return shape_; }

 private:
  WindowLog& log_;
  int shape_ = ui::kDefaultPointer;
};

class JobRunnerTest : public testing::Test {
 protected:
  JobRunnerTest() {
    prompter_.SetObserver([this](const ui::ScriptedPrompter::Shown& shown) { log_.Add(shown.text); });
  }
  ~JobRunnerTest() override { runner_.reset(); }

  bool WaitUntilEnded() {
    return QTest::qWaitFor([this] { return !runner_->Running(); }, 20000);
  }

  WindowLog log_;
  ui::ScriptedPrompter prompter_;
  jobs::PrompterDialogs dialogs_{prompter_};
  LoggedList list_{log_};
  LoggedWindow window_{log_};
  QWidget widget_;
  std::unique_ptr<JobRunner> runner_ = std::make_unique<JobRunner>(dialogs_, &widget_);
};

TEST_F(JobRunnerTest, WhatAJobDoesArrivesOnTheWindowsThreadInItsOrder) {
  prompter_.QueueYesNo(true);
  std::atomic<bool> onWorker = false;
  QSignalSpy running(runner_.get(), &JobRunner::runningChanged);
  runner_->Start(window_, JobRunner::Show::kNothing, [&](Context& job) {
    onWorker = QThread::currentThread() != qApp->thread();
    ui::ArrowOnExit pointer(job.Pointer());
    pointer.SetHourglass();
    ui::NameList& list = job.Linked(list_);
    list.AddItem("b");
    job.Prompter().ShowMessage("first");
    list.AddItem("a");
    bool yes = job.Prompter().AskYesNo("go on?", "Question");
    job.Prompter().ShowMessage(QStringLiteral("%1 names, %2").arg(list.ListCount()).arg(yes ? "yes" : "no"));
    list.SetListIndex(0);
  });
  runner_->Start(window_, JobRunner::Show::kNothing, [](Context& job) { job.Prompter().ShowMessage("second"); });
  ASSERT_TRUE(WaitUntilEnded());
  EXPECT_TRUE(onWorker);
  EXPECT_EQ(log_.events, (QStringList{"pointer 11", "add b", "first", "add a", "go on?", "count", "2 names, yes",
                                      "select 0", "pointer 1", "second"}))
      << "a job started meanwhile runs after the first";
  ASSERT_EQ(running.count(), 2);
  EXPECT_EQ(running[0][0].toBool(), true);
  EXPECT_EQ(running[1][0].toBool(), false);
}

TEST_F(JobRunnerTest, AFailureIsShownWithItsNumberAfterWhatCameBeforeIt) {
  runner_->Start(window_, JobRunner::Show::kNothing, [](Context& job) {
    ui::ArrowOnExit pointer(job.Pointer());
    pointer.SetHourglass();
    job.Prompter().ShowMessage("before");
    throw dataaccess::DbError(dataaccess::kCommandError, "refused");
  });
  runner_->Start(window_, JobRunner::Show::kNothing, [](Context& job) { job.Prompter().ShowMessage("next"); });
  ASSERT_TRUE(WaitUntilEnded());
  EXPECT_EQ(log_.events, (QStringList{"pointer 11", "before", "pointer 1", "-2147217900 refused", "next"}));
}

TEST_F(JobRunnerTest, CancelWhereNothingChangesLeavesTheJobAtOnceAndDropsWhatItDoesLater) {
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> laterPhaseStarted = true, ended = false;
  runner_->Start(window_, JobRunner::Show::kProgress, [&, released](Context& job) {
    ui::ArrowOnExit pointer(job.Pointer());
    pointer.SetHourglass();
    job.Progress().Phase("Connecting to MySQL...", ui::CancelMode::kLeaveAtOnce);
    entered.set_value();
    released.wait();  // a connection attempt that takes its time
    laterPhaseStarted = job.Progress().Phase("Creating t...", ui::CancelMode::kAtNextCheck);
    job.Prompter().ShowMessage("late");
    job.Linked(list_).AddItem("late");
    ended = true;
  });
  entered.get_future().wait();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_.MousePointer() == ui::kHourglass; }, 20000));
  runner_->Cancel();
  EXPECT_FALSE(runner_->Running()) << "left at once, while the job still waits";
  QCoreApplication::processEvents();
  EXPECT_EQ(log_.events, (QStringList{"pointer 11", "pointer 1"})) << "the hourglass goes with it";

  release.set_value();
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended.load(); }, 20000));
  QCoreApplication::processEvents();
  EXPECT_FALSE(laterPhaseStarted) << "nothing that changes a database starts after Cancel";
  EXPECT_EQ(log_.events, (QStringList{"pointer 11", "pointer 1"})) << "nothing of the job reaches the window any more";
}

TEST_F(JobRunnerTest, CancelWhereADatabaseChangesStopsAtTheNextRowWhichTheJobReports) {
  std::atomic<std::int64_t> sent = 0;
  constexpr std::int64_t kTotal = 100'000'000;
  runner_->Start(window_, JobRunner::Show::kProgress, [&](Context& job) {
    job.Progress().Phase(QString(), ui::CancelMode::kAtNextCheck);
    std::int64_t done = 0;
    while (done < kTotal && job.Progress().Step(done, kTotal)) sent = ++done;  // one row sent
    job.Prompter().ShowMessage(QStringLiteral("Cancelled after %1 of %2 rows.").arg(done).arg(kTotal));
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return sent > 1000; }, 20000));
  runner_->Cancel();
  ASSERT_TRUE(WaitUntilEnded());
  ASSERT_EQ(log_.events.size(), 1);
  EXPECT_EQ(log_.events[0], QStringLiteral("Cancelled after %1 of %2 rows.").arg(sent.load()).arg(kTotal))
      << "the rows reported are the rows sent";
}

TEST_F(JobRunnerTest, TheProgressDialogShowsTheWorkAfterAMomentAndItsCancelStopsIt) {
  runner_->Start(window_, JobRunner::Show::kProgress, [](Context& job) {
    job.Progress().Title("Sending towns to MySQL");
    job.Progress().Phase(QString(), ui::CancelMode::kAtNextCheck);
    job.Progress().Rows(5, 10);
    while (!job.Progress().Cancelled()) QThread::msleep(1);
  });
  jobs::ProgressDialog* dialog = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    dialog = widget_.findChild<jobs::ProgressDialog*>();
    return dialog && dialog->isVisible() && dialog->findChild<QLabel*>()->text() == "5 of 10 rows";
  }, 20000));
  EXPECT_EQ(dialog->windowTitle(), "Sending towns to MySQL");
  EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
  QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
  ASSERT_TRUE(WaitUntilEnded());
  EXPECT_FALSE(dialog->isVisible());
}

TEST(ProgressText, ThePhaseItsRowsOrBoth) {
  struct Case {
    QString phase;
    std::int64_t done, total;
    QString text;
  } cases[] = {
      {"Connecting to MySQL...", -1, ui::kUnknownTotal, "Connecting to MySQL..."},
      {QString(), 1200, 40000, "1200 of 40000 rows"},
      {"Reading towns...", 300, ui::kUnknownTotal, "Reading towns...\n300 rows"},
      {"Measuring towns...", 0, 0, "Measuring towns...\n0 of 0 rows"},
  };
  for (const Case& c : cases) EXPECT_EQ(jobs::ProgressText(c.phase, c.done, c.total), c.text);
}

}  // namespace
