// Receiving files dropped onto a window. Once attached, the window and every
// widget inside it accept drags that carry file URLs, and each dropped local
// file's path goes to a callback; everything else (text drags included) is
// handled as before. The edit boxes thereby never take a dropped file as text.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QEvent;
class QObject;

namespace quillon {

class FileDropTarget {
 public:
  // Called once per dropped file, in the order of the drop, with the file's
  // full path as NUL-terminated UTF-16, valid only during the call.
  using DropCallback = std::function<void(const char16_t* path)>;

  FileDropTarget();
  // Detaches first.
  ~FileDropTarget();
  FileDropTarget(const FileDropTarget&) = delete;
  FileDropTarget& operator=(const FileDropTarget&) = delete;

  // Binds the object to window: the window accepts drops and dropped files go
  // to on_file. Does nothing when already attached (the first window and
  // callback stay in force).
  void attach(QWidget* window, DropCallback on_file);
  // Undoes attach: drops are refused again as before attach. No effect when
  // detached.
  void detach();
  bool attached() const;

  // Looks at one event for a widget of the attached window. A drag entering or
  // moving with file URLs is accepted; a drop with URLs calls on_file once for
  // each local file (none for zero files) and is accepted. Returns true when
  // the event was consumed here, false to let it go on unchanged.
  bool handle_message(QObject* watched, QEvent* event);

 private:
  class EventFilter;

  bool belongs_to_window(QObject* watched) const;

  QPointer<QWidget> window_;
  DropCallback on_file_;
  // The installed filter; null while detached.
  std::unique_ptr<EventFilter> filter_;
  // Whether the window accepted drops before attach, restored by detach.
  bool window_accepted_drops_ = false;
};

}  // namespace quillon
