// Carries work from any thread to the user-interface thread. The hand-over
// uses a mutex-guarded queue and an eventfd that wakes the thread's event
// loop, so every hand-over is visible to the thread sanitizer (Qt's own queued
// calls synchronise inside Qt, which is not instrumented).
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace quillon {

class UiDispatcher {
 public:
  // Must be made on the user-interface thread, whose event loop runs the work.
  UiDispatcher();
  // No thread may be waiting in run() any more.
  ~UiDispatcher();
  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  bool on_ui_thread() const { return std::this_thread::get_id() == ui_thread_; }

  // Runs work on the user-interface thread and returns when it has run. On
  // that thread itself it runs at once. From another thread the caller waits
  // for the event loop; if the loop never runs again (the program is ending)
  // the caller stays blocked until the process exits.
  void run(const std::function<void()>& work);
  // Queues work for the user-interface thread and returns at once.
  void post(std::function<void()> work);

 private:
  struct Task {
    std::function<void()> work;
    bool waited_for = false;
    bool done = false;
  };

  void push(const std::shared_ptr<Task>& task);
  // Runs every queued task; called by the notifier on the user-interface thread.
  void drain();

  const std::thread::id ui_thread_;
  int wake_fd_ = -1;  // owned; closed by the destructor
  std::unique_ptr<QSocketNotifier> notifier_;
  // Lives on the user-interface thread; receives Qt's queued calls when there
  // is no eventfd.
  QObject fallback_;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<std::shared_ptr<Task>> tasks_;
};

}  // namespace quillon
