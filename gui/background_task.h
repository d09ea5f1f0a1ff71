#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

class QWidget;

namespace zembra {

// What long work running off the UI thread tells the window, and how the
// window asks it to stop. Safe to use from both threads.
class TaskProgress {
 public:
  // The step being done now, shown in the progress dialog.
  void Report(const QString& what, int done, int total);
  bool Cancelled() const { return cancelled_.load(); }
  void Cancel() { cancelled_.store(true); }

  struct Step {
    QString what;
    int done = 0;
    int total = 0;
  };
  Step Current() const;

 private:
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  Step step_;
};

// Runs `work` on a worker thread and returns when it has ended; meanwhile the
// event loop keeps turning, so every window repaints and answers. After about
// half a second a progress dialog shows the current step and offers Cancel,
// which asks the work to stop (the work decides where it can stop safely).
// Returns false, running nothing, while another task is still running.
bool RunInBackground(QWidget* parent, const QString& title,
                     const std::function<void(TaskProgress&)>& work);

// True while a task runs; commands started meanwhile do nothing.
bool BackgroundTaskRunning();

// How long the work runs before the progress dialog appears (tests shorten it).
void SetProgressDelayMs(int delay);

}  // namespace zembra
