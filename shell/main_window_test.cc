// The main window: its controls, frame and place, the password box, the
// skin, drops onto the window, the image dialog's states and the fields'
// loading at creation.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "shell/file_drop_target.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "uploader/controls.h"

namespace quillon {
namespace {

// Stands in for the user at the file dialog: answers in turn, and records the
// settings each opening was given.
class ScriptedChooser : public FileChooser {
 public:
  std::deque<std::optional<QString>> answers;
  std::vector<OpenDialogSettings> openings;

  std::optional<QString> choose(QWidget*, const OpenDialogSettings& settings) override {
    openings.push_back(settings);
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// A main window with a settings file in a fresh folder, a scripted dialog and
// its own drop target.
struct Fixture {
  QTemporaryDir dir;
  ScriptedChooser chooser;
  FileDropTarget drop_target;
  std::unique_ptr<MainWindow> window;

  explicit Fixture(const QByteArray& settings = {}) {
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    if (!settings.isEmpty()) {
      QFile file(path);
      if (file.open(QIODevice::WriteOnly)) file.write(settings);
    }
    window = std::make_unique<MainWindow>(
        MainWindowOptions{Text(path.toStdString()), &chooser, &drop_target});
  }

  template <typename T>
  T* control(const char* utf8_name) {
    return window->findChild<T*>(QString::fromUtf8(utf8_name));
  }
};

void drop_files(QWidget* widget, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  data.setText(paths.join(QLatin1Char('\n')));
  QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &enter);
  QDropEvent drop(QPointF(3, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &drop);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup();
  void ControlsHaveTheirNamesKindsPlacesAndTexts();
  void StatusBarHasTwoPanesAndNoSizeGrip();
  void WindowIsFixedCentredAndCannotMaximise();
  void PasswordBoxShowsStarsAndGivesTheTypedText();
  void SkinDrawsTheFlatFrameOnControlsMadeLater();
  void EditBoxesComeInDefinitionOrder();
  void FieldsAreLoadedFromTheSettingsFile();
  void DroppedFilesFillTheFileField();
  void PathOutsideCodePage936StaysIntactInTheField();
  void ImageDialogKeepsItsStateBetweenOpenings();
  void StatusTextFillsTheMessagePane();
};

void MainWindowTest::cleanup() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }

void MainWindowTest::ControlsHaveTheirNamesKindsPlacesAndTexts() {
  Fixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  struct {
    const char* name;
    const char* kind;
    const char* text;
    QRect place;
  } cases[] = {
      {"透明标签2", "QLabel", "网址：", {10, 19, 36, 16}},
      {"编辑框网址", "QLineEdit", "", {56, 16, 272, 28}},
      {"透明标签3", "QLabel", "账号：", {10, 64, 36, 16}},
      {"编辑框用户名", "QLineEdit", "", {56, 58, 272, 28}},
      {"透明标签4", "QLabel", "密码：", {10, 101, 36, 16}},
      {"编辑框密码", "QLineEdit", "", {56, 96, 272, 28}},
      {"按钮login", "QPushButton", "登陆", {334, 58, 66, 66}},
      {"透明标签1", "QLabel", "文件：", {10, 157, 36, 16}},
      {"编辑框文件", "QLineEdit", "", {56, 152, 272, 28}},
      {"按钮2", "QPushButton", "图像", {334, 149, 66, 32}},
      {"按钮1", "QPushButton", "上传", {6, 194, 394, 64}},
  };
  for (const auto& c : cases) {
    QWidget* widget = f.control<QWidget>(c.name);
    QVERIFY2(widget != nullptr, c.name);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), QString::fromLatin1(c.kind));
    // Client coordinates: relative to the window's client area.
    const QRect place(widget->mapTo(f.window.get(), QPoint(0, 0)), widget->size());
    QCOMPARE(place, c.place);
    QVERIFY2(widget->isVisible(), c.name);
    const QString text = QString::fromUtf8(c.text);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      QCOMPARE(label->text(), text);
      QVERIFY(!label->autoFillBackground());
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      QCOMPARE(edit->text(), text);
      QVERIFY(edit->hasFrame());
      QCOMPARE(edit->maxLength(), 32767);  // Qt's largest: no limit of our own
      const bool password = QString::fromUtf8(c.name) == QStringLiteral("编辑框密码");
      QCOMPARE(edit->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      QCOMPARE(button->text(), text);
      QVERIFY(!button->isDefault());
      QVERIFY(!button->autoDefault());
    }
  }
  // The dialog has no window until it is opened.
  QVERIFY(f.window->findChildren<QDialog*>().isEmpty());
}

void MainWindowTest::StatusBarHasTwoPanesAndNoSizeGrip() {
  Fixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  auto* bar = f.control<QStatusBar>("状态条1");
  QVERIFY(bar != nullptr);
  QVERIFY(!bar->isSizeGripEnabled());
  // Docked along the bottom edge, the window's full width, below the controls.
  const QRect place(bar->mapTo(f.window.get(), QPoint(0, 0)), bar->size());
  QCOMPARE(place.left(), 0);
  QCOMPARE(place.width(), f.window->width());
  QCOMPARE(place.bottom(), f.window->height() - 1);
  QVERIFY(place.top() >= 258);

  const QList<QLabel*> panes = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  QCOMPARE(panes.size(), 2);
  QLabel* first = panes[0]->x() < panes[1]->x() ? panes[0] : panes[1];
  QLabel* second = first == panes[0] ? panes[1] : panes[0];
  QCOMPARE(first->text(), QStringLiteral("状态："));
  QCOMPARE(first->geometry().right() + 1, 50);
  QVERIFY(second->text().isEmpty());
  QVERIFY(second->x() >= 50);
  // The message pane runs to the right edge (less the bar's own frame).
  QVERIFY(second->geometry().right() >= bar->width() - 8);
}

void MainWindowTest::WindowIsFixedCentredAndCannotMaximise() {
  Fixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  MainWindow& w = *f.window;
  QCOMPARE(w.windowTitle(), QStringLiteral("Quillon"));
  QVERIFY(!w.windowIcon().isNull());
  const Qt::WindowFlags flags = w.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
  QVERIFY(flags.testFlag(Qt::WindowTitleHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
  QCOMPARE(w.minimumSize(), w.maximumSize());
  QCOMPARE(w.frameGeometry().size(), QSize(415, 318));
  const QRect screen = w.screen()->geometry();
  QCOMPARE(w.frameGeometry().topLeft(),
           QPoint(screen.x() + (screen.width() - 415) / 2, screen.y() + (screen.height() - 318) / 2));
  // The button face colour behind the controls.
  QCOMPARE(w.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
  QVERIFY(w.autoFillBackground());
}

void MainWindowTest::PasswordBoxShowsStarsAndGivesTheTypedText() {
  Fixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  auto* password = f.control<QLineEdit>("编辑框密码");
  QVERIFY(password != nullptr);
  password->setFocus();
  QTest::keyClicks(password, QStringLiteral("s3cr+t%"));
  QCOMPARE(password->displayText(), QStringLiteral("*******"));
  QCOMPARE(f.window->services().field_text(kPasswordBox), Text("s3cr+t%"));
}

void MainWindowTest::SkinDrawsTheFlatFrameOnControlsMadeLater() {
  Fixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  const QColor frame(123, 158, 189);
  auto* upload = f.control<QPushButton>("按钮1");
  QVERIFY(upload != nullptr);
  const QImage button = upload->grab().toImage();
  QCOMPARE(button.pixelColor(0, button.height() / 2), frame);
  QCOMPARE(button.pixelColor(button.width() / 2, 0), frame);
  // Gradient face: lighter at the top than at the bottom.
  const QColor top = button.pixelColor(button.width() / 2, 3);
  const QColor bottom = button.pixelColor(button.width() / 2, button.height() - 4);
  QVERIFY(top.lightness() > bottom.lightness());

  // A control created after the window (as in a dialog) is skinned as well.
  QWidget later;
  auto* edit = new QLineEdit(&later);
  edit->setFocusPolicy(Qt::NoFocus);  // the focus look has a darker frame
  edit->resize(120, 28);
  later.resize(140, 40);
  later.show();
  QVERIFY(QTest::qWaitForWindowExposed(&later));
  const QImage box = edit->grab().toImage();
  QCOMPARE(box.pixelColor(0, box.height() / 2), frame);
  QCOMPARE(box.pixelColor(box.width() / 2, box.height() / 2), QColor(Qt::white));
}

void MainWindowTest::EditBoxesComeInDefinitionOrder() {
  Fixture f;
  const TextList expect{kPasswordBox, kAccountBox, kSiteBox, kFileBox};
  QVERIFY(f.window->services().edit_boxes() == expect);
  // field_window gives the box of that name, and null for other names.
  for (const Text& name : expect) {
    auto* box = static_cast<QLineEdit*>(f.window->services().field_window(name));
    QVERIFY(box != nullptr);
    QCOMPARE(box->objectName(), to_qstring(name));
  }
  QVERIFY(f.window->services().field_window(kLoginButton) == nullptr);
  QVERIFY(f.window->services().field_text(kStatusBar).empty());
}

void MainWindowTest::FieldsAreLoadedFromTheSettingsFile() {
  // 936 bytes, CR LF lines: site, account and an encoded two-line file value;
  // the password is stored empty and so keeps its start text.
  QByteArray ini;
  ini += "[" + QByteArray(kSettingsSection.c_str()) + "]\r\n";
  ini += QByteArray(kSiteBox.c_str()) + "=http://127.0.0.1:1\r\n";
  ini += QByteArray(kAccountBox.c_str()) + "=\xD5\xC5\xC8\xFD\r\n";  // 张三
  ini += QByteArray(kPasswordBox.c_str()) + "=\r\n";
  ini += QByteArray(kFileBox.c_str()) + "=a#\xD2\xFD\xBA\xC5" "b\r\n";  // a#引号b
  Fixture f(ini);
  QCOMPARE(f.control<QLineEdit>("编辑框网址")->text(), QStringLiteral("http://127.0.0.1:1"));
  QCOMPARE(f.control<QLineEdit>("编辑框用户名")->text(), QStringLiteral("张三"));
  QCOMPARE(f.control<QLineEdit>("编辑框密码")->text(), QString());
  QCOMPARE(f.control<QLineEdit>("编辑框文件")->text(), QStringLiteral("a\"b"));
}

void MainWindowTest::DroppedFilesFillTheFileField() {
  Fixture f;
  f.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
  auto* file_box = f.control<QLineEdit>("编辑框文件");
  auto* site_box = f.control<QLineEdit>("编辑框网址");
  struct {
    const char* over;
    QStringList paths;
    QString expect;
  } cases[] = {
      {"按钮1", {QStringLiteral("/tmp/one.png")}, QStringLiteral("/tmp/one.png")},
      {"编辑框网址", {QStringLiteral("/tmp/two.jpg")}, QStringLiteral("/tmp/two.jpg")},
      {"透明标签3", {QStringLiteral("/tmp/a.png"), QStringLiteral("/tmp/b.png"),
                    QStringLiteral("/tmp/c.png")},
       QStringLiteral("/tmp/c.png")},
      {"状态条1", {QStringLiteral("/tmp/bar.gif")}, QStringLiteral("/tmp/bar.gif")},
      // Zero files: the field keeps what it had.
      {"编辑框文件", {}, QStringLiteral("/tmp/bar.gif")},
  };
  for (const auto& c : cases) {
    QWidget* target = f.control<QWidget>(c.over);
    QVERIFY2(target != nullptr, c.over);
    drop_files(target, c.paths);
    QCOMPARE(file_box->text(), c.expect);
  }
  // Over the background (the client area itself).
  drop_files(f.window->centralWidget(), {QStringLiteral("/tmp/back.bmp")});
  QCOMPARE(file_box->text(), QStringLiteral("/tmp/back.bmp"));
  QVERIFY(site_box->text().isEmpty());
}

void MainWindowTest::PathOutsideCodePage936StaysIntactInTheField() {
  Fixture f;
  const QString path = QStringLiteral("/tmp/사진/😀.png");
  drop_files(f.window->centralWidget(), {path});
  QCOMPARE(f.control<QLineEdit>("编辑框文件")->text(), path);
  // Read in code page 936, the characters it lacks come back as "?"; the
  // surrogate pair of the emoji is one character.
  QCOMPARE(f.window->services().field_text(kFileBox), Text("/tmp/?" "?/?.png"));
}

void MainWindowTest::ImageDialogKeepsItsStateBetweenOpenings() {
  Fixture f;
  const QString folder = f.dir.filePath(QStringLiteral("pics"));
  QVERIFY(QDir().mkpath(folder));
  const QString picture = folder + QStringLiteral("/cat.png");
  const QString other = f.dir.path() + QStringLiteral("/dog.gif");
  const QString start_dir = QDir::currentPath();
  auto* file_box = f.control<QLineEdit>("编辑框文件");
  file_box->setText(QStringLiteral("typed"));

  // A cancelled first opening changes nothing.
  f.chooser.answers = {std::nullopt, picture, std::nullopt, other};
  f.window->handle_image_click();
  QCOMPARE(f.chooser.openings.back(), OpenDialogSettings{});
  QCOMPARE(f.window->dialog_settings(), OpenDialogSettings{});
  QCOMPARE(file_box->text(), QStringLiteral("typed"));
  QCOMPARE(QDir::currentPath(), start_dir);

  // The next opening still lists all files; the choice fills the field and
  // moves the current directory to the file's folder.
  f.window->handle_image_click();
  QCOMPARE(f.chooser.openings.back(), OpenDialogSettings{});
  QCOMPARE(file_box->text(), picture);
  QCOMPARE(QDir(QDir::currentPath()).canonicalPath(), QDir(folder).canonicalPath());
  const OpenDialogSettings after_first{kImageFilter, QDir::currentPath(), picture};
  QCOMPARE(f.window->dialog_settings(), after_first);

  // Later openings filter images and start at the chosen file; a cancel keeps that.
  f.window->handle_image_click();
  QCOMPARE(f.chooser.openings.back(), after_first);
  QCOMPARE(f.window->dialog_settings(), after_first);
  QCOMPARE(file_box->text(), picture);

  f.window->handle_image_click();
  QCOMPARE(f.chooser.openings.back(), after_first);
  QCOMPARE(file_box->text(), other);
  QCOMPARE(f.window->dialog_settings().file_name, other);
  QCOMPARE(QDir(f.window->dialog_settings().initial_directory).canonicalPath(),
           QDir(f.dir.path()).canonicalPath());
  QCOMPARE(f.chooser.openings.size(), size_t{4});
}

void MainWindowTest::StatusTextFillsTheMessagePane() {
  Fixture f;
  auto* bar = f.control<QStatusBar>("状态条1");
  f.window->services().set_status_text(kLoginSucceeded);
  const QList<QLabel*> panes = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  QStringList texts;
  for (QLabel* pane : panes) texts << pane->text();
  texts.sort();
  QStringList expect{QStringLiteral("状态："), QStringLiteral("登陆成功")};
  expect.sort();
  QCOMPARE(texts, expect);
}

}  // namespace quillon

QTEST_MAIN(quillon::MainWindowTest)
#include "main_window_test.moc"
