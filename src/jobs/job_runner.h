// Runs a window's commands as jobs, one at a time, each on a worker thread
// of its own, while the window's thread stays free to repaint and answer.
// A command started while another runs waits for it, as a click on a busy
// window always waited for the command before it.
// A job reaches the window only through its Context, whose parts carry each
// call over to the window's thread, and reports its progress there; the
// window shows it in the progress dialog when the job has worked for a
// moment (time spent waiting for the user's answer in a box does not
// count), and the dialog's Cancel sets the job's cancel flag.
//
// Cancel in a phase that changes nothing leaves the job behind at once: its
// link is closed (later calls are dropped, its questions answered No), the
// dialog goes and the hourglass with it, and the worker ends on its own.
// In a phase that changes a database the job stops at its next check and
// reports what it did. A runner that ends (the program closing) cancels its
// job and waits only for a job that is changing a database.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "ui/mouse_pointer.h"
#include "ui/name_list.h"
#include "ui/progress.h"
#include "ui/prompter.h"

class QWidget;

namespace jobs {

class ProgressDialog;
class WindowDialogs;
struct JobState;

class JobRunner : public QObject {
  Q_OBJECT

 public:
  // What a job works with on its worker thread.
  class Context {
   public:
    explicit Context(JobState& state) : state_(state) {}
    ui::Prompter& Prompter();
    ui::PointerHost& Pointer();
    ui::Progress& Progress();
    // One of the window's lists, as the job reaches it.
    ui::NameList& Linked(ui::NameList& windowList);

   private:
    JobState& state_;
  };
  using Job = std::function<void(Context&)>;

  enum class Show { kProgress, kNothing };
  // A job still running after this is shown in the progress dialog.
  static constexpr int kShowAfterMilliseconds = 300;

  // `dialogs` answer the jobs' questions; the progress dialog is `window`'s.
  JobRunner(WindowDialogs& dialogs, QWidget* window);
  ~JobRunner() override;

  // Starts `job` for the window `pointer`, or after the jobs before it.
  void Start(ui::PointerHost& pointer, Show show, Job job);
  // True while a job runs or waits.
  bool Running() const { return current_ != nullptr || !waiting_.empty(); }

  // What the progress dialog's Cancel does.
  void Cancel();

 signals:
  void runningChanged(bool running);

 private:
  friend class RunnerProgress;
  friend class AskingDialogs;
  void BoxOpened();
  void BoxClosed();
  void ShowDialog();
  void Refresh();
  struct Waiting {
    ui::PointerHost* pointer;
    Show show;
    Job job;
  };
  void Run(Waiting next);
  void Ended(const std::shared_ptr<JobState>& state);
  void LeaveBehind();
  void StartNext();

  std::unique_ptr<WindowDialogs> dialogs_;  // the given ones, telling the runner of each box
  QWidget* window_;
  ProgressDialog* dialog_ = nullptr;  // made when first shown
  QTimer showTimer_;
  bool showWanted_ = false;
  int boxesOpen_ = 0;
  std::shared_ptr<JobState> current_;
  std::deque<Waiting> waiting_;
  // What the dialog shows, as the job last reported it.
  QString title_;
  QString phase_;
  std::int64_t done_ = -1;
  std::int64_t total_ = ui::kUnknownTotal;
};

}  // namespace jobs
