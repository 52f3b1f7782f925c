#include "jobs/job_runner.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "jobs/linked_seams.h"
#include "jobs/progress_dialog.h"
#include "jobs/window_dialogs.h"
#include "jobs/window_link.h"
#include "ui/command_button.h"

namespace jobs {

namespace {

// The dialog is told the rows at most this often: more would only repaint.
constexpr auto kRowsEvery = std::chrono::milliseconds(50);

}  // namespace

// The job's side of the progress: phases and titles go to the window as
// they come, rows at most every kRowsEvery, and the cancel flag is read
// without waiting.
class RunnerProgress : public ui::Progress {
 public:
  RunnerProgress(JobRunner& runner, std::shared_ptr<WindowLink> link) : runner_(runner), link_(std::move(link)) {}

  void Title(const QString& title) override {
    JobRunner& runner = runner_;
    link_->Post([&runner, title] {
      runner.title_ = title;
      runner.Refresh();
    });
  }

  bool Phase(const QString& text, ui::CancelMode mode) override {
    {
      // One lock with Cancel(): a phase that changes a database is either
      // entered before the user's Cancel, which then waits for it, or not at all.
      std::lock_guard lock(mutex_);
      if (cancelled_) return false;
      mode_ = mode;
    }
    lastRows_ = {};
    JobRunner& runner = runner_;
    link_->Post([&runner, text] {
      runner.phase_ = text;
      runner.done_ = -1;
      runner.total_ = ui::kUnknownTotal;
      runner.Refresh();
    });
    return true;
  }

  void Rows(std::int64_t done, std::int64_t total) override {
    auto now = std::chrono::steady_clock::now();
    if (done != total && lastRows_ != std::chrono::steady_clock::time_point{} && now - lastRows_ < kRowsEvery) return;
    lastRows_ = now;
    JobRunner& runner = runner_;
    link_->Post([&runner, done, total] {
      runner.done_ = done;
      runner.total_ = total;
      runner.Refresh();
    });
  }

  bool Cancelled() const override { return cancelled_; }

  // Window's thread. True when the job may be left behind at once.
  bool RequestCancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    return mode_ == ui::CancelMode::kLeaveAtOnce;
  }

 private:
  JobRunner& runner_;
  std::shared_ptr<WindowLink> link_;
  std::mutex mutex_;
  std::atomic<bool> cancelled_ = false;
  ui::CancelMode mode_ = ui::CancelMode::kLeaveAtOnce;
  std::chrono::steady_clock::time_point lastRows_;  // worker only
};

// The runner's dialogs: while a job's box is open, the progress dialog
// waits, so that it never covers the box that the user has to answer.
class AskingDialogs : public WindowDialogs {
 public:
  AskingDialogs(JobRunner& runner, WindowDialogs& dialogs) : runner_(runner), dialogs_(dialogs) {}

  void ShowMessage(const QString& text, const QString& title, std::function<void()> closed) override {
    runner_.BoxOpened();
    dialogs_.ShowMessage(text, title, [this, closed = std::move(closed)] {
      runner_.BoxClosed();
      closed();
    });
  }
  void AskYesNo(const QString& text, const QString& title, std::function<void(bool)> answered) override {
    runner_.BoxOpened();
    dialogs_.AskYesNo(text, title, [this, answered = std::move(answered)](bool yes) {
      runner_.BoxClosed();
      answered(yes);
    });
  }
  void AskText(const QString& prompt, const QString& title, const QString& defaultText,
               std::function<void(ui::Prompter::TextAnswer)> answered) override {
    runner_.BoxOpened();
    dialogs_.AskText(prompt, title, defaultText, [this, answered = std::move(answered)](ui::Prompter::TextAnswer answer) {
      runner_.BoxClosed();
      answered(std::move(answer));
    });
  }

 private:
  JobRunner& runner_;
  WindowDialogs& dialogs_;
};

// Everything of one job: shared by its worker and the runner.
struct JobState {
  JobState(JobRunner& runner, WindowDialogs& dialogs, ui::PointerHost& window)
      : link(WindowLink::Open(runner)), prompter(link, dialogs), pointer(link, window), progress(runner, link) {}

