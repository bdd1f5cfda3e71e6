// The window services over the main window's Qt controls. Controls are named
// by their code page 936 control names; every call that touches a control or
// the clipboard is carried out on the user-interface thread, whichever thread
// makes it.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <atomic>
#include <vector>

#include "shell/ui_dispatcher.h"
#include "uploader/window_services.h"

namespace quillon {

class QtWindowServices : public WindowServices {
 public:
  struct EditBox {
    Text name;
    QLineEdit* widget;
  };

  // Made on the user-interface thread. boxes: the edit boxes in definition
  // order. message_pane: the status bar's message pane. The widgets must
  // outlive every call, and no worker may still be calling when it goes.
  QtWindowServices(std::vector<EditBox> boxes, QLabel* message_pane);

  Text field_text(const Text& box) override;
  void set_field_text(const Text& box, const Text& text) override;
  TextList edit_boxes() override;
  void* field_window(const Text& box) override;
  void set_status_text(const Text& text) override;
  void show_notice(const Text& text) override;
  bool set_clipboard_text(const Text& text) override;
  void start_worker(std::function<void()> routine) override;

  // Workers started by start_worker that have not yet returned, so that tests
  // can wait for them before the window goes away.
  int running_workers() const { return running_workers_.load(); }

 private:
  QLineEdit* find_box(const Text& box) const;

  UiDispatcher ui_;
  std::vector<EditBox> boxes_;
  QLabel* message_pane_;
  std::atomic<int> running_workers_{0};
};

}  // namespace quillon
