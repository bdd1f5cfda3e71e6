#include "shell/file_drop_target.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QEvent>
#include <QMimeData>
#include <QObject>
#include <QUrl>

#include <string>

namespace quillon {

// Qt hands drag and drop to the widget under the cursor (or the nearest
// ancestor that accepts drops) as events. One filter on the application sees
// those events before any widget does, so a drop over an edit box or a button
// reaches handle_message just like one over the background. Qt delivers drops
// from every process alike, so there is no message filter to open for drops
// from less privileged programs.
class FileDropTarget::EventFilter : public QObject {
 public:
  explicit EventFilter(FileDropTarget& target) : target_(target) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    return target_.handle_message(watched, event);
  }

 private:
  FileDropTarget& target_;
};

FileDropTarget::FileDropTarget() = default;

FileDropTarget::~FileDropTarget() { detach(); }

bool FileDropTarget::attached() const { return filter_ != nullptr; }

void FileDropTarget::attach(QWidget* window, DropCallback on_file) {
  if (attached() || window == nullptr) return;
  window_ = window;
  on_file_ = std::move(on_file);
  filter_ = std::make_unique<EventFilter>(*this);
  window_accepted_drops_ = window->acceptDrops();
  // Qt only offers a drag to widgets (or their ancestors) that accept drops;
  // the window accepting them lets drags over buttons and labels reach it.
  window->setAcceptDrops(true);
  QCoreApplication::instance()->installEventFilter(filter_.get());
}

void FileDropTarget::detach() {
  if (!attached()) return;
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(filter_.get());
  filter_.reset();
  if (window_) window_->setAcceptDrops(window_accepted_drops_);
}

bool FileDropTarget::belongs_to_window(QObject* watched) const {
  if (!window_ || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  // isAncestorOf stops at window boundaries, so dialogs opened over the main
  // window keep their own drop handling.
  return widget == window_ || window_->isAncestorOf(widget);
}

bool FileDropTarget::handle_message(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  if (!belongs_to_window(watched)) return false;
  auto* drag = static_cast<QDropEvent*>(event);
  const QMimeData* data = drag->mimeData();
  if (data == nullptr || !data->hasUrls()) return false;

  if (type != QEvent::Drop) {
    drag->acceptProposedAction();
    return true;
  }
  // The whole path goes to the callback, however long: cutting it to a fixed
  // buffer would hand on a path that names a different file or none.
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const std::u16string path = url.toLocalFile().toStdU16String();
    if (on_file_) on_file_(path.c_str());
  }
  drag->acceptProposedAction();
  return true;
}

}  // namespace quillon
