#include "shell/qt_window_services.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

#include <future>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "shell/qt_text.h"
#include "shell/ui_thread.h"
#include "uploader/controls.h"

namespace quillon {
namespace {

// A notice: caption "提示", the text, one OK button, no icon, no owner.
QMessageBox* make_notice(const QString& text) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, to_qstring(kNoticeCaption), text,
                              QMessageBox::Ok);
  // The main window's closing ends the program; an open notice must not keep
  // the application alive, nor must closing a notice end it.
  box->setAttribute(Qt::WA_QuitOnClose, false);
  return box;
}

}  // namespace

QtWindowServices::QtWindowServices(QObject* ui_context, std::vector<EditBox> boxes,
                                   QLabel* message_pane)
    : ui_context_(ui_context), boxes_(std::move(boxes)), message_pane_(message_pane) {}

QLineEdit* QtWindowServices::find_box(const Text& box) const {
  for (const EditBox& entry : boxes_) {
    if (entry.name == box) return entry.widget;
  }
  return nullptr;
}

Text QtWindowServices::field_text(const Text& box) {
  QLineEdit* edit = find_box(box);
  if (edit == nullptr) return {};
  // text() is the typed text, also in password mode (displayText() is the mask).
  return run_on_ui_thread(ui_context_, [edit] { return to_text(edit->text()); });
}

void QtWindowServices::set_field_text(const Text& box, const Text& text) {
  QLineEdit* edit = find_box(box);
  if (edit == nullptr) return;
  run_on_ui_thread(ui_context_, [edit, &text] { edit->setText(to_qstring(text)); });
}

TextList QtWindowServices::edit_boxes() {
  TextList names;
  for (const EditBox& entry : boxes_) list_append(names, entry.name);
  return names;
}

void* QtWindowServices::field_window(const Text& box) { return find_box(box); }

void QtWindowServices::set_status_text(const Text& text) {
  run_on_ui_thread(ui_context_, [this, &text] { message_pane_->setText(to_qstring(text)); });
}

void QtWindowServices::show_notice(const Text& text) {
  const QString message = to_qstring(text);
  if (QThread::currentThread() == ui_context_->thread()) {
    std::unique_ptr<QMessageBox> box(make_notice(message));
    box->exec();
    return;
  }
  // From a worker: the box lives on the user-interface thread, non-modal, so
  // the window stays usable and several notices can be open at once; only
  // this worker waits until the user closes it.
  auto closed = std::make_shared<std::promise<void>>();
  std::future<void> done = closed->get_future();
  QMetaObject::invokeMethod(
      ui_context_,
      [message, closed] {
        QMessageBox* box = make_notice(message);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        QObject::connect(box, &QDialog::finished, box, [closed] { closed->set_value(); },
                         Qt::SingleShotConnection);
        box->show();
      },
      Qt::QueuedConnection);
  done.wait();
}

bool QtWindowServices::set_clipboard_text(const Text& text) {
  // QClipboard belongs to the user-interface thread.
  return run_on_ui_thread(ui_context_, [&text] {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setText(to_qstring(text));
    return true;
  });
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
