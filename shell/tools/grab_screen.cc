// Saves a picture of the whole screen of the display it runs on:
// grab_screen <output.png>. Used under Xvfb beside a running quillon to take
// the window's screenshot from outside the program.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) return 2;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 1;
  return screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