  std::shared_ptr<WindowLink> link;
  LinkedPrompter prompter;
  LinkedPointer pointer;
  RunnerProgress progress;
  std::deque<LinkedList> lists;  // worker only
  std::thread worker;
};

ui::Prompter& JobRunner::Context::Prompter() { return state_.prompter; }
ui::PointerHost& JobRunner::Context::Pointer() { return state_.pointer; }
ui::Progress& JobRunner::Context::Progress() { return state_.progress; }

ui::NameList& JobRunner::Context::Linked(ui::NameList& windowList) {
  return state_.lists.emplace_back(state_.link, windowList);
}

JobRunner::JobRunner(WindowDialogs& dialogs, QWidget* window)
    : dialogs_(std::make_unique<AskingDialogs>(*this, dialogs)), window_(window) {
  showTimer_.setSingleShot(true);
  showTimer_.setInterval(kShowAfterMilliseconds);
  connect(&showTimer_, &QTimer::timeout, this, &JobRunner::ShowDialog);
}

JobRunner::~JobRunner() {
  waiting_.clear();
  if (!current_) return;
  bool leave = current_->progress.RequestCancel();
  current_->link->Close();
  if (leave)
    current_->worker.detach();
  else
    current_->worker.join();  // a change in flight: it ends at the job's next check
}

void JobRunner::Start(ui::PointerHost& pointer, Show show, Job job) {
  bool idle = !Running();
  waiting_.push_back({&pointer, show, std::move(job)});
  if (!idle) return;
  emit runningChanged(true);
  StartNext();
}

void JobRunner::StartNext() {
  if (waiting_.empty()) {
    emit runningChanged(false);
    return;
  }
  Waiting next = std::move(waiting_.front());
  waiting_.pop_front();
  Run(std::move(next));
}

void JobRunner::Run(Waiting next) {
  auto state = std::make_shared<JobState>(*this, *dialogs_, *next.pointer);
  current_ = state;
  title_.clear();
  phase_.clear();
  done_ = -1;
  total_ = ui::kUnknownTotal;
  showWanted_ = next.show == Show::kProgress;
  if (showWanted_ && boxesOpen_ == 0) showTimer_.start();
  state->worker = std::thread([this, state, job = std::move(next.job)]() mutable {
    {
      Context context(*state);
      ui::RunCommand(context.Prompter(), [&] { job(context); });
      job = nullptr;  // what the job holds goes before the window hears of its end
    }
    state->link->Post([this, state] { Ended(state); });
  });
}

void JobRunner::Cancel() {
  if (!current_) return;
  if (current_->progress.RequestCancel()) LeaveBehind();
}

void JobRunner::BoxOpened() {
  ++boxesOpen_;
  showTimer_.stop();
}

void JobRunner::BoxClosed() {
  --boxesOpen_;
  if (boxesOpen_ == 0 && current_ && showWanted_ && !(dialog_ && dialog_->isVisible())) showTimer_.start();
}

void JobRunner::ShowDialog() {
  if (!current_ || boxesOpen_ > 0) return;
  if (!dialog_) {
    dialog_ = new ProgressDialog(window_);
    connect(dialog_, &ProgressDialog::cancelPressed, this, &JobRunner::Cancel);
  }
  dialog_->Open();
  Refresh();
}

void JobRunner::Refresh() {
  if (dialog_ && dialog_->isVisible())
    dialog_->Show(title_.isEmpty() ? ui::kAppTitle : title_, phase_, done_, total_);
}

void JobRunner::Ended(const std::shared_ptr<JobState>& state) {
  if (state != current_) return;
  showTimer_.stop();
  if (dialog_) dialog_->hide();
  state->worker.join();
  current_.reset();
  StartNext();
}

void JobRunner::LeaveBehind() {
  std::shared_ptr<JobState> state = std::move(current_);
  state->link->Close();
  state->pointer.RestoreArrow();
  state->worker.detach();
  showTimer_.stop();
  if (dialog_) dialog_->hide();
  StartNext();
}

}  // namespace jobs
