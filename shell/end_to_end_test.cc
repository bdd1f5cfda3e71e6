// The real window against the loopback test forum: typing the fields, logging
// in, saving the settings, uploading a picture and finding its address on the
// clipboard; and a refused upload's notice and empty clipboard.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "shell/file_drop_target.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "uploader/controls.h"
#include "uploader/testing/test_forum.h"
#include "uploader/upload.h"

namespace quillon {
namespace {

struct Fixture {
  testing::TestForum forum;
  QTemporaryDir dir;
  QtFileChooser chooser;
  FileDropTarget drop_target;
  QString settings_path = dir.filePath(QStringLiteral("config.ini"));
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(
      MainWindowOptions{Text(settings_path.toStdString()), &chooser, &drop_target});

  template <typename T>
  T* control(const char* utf8_name) {
    return window->findChild<T*>(QString::fromUtf8(utf8_name));
  }
  QString message() {
    return control<QStatusBar>("状态条1")->findChild<QLabel*>(QStringLiteral("pane1"))->text();
  }
  void type(const char* box, const QString& text) {
    auto* edit = control<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  void click(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
  // Shows the window, types the forum's address and the demo account, clicks
  // 登陆 and waits for the login worker to report success and end.
  void log_in_by_typing() {
    QVERIFY(forum.port() != 0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    type("编辑框网址", QString::fromStdString(forum.base_url()));
    type("编辑框用户名", QStringLiteral("demo"));
    type("编辑框密码", QStringLiteral("demo"));
    click("按钮login");
    QTRY_COMPARE_WITH_TIMEOUT(message(), QStringLiteral("登陆成功"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(window->services().running_workers(), 0, 20000);
  }
};

QString write_file(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return path;
}

QMessageBox* open_notice() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  }
  return nullptr;
}

}  // namespace

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void LogInThenUploadPutsTheAddressOnTheClipboard();
  void RefusedUploadShowsANoticeAndEmptiesTheClipboard();
};

void EndToEndTest::LogInThenUploadPutsTheAddressOnTheClipboard() {
  Fixture f;
  f.log_in_by_typing();
  if (QTest::currentTestFailed()) return;
  QCOMPARE(f.forum.logins(), 1);

  // The login saved every edit box, the password in plain text.
  QFile settings(f.settings_path);
  QVERIFY(settings.open(QIODevice::ReadOnly));
  const QByteArray saved = settings.readAll();
  QVERIFY(saved.contains("[" + QByteArray(kSettingsSection.c_str()) + "]"));
  QVERIFY(saved.contains(QByteArray(kPasswordBox.c_str()) + "=demo"));
  QVERIFY(saved.contains(QByteArray(kAccountBox.c_str()) + "=demo"));
  QVERIFY(saved.contains(QByteArray(kSiteBox.c_str()) + "=" + QByteArray::fromStdString(f.forum.base_url())));

  const QByteArray picture("\x89PNG\r\n\x1a\n\0picture bytes", 22);
  const QString path = write_file(f.dir, QStringLiteral("cat.png"), picture);
  f.control<QLineEdit>("编辑框文件")->setText(path);
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  f.click("按钮1");
  QTRY_COMPARE_WITH_TIMEOUT(f.message(), QStringLiteral("上传成功，已经复制"), 20000);
  QTRY_COMPARE_WITH_TIMEOUT(f.window->services().running_workers(), 0, 20000);

  const auto uploads = f.forum.uploads();
  QCOMPARE(uploads.size(), size_t{1});
  QCOMPARE(QByteArray::fromStdString(uploads[0].data), picture);
  // The name goes out percent-encoded byte by byte.
  QCOMPARE(QString::fromStdString(testing::form_decode(uploads[0].filename)), QStringLiteral("cat.png"));
  QVERIFY(!uploads[0].stored_name.empty());
  const QString address = to_qstring(image_host_base) + QStringLiteral("/u/demo/") +
                          QString::fromStdString(uploads[0].stored_name);
  QCOMPARE(QGuiApplication::clipboard()->text(), address);
  QVERIFY(open_notice() == nullptr);
}

void EndToEndTest::RefusedUploadShowsANoticeAndEmptiesTheClipboard() {
  Fixture f;
  f.log_in_by_typing();
  if (QTest::currentTestFailed()) return;

  // An empty file: the forum refuses it.
  const QString path = write_file(f.dir, QStringLiteral("empty.png"), QByteArray());
  f.control<QLineEdit>("编辑框文件")->setText(path);
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  f.click("按钮1");
  QTRY_VERIFY_WITH_TIMEOUT(open_notice() != nullptr, 20000);
  QMessageBox* notice = open_notice();
  QCOMPARE(notice->windowTitle(), QStringLiteral("提示"));
  QVERIFY(notice->text().startsWith(QStringLiteral("上传失败，")));
  QVERIFY(notice->text().contains(QStringLiteral("no file")));
  // The worker waits for the notice; the window is not blocked meanwhile.
  QCOMPARE(f.window->services().running_workers(), 1);
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  QTest::mouseClick(notice->button(QMessageBox::Ok), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(f.window->services().running_workers(), 0, 20000);
  QCOMPARE(QGuiApplication::clipboard()->text(), QString());
  QVERIFY(QGuiApplication::clipboard()->mimeData()->hasText());
}

}  // namespace quillon

QTEST_MAIN(quillon::EndToEndTest)
#include "end_to_end_test.moc"
