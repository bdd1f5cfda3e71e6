#include "shell/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLayout>
#include <QPalette>
#include <QScreen>
#include <QStatusBar>
#include <QWindow>

#include <algorithm>

#include "shell/control_skin.h"
#include "shell/file_drop_target.h"
#include "shell/qt_text.h"
#include "uploader/controls.h"
#include "uploader/login.h"
#include "uploader/settings_file.h"
#include "uploader/upload.h"

namespace quillon {
namespace {

constexpr int kOuterWidth = 415;
constexpr int kOuterHeight = 318;
// The controls reach x = 400 and y = 258 in client coordinates.
constexpr int kControlsRight = 400;
constexpr int kControlsBottom = 258;
constexpr int kStatePaneWidth = 50;

QLineEdit* make_edit_box(QWidget* parent, const Text& name, const QRect& place) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(to_qstring(name));
  edit->setGeometry(place);
  edit->setFrame(true);
  edit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Black on white; the selection is hidden while the box lacks the focus.
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
  edit->setPalette(palette);
  return edit;
}

QLabel* make_label(QWidget* parent, const Text& name, const QString& text, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(to_qstring(name));
  label->setGeometry(place);
  // Drawn without a background of its own: the window shows around the letters.
  label->setAutoFillBackground(false);
  label->setAttribute(Qt::WA_TranslucentBackground);
  return label;
}

QPushButton* make_button(QWidget* parent, const Text& name, const QString& text,
                         const QRect& place) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(to_qstring(name));
  button->setGeometry(place);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

// Names of the transparent labels, which no other part of the program uses.
const Text kSiteLabel{"\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "2"};     // 透明标签2
const Text kAccountLabel{"\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "3"};  // 透明标签3
const Text kPasswordLabel{"\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "4"}; // 透明标签4
const Text kFileLabel{"\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9" "1"};     // 透明标签1

}  // namespace

MainWindow::MainWindow(const MainWindowOptions& options, QWidget* parent)
    : QMainWindow(parent), options_(options) {
  setWindowTitle(QStringLiteral("Quillon"));
  setWindowIcon(QIcon(QStringLiteral(":/quillon/icon.png")));
  // Title bar with system menu, minimise and close; no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  // The button face colour, the usual dialog background.
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);

  build_controls();
  fit_to_frame();

  services_ = std::make_unique<QtWindowServices>(
      // The definition order, which the settings file follows.
      std::vector<QtWindowServices::EditBox>{{kPasswordBox, password_box_},
                                             {kAccountBox, account_box_},
                                             {kSiteBox, site_box_},
                                             {kFileBox, file_box_}},
      message_pane_);

  connect(login_button_, &QPushButton::clicked, this, &MainWindow::handle_login_click);
  connect(image_button_, &QPushButton::clicked, this, &MainWindow::handle_image_click);
  connect(upload_button_, &QPushButton::clicked, this, &MainWindow::handle_upload_click);

  handle_created();
}

void MainWindow::build_controls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  make_label(client, kSiteLabel, QStringLiteral("网址："), {10, 19, 36, 16});
  site_box_ = make_edit_box(client, kSiteBox, {56, 16, 272, 28});
  make_label(client, kAccountLabel, QStringLiteral("账号："), {10, 64, 36, 16});
  account_box_ = make_edit_box(client, kAccountBox, {56, 58, 272, 28});
  make_label(client, kPasswordLabel, QStringLiteral("密码："), {10, 101, 36, 16});
  password_box_ = make_edit_box(client, kPasswordBox, {56, 96, 272, 28});
  password_box_->setEchoMode(QLineEdit::Password);
  // Qt draws the mask with its style's character; this makes it "*". When an
  // application style sheet is already in force, the box only takes the new
  // character from a style change after it has been polished.
  password_box_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
  password_box_->ensurePolished();
  QEvent style_change(QEvent::StyleChange);
  QCoreApplication::sendEvent(password_box_, &style_change);
  login_button_ = make_button(client, kLoginButton, QStringLiteral("登陆"), {334, 58, 66, 66});
  make_label(client, kFileLabel, QStringLiteral("文件："), {10, 157, 36, 16});
  file_box_ = make_edit_box(client, kFileBox, {56, 152, 272, 28});
  image_button_ = make_button(client, kImageButton, QStringLiteral("图像"), {334, 149, 66, 32});
  upload_button_ = make_button(client, kUploadButton, QStringLiteral("上传"), {6, 194, 394, 64});

  setTabOrder(site_box_, account_box_);
  setTabOrder(account_box_, password_box_);
  setTabOrder(password_box_, login_button_);
  setTabOrder(login_button_, file_box_);
  setTabOrder(file_box_, image_button_);
  setTabOrder(image_button_, upload_button_);

  auto* status = new QStatusBar(this);
  status->setObjectName(to_qstring(kStatusBar));
  status->setSizeGripEnabled(false);
  state_pane_ = new QLabel(QStringLiteral("状态："), status);
  state_pane_->setObjectName(QStringLiteral("pane0"));
  message_pane_ = new QLabel(status);
  message_pane_->setObjectName(QStringLiteral("pane1"));
  state_pane_->setFixedWidth(kStatePaneWidth);
  status->addWidget(state_pane_);
  status->addWidget(message_pane_, 1);
  setStatusBar(status);
}

void MainWindow::fit_to_frame() {
  const QRect outer = frameGeometry();
  const QRect inner = geometry();
  const QSize frame(outer.width() - inner.width(), outer.height() - inner.height());
  if (frame == fitted_frame_) return;
  fitted_frame_ = frame;
  // Without a reported frame (no window manager, offscreen) the client area
  // takes the outer size; it must always hold every control and the status bar.
  const int status_height = statusBar()->sizeHint().height();
  const QSize client(std::max(kOuterWidth - frame.width(), kControlsRight),
                     std::max(kOuterHeight - frame.height(), kControlsBottom + status_height));
  setFixedSize(client);
  const QScreen* where = screen();
  if (where == nullptr) return;
  const QRect area = where->geometry();
  move(area.x() + (area.width() - (client.width() + frame.width())) / 2,
       area.y() + (area.height() - (client.height() + frame.height())) / 2);
}

void MainWindow::fit_status_panes() {
  // Pane 0 ends 50 pixels from the bar's left edge: the bar's own left spacing
  // comes off its width once the bar's layout has placed it.
  QLayout* layout = statusBar()->layout();
  if (layout == nullptr) return;
  layout->activate();
  const int width = kStatePaneWidth - state_pane_->x();
  if (width > 0 && width != state_pane_->width()) {
    state_pane_->setFixedWidth(width);
    layout->activate();
  }
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  fit_to_frame();
  fit_status_panes();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // The window manager reports the frame after the window is mapped, which
  // moves the client area; fit once more when the frame has changed.
  fit_to_frame();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  emit closed();
}

void MainWindow::handle_created() {
  apply_control_skin();
  if (options_.drop_target != nullptr) {
    QtWindowServices* services = services_.get();
    options_.drop_target->attach(
        this, [services](const char16_t* path) { handle_file_dropped(*services, path); });
  }
  load_edit_boxes(*services_, options_.settings_path);
}

void MainWindow::handle_login_click() {
  QtWindowServices* services = services_.get();
  const Text settings_path = options_.settings_path;
  services->start_worker([services, settings_path] { log_in(*services, settings_path); });
}

void MainWindow::handle_upload_click() {
  QtWindowServices* services = services_.get();
  services->start_worker([services] { upload_image(*services); });
}

void MainWindow::handle_image_click() {
  if (options_.file_chooser == nullptr) return;
  const std::optional<QString> chosen = options_.file_chooser->choose(this, dialog_settings_);
  if (!chosen) return;
  // The dialog leaves the process in the chosen file's folder, and the next
  // opening starts there.
  QDir::setCurrent(QFileInfo(*chosen).absolutePath());
  dialog_settings_ = settings_after_choice(dialog_settings_, *chosen, QDir::currentPath());
  file_box_->setText(dialog_settings_.file_name);
}

void handle_file_dropped(WindowServices& window, const char16_t* path) {
  // The box holds UTF-16, so a path outside code page 936 shows intact.
  auto* box = static_cast<QLineEdit*>(window.field_window(kFileBox));
  if (box != nullptr) box->setText(to_qstring(path));
}

}  // namespace quillon
