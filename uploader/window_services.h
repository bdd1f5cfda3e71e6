// What the login, the upload and the settings file need of the window. The Qt
// window implements it; tests use a fake. Controls are named by the window's
// control names, as code page 936 Texts (see controls.h).
#pragma once

#include <functional>

#include "text/values.h"

namespace quillon {

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // The edit box's current text in code page 936 (unrepresentable characters
  // come back as "?"); empty for an unknown name. Safe from any thread.
  virtual Text field_text(const Text& box) = 0;
  // Replaces the edit box's text. Safe from any thread.
  virtual void set_field_text(const Text& box, const Text& text) = 0;
  // The names of the window's edit boxes in definition order.
  virtual TextList edit_boxes() = 0;
  // The native object behind an edit box (a QLineEdit* in the Qt window); null
  // for an unknown name.
  virtual void* field_window(const Text& box) = 0;
  // Sets the status bar's message pane. Safe from any thread.
  virtual void set_status_text(const Text& text) = 0;
  // A notice with caption "提示" and an OK button; returns when it is closed.
  // Blocks only the calling thread.
  virtual void show_notice(const Text& text) = 0;
  // Puts plain text on the clipboard (an empty text clears it); true when written.
  virtual bool set_clipboard_text(const Text& text) = 0;
  // Runs routine on a new detached thread.
  virtual void start_worker(std::function<void()> routine) = 0;
};

}  // namespace quillon
