#include "shell/start_up.h"

#include <QApplication>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "http/request_object.h"
#include "uploader/cookie_jar.h"
#include "uploader/settings_file.h"

namespace quillon {

FileDropTarget* drop_target = nullptr;

namespace {

std::vector<void (*)()>& exit_routines() {
  static auto* routines = new std::vector<void (*)()>;  // never destroyed
  return *routines;
}

void run_exit_routines() {
  for (void (*routine)() : exit_routines()) routine();
}

}  // namespace

void release_at_exit() {
  cookie_jar.clear();
  delete drop_target;
  drop_target = nullptr;
}

void register_exit_routine(void (*routine)()) {
  static std::once_flag hooked;
  std::call_once(hooked, [] { std::at_quick_exit(run_exit_routines); });
  auto& routines = exit_routines();
  for (void (*known)() : routines) {
    if (known == routine) return;
  }
  routines.push_back(routine);
}

MainWindow* start_up(FileChooser& file_chooser, const Text& settings_path) {
  http_global_init();
  drop_target = new FileDropTarget;
  register_exit_routine(release_at_exit);
  // Closing the main window ends the loop even while notices are open.
  QApplication::setQuitOnLastWindowClosed(false);
  auto* window = new MainWindow({settings_path, &file_chooser, drop_target});
  QObject::connect(window, &MainWindow::closed, qApp, &QCoreApplication::quit);
  window->show();
  return window;
}

void end_program(int code) { std::quick_exit(code); }

void run_program() {
  // The program takes no arguments; Qt gets only the program's name.
  static int argc = 1;
  static char name[] = "quillon";
  static char* argv[] = {name, nullptr};
  auto* app = new QApplication(argc, argv);  // lives until the process ends
  static QtFileChooser file_chooser;
  start_up(file_chooser, settings_file());
  end_program(app->exec());
}

}  // namespace quillon
