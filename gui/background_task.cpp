#include "gui/background_task.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include <thread>

namespace zembra {
namespace {

bool running = false;
int progress_delay_ms = 500;

}  // namespace

void TaskProgress::Report(const QString& what, int done, int total) {
  std::lock_guard<std::mutex> lock(mutex_);
  step_ = Step{what, done, total};
}

TaskProgress::Step TaskProgress::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return step_;
}

bool BackgroundTaskRunning() {
  return running;
}

void SetProgressDelayMs(int delay) {
  progress_delay_ms = delay;
}

bool RunInBackground(QWidget* parent, const QString& title,
                     const std::function<void(TaskProgress&)>& work) {
  if (running) {
    return false;
  }
  running = true;
  TaskProgress progress;
  std::atomic<bool> finished{false};
  QEventLoop loop;
  std::thread worker([&] {
    work(progress);
    finished.store(true);
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  QPointer<QWidget> owner(parent);
  QPointer<QProgressDialog> dialog;
  QElapsedTimer clock;
  clock.start();
  QTimer tick;
  tick.setInterval(50);
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    if (finished.load()) {
      loop.quit();
      return;
    }
    if (dialog.isNull() && clock.elapsed() >= progress_delay_ms) {
      dialog = new QProgressDialog(owner.data());
      dialog->setObjectName(QStringLiteral("TaskProgress"));
      dialog->setWindowTitle(title);
      dialog->setWindowModality(Qt::WindowModal);
      dialog->setAutoClose(false);
      dialog->setAutoReset(false);
      dialog->setMinimumDuration(0);
      QObject::connect(dialog, &QProgressDialog::canceled, &loop, [&] {
        progress.Cancel();
        dialog->setLabelText(QCoreApplication::translate("zembra", "Stopping…"));
        dialog->setCancelButton(nullptr);
      });
      dialog->show();
    }
    if (!dialog.isNull() && dialog->wasCanceled()) {
      progress.Cancel();
    }
    if (!dialog.isNull() && !progress.Cancelled()) {
      const TaskProgress::Step step = progress.Current();
      dialog->setLabelText(step.what);
      // A total of 0 shows a busy bar.
      dialog->setMaximum(step.total);
      dialog->setValue(step.done);
    }
  });
  tick.start();
  // The quit may have been posted before the loop started; the tick sees it.
  if (!finished.load()) {
    loop.exec();
  }
  // The loop also ends when the application quits; the work is then asked
  // to stop and waited for, so nothing is left half-written.
  if (!finished.load()) {
    progress.Cancel();
  }
  worker.join();
  tick.stop();
  delete dialog.data();
  running = false;
  return true;
}

}  // namespace zembra
