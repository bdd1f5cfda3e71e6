// The program's one window: the site, account, password and file fields, the
// login, image and upload buttons and the status bar, each control named by
// its control name (UTF-8 of the code page 936 names in uploader/controls.h).
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>

#include <memory>

#include "shell/open_dialog.h"
#include "shell/qt_window_services.h"
#include "text/values.h"

namespace quillon {

class FileDropTarget;

struct MainWindowOptions {
  // Where the edit boxes are loaded from at creation and saved after a login.
  Text settings_path;
  // Shows the image button's dialog; must outlive the window.
  FileChooser* file_chooser = nullptr;
  // Attached to the window at creation when not null; must outlive the window.
  FileDropTarget* drop_target = nullptr;
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window with its controls, size and place, then runs
  // handle_created.
  explicit MainWindow(const MainWindowOptions& options, QWidget* parent = nullptr);

  // The window services for this window's controls.
  QtWindowServices& services() { return *services_; }
  const OpenDialogSettings& dialog_settings() const { return dialog_settings_; }

  // Switches the control skin on, attaches the drop target with
  // handle_file_dropped and loads the edit boxes from the settings file.
  void handle_created();
  // Starts a worker that logs in.
  void handle_login_click();
  // Opens the file dialog; a chosen file fills 编辑框文件 and shapes the next
  // opening; a cancel changes nothing.
  void handle_image_click();
  // Starts a worker that uploads the file.
  void handle_upload_click();

 signals:
  // The user closed the window.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void build_controls();
  // Sizes the client area so that the outer size is 415 x 318 when the window
  // system reports a frame, and centres the window on its screen.
  void fit_to_frame();
  // Gives pane 0 of the status bar its right edge at 50 pixels.
  void fit_status_panes();

  MainWindowOptions options_;
  OpenDialogSettings dialog_settings_;
  QLineEdit* site_box_ = nullptr;
  QLineEdit* account_box_ = nullptr;
  QLineEdit* password_box_ = nullptr;
  QLineEdit* file_box_ = nullptr;
  QPushButton* login_button_ = nullptr;
  QPushButton* image_button_ = nullptr;
  QPushButton* upload_button_ = nullptr;
  QLabel* state_pane_ = nullptr;
  QLabel* message_pane_ = nullptr;
  std::unique_ptr<QtWindowServices> services_;
  // Frame size (width, height) the window was last fitted to; -1 before.
  QSize fitted_frame_{-1, -1};
};

// Sets 编辑框文件 of window to path (NUL-terminated UTF-16), keeping every
// character, also those that code page 936 cannot hold.
void handle_file_dropped(WindowServices& window, const char16_t* path);

}  // namespace quillon
