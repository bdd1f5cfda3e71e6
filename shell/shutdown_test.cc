// Closing the main window while one worker is in the middle of a request and
// another waits on an open notice: the program's own start-up and end run, the
// process ends at once, and release_at_exit has run before the later exit
// routine. Exit codes: 0 passed (set by that later routine), 2 the set-up did
// not come about in time, 3 release_at_exit had not run, 4 the exit routines
// did not run at all.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "shell/qt_text.h"
#include "shell/start_up.h"
#include "uploader/controls.h"
#include "uploader/cookie_jar.h"
#include "uploader/testing/test_forum.h"

namespace {

using namespace quillon;

// Runs after release_at_exit (registered after it).
void check_released() {
  if (drop_target != nullptr || !cookie_jar.get().empty()) {
    std::fputs("release_at_exit did not run before the later exit routine\n", stderr);
    std::_Exit(3);
  }
  std::_Exit(0);
}

bool notice_open() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMessageBox*>(widget) && widget->isVisible()) return true;
  }
  return false;
}

}  // namespace

int main() {
  static int argc = 1;
  static char name[] = "shutdown_test";
  static char* argv[] = {name, nullptr};
  auto* app = new QApplication(argc, argv);

  // Held uploads stay on the wire until the server lets them go (long after
  // this test is over).
  testing::ForumOptions options;
  options.hold_uploads = true;
  options.hold_timeout = std::chrono::milliseconds(60000);
  auto* forum = new testing::TestForum(options);
  auto* dir = new QTemporaryDir;
  static QtFileChooser chooser;

  MainWindow* window =
      start_up(chooser, Text(dir->filePath(QStringLiteral("config.ini")).toStdString()));
  register_exit_routine(check_released);
  register_exit_routine(release_at_exit);  // already registered: no effect
  QtWindowServices& services = window->services();
  auto* message = window->findChild<QStatusBar*>(to_qstring(kStatusBar))->findChild<QLabel*>("pane1");

  services.set_field_text(kSiteBox, Text(forum->base_url()));
  services.set_field_text(kAccountBox, Text("demo"));
  services.set_field_text(kPasswordBox, Text("demo"));
  services.set_field_text(kFileBox, Text(dir->filePath(QStringLiteral("a.png")).toStdString()));
  {
    QFile picture(dir->filePath(QStringLiteral("a.png")));
    if (picture.open(QIODevice::WriteOnly)) picture.write("picture");
  }
  window->handle_login_click();

  // Steps, polled from the loop: logged in -> upload held and a notice open ->
  // close the window.
  auto* poll = new QTimer;
  int stage = 0;
  int polls = 0;
  QObject::connect(poll, &QTimer::timeout, [&] {
    if (++polls > 1500) {  // 30 s
      std::fprintf(stderr, "stuck at stage %d\n", stage);
      std::_Exit(2);
    }
    if (stage == 0 && message->text() == QStringLiteral("登陆成功") && services.running_workers() == 0) {
      stage = 1;
      window->handle_upload_click();
      services.start_worker([&services] { services.show_notice(Text("waiting")); });
    } else if (stage == 1 && forum->held_uploads() == 1 && notice_open() &&
               services.running_workers() == 2) {
      stage = 2;
      window->close();
    }
  });
  poll->start(20);

  app->exec();
  if (stage != 2) std::_Exit(2);
  end_program(4);
}
