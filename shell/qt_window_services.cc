#include "shell/qt_window_services.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "shell/qt_text.h"
#include "uploader/controls.h"

namespace quillon {
namespace {

// A notice: caption "提示", the text, one OK button, no icon, no owner.
QMessageBox* make_notice(const Text& text) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, to_qstring(kNoticeCaption), to_qstring(text),
                              QMessageBox::Ok);
  // The main window's closing ends the program; an open notice must not keep
  // the application alive, nor must closing a notice end it.
  box->setAttribute(Qt::WA_QuitOnClose, false);
  return box;
}

// Lets a worker wait until its notice is closed.
struct NoticeClosed {
  std::mutex mutex;
  std::condition_variable changed;
  bool closed = false;
};

}  // namespace

QtWindowServices::QtWindowServices(std::vector<EditBox> boxes, QLabel* message_pane)
    : boxes_(std::move(boxes)), message_pane_(message_pane) {}

QLineEdit* QtWindowServices::find_box(const Text& box) const {
  for (const EditBox& entry : boxes_) {
    if (entry.name == box) return entry.widget;
  }
  return nullptr;
}

Text QtWindowServices::field_text(const Text& box) {
  QLineEdit* edit = find_box(box);
  if (edit == nullptr) return {};
  Text text;
  // text() is the typed text, also in password mode (displayText() is the mask).
  ui_.run([edit, &text] { text = to_text(edit->text()); });
  return text;
}

void QtWindowServices::set_field_text(const Text& box, const Text& text) {
  QLineEdit* edit = find_box(box);
  if (edit == nullptr) return;
  ui_.run([edit, &text] { edit->setText(to_qstring(text)); });
}

TextList QtWindowServices::edit_boxes() {
  TextList names;
  for (const EditBox& entry : boxes_) list_append(names, entry.name);
  return names;
}

void* QtWindowServices::field_window(const Text& box) { return find_box(box); }

void QtWindowServices::set_status_text(const Text& text) {
  ui_.run([this, &text] { message_pane_->setText(to_qstring(text)); });
}

void QtWindowServices::show_notice(const Text& text) {
  if (ui_.on_ui_thread()) {
    std::unique_ptr<QMessageBox> box(make_notice(text));
    box->exec();
    return;
  }
  // From a worker: the box lives on the user-interface thread, non-modal, so
  // the window stays usable and several notices can be open at once; only
  // this worker waits until the user closes it.
  auto wait = std::make_shared<NoticeClosed>();
  ui_.post([text, wait] {
    QMessageBox* box = make_notice(text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QObject::connect(
        box, &QDialog::finished, box,
        [wait] {
          std::lock_guard lock(wait->mutex);
          wait->closed = true;
          wait->changed.notify_all();
        },
        Qt::SingleShotConnection);
    box->show();
  });
  std::unique_lock lock(wait->mutex);
  wait->changed.wait(lock, [&wait] { return wait->closed; });
}

bool QtWindowServices::set_clipboard_text(const Text& text) {
  // QClipboard belongs to the user-interface thread.
  bool written = false;
  ui_.run([&text, &written] {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return;
    clipboard->setText(to_qstring(text));
    written = true;
  });
  return written;
}

void QtWindowServices::start_worker(std::function<void()> routine) {
  ++running_workers_;
  try {
    std::thread([this, routine = std::move(routine)] {
      routine();
      --running_workers_;
    }).detach();
  } catch (const std::system_error&) {
    // The thread could not be started: the routine does not run, and nothing
    // is reported.
    --running_workers_;
  }
}

}  // namespace quillon
