#include "shell/ui_dispatcher.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace quillon {

UiDispatcher::UiDispatcher() : ui_thread_(std::this_thread::get_id()) {
  wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd_ >= 0) {
    notifier_ = std::make_unique<QSocketNotifier>(wake_fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
  }
}

UiDispatcher::~UiDispatcher() {
  notifier_.reset();
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

void UiDispatcher::push(const std::shared_ptr<Task>& task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(task);
  }
  const std::uint64_t one = 1;
  // The counter only wakes the loop; a full counter still leaves it readable.
  [[maybe_unused]] const ssize_t written = ::write(wake_fd_, &one, sizeof one);
}

void UiDispatcher::run(const std::function<void()>& work) {
  if (on_ui_thread()) {
    work();
    return;
  }
  if (wake_fd_ < 0) {
    // No eventfd could be had: fall back on Qt's own blocking queued call.
    QMetaObject::invokeMethod(&fallback_, work, Qt::BlockingQueuedConnection);
    return;
  }
  auto task = std::make_shared<Task>();
  task->work = work;
  task->waited_for = true;
  push(task);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&task] { return task->done; });
}

void UiDispatcher::post(std::function<void()> work) {
  if (wake_fd_ < 0) {
    QMetaObject::invokeMethod(&fallback_, std::move(work), Qt::QueuedConnection);
    return;
  }
  auto task = std::make_shared<Task>();
  task->work = std::move(work);
  push(task);
}

void UiDispatcher::drain() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = ::read(wake_fd_, &count, sizeof count);
  for (;;) {
    std::shared_ptr<Task> task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task->work();
    if (task->waited_for) {
      std::lock_guard lock(mutex_);
      task->done = true;
      finished_.notify_all();
    }
  }
}

}  // namespace quillon
