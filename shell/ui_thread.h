// Running a piece of work on the thread that owns a Qt object (the user
// interface thread for widgets) and waiting for it.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <optional>
#include <type_traits>
#include <utility>

namespace quillon {

// Runs work() on context's thread and returns its result once it has run. On
// that thread itself it runs at once (a blocking queued call would deadlock
// there). From any other thread the caller waits while the owning thread's
// event loop carries the call out; if that loop never runs again (the program
// is ending) the caller stays blocked until the process exits.
template <typename Work>
auto run_on_ui_thread(QObject* context, Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if (QThread::currentThread() == context->thread()) return work();
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(context, std::forward<Work>(work), Qt::BlockingQueuedConnection);
  } else {
    std::optional<Result> result;
    QMetaObject::invokeMethod(
        context, [&result, &work] { result.emplace(work()); }, Qt::BlockingQueuedConnection);
    if (result) return std::move(*result);
    return Result{};
  }
}

}  // namespace quillon
