// The window services called from worker threads while the user-interface
// thread runs its loop: field and status round trips, notices that leave the
// window usable, the clipboard and start_worker.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QMimeData>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "uploader/controls.h"

namespace quillon {
namespace {

// Runs work on its own thread. The test's thread keeps its event loop turning
// (QTRY_*) while it waits for done().
class Worker {
 public:
  explicit Worker(std::function<void()> work)
      : thread_([this, work = std::move(work)] {
          work();
          done_ = true;
        }) {}
  ~Worker() {
    // A worker still blocked on the user-interface thread needs its events.
    QElapsedTimer waited;
    waited.start();
    while (!done_ && waited.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (done_) {
      thread_.join();
    } else {
      thread_.detach();
    }
  }
  bool done() const { return done_; }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

struct Fixture {
  QTemporaryDir dir;
  QtFileChooser chooser;
  std::unique_ptr<MainWindow> window;
  Fixture() {
    window = std::make_unique<MainWindow>(MainWindowOptions{
        Text(dir.filePath(QStringLiteral("config.ini")).toStdString()), &chooser, nullptr});
    window->show();
  }
  QLineEdit* box(const char* name) { return window->findChild<QLineEdit*>(QString::fromUtf8(name)); }
  QLabel* message_pane() {
    return window->findChild<QStatusBar*>(QStringLiteral("状态条1"))->findChild<QLabel*>(QStringLiteral("pane1"));
  }
};

// The notices open now, in no particular order.
QList<QMessageBox*> open_notices() {
  QList<QMessageBox*> boxes;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) boxes << box;
  }
  return boxes;
}

QMessageBox* notice_with_text(const QString& text) {
  for (QMessageBox* box : open_notices()) {
    if (box->text() == text) return box;
  }
  return nullptr;
}

}  // namespace

class QtWindowServicesTest : public QObject {
  Q_OBJECT

 private slots:
  void FieldsAndStatusRoundTripFromAWorker();
  void WorkerNoticeWaitsWhileTheWindowStaysUsable();
  void NoticeOnTheInterfaceThreadRunsItsOwnLoop();
  void ClipboardGetsTheTextOrAnEmptyText();
  void StartWorkerRunsTheRoutineOnAnotherThread();
};

void QtWindowServicesTest::FieldsAndStatusRoundTripFromAWorker() {
  Fixture f;
  QtWindowServices& services = f.window->services();
  // Every change must happen on the user-interface thread.
  QThread* const ui_thread = QThread::currentThread();
  bool changed_elsewhere = false;
  QObject::connect(f.box("编辑框网址"), &QLineEdit::textChanged,
                   [&] { changed_elsewhere |= QThread::currentThread() != ui_thread; });
  f.box("编辑框密码")->setText(QStringLiteral("pw&1"));

  Text site_read;
  Text password_read;
  Text unknown_read{"not empty"};
  Worker worker([&] {
    services.set_field_text(kSiteBox, Text("http://127.0.0.1:8/\xB8\xF1"));  // 格
    site_read = services.field_text(kSiteBox);
    password_read = services.field_text(kPasswordBox);
    unknown_read = services.field_text(Text("no such box"));
    services.set_field_text(Text("no such box"), Text("x"));
    services.set_status_text(kUploadSucceeded);
  });
  QTRY_VERIFY_WITH_TIMEOUT(worker.done(), 10000);
  QCOMPARE(site_read, Text("http://127.0.0.1:8/\xB8\xF1"));
  QCOMPARE(f.box("编辑框网址")->text(), QStringLiteral("http://127.0.0.1:8/格"));
  QCOMPARE(password_read, Text("pw&1"));
  QVERIFY(unknown_read.empty());
  QVERIFY(!changed_elsewhere);
  QCOMPARE(f.message_pane()->text(), QStringLiteral("上传成功，已经复制"));
}

void QtWindowServicesTest::WorkerNoticeWaitsWhileTheWindowStaysUsable() {
  Fixture f;
  QtWindowServices& services = f.window->services();
  Worker first([&] { services.show_notice(Text("first \xCC\xE1\xCA\xBE")); });  // first 提示
  Worker second([&] { services.show_notice(Text("second")); });
  QTRY_VERIFY_WITH_TIMEOUT(open_notices().size() == 2, 10000);

  QMessageBox* box = notice_with_text(QStringLiteral("first 提示"));
  QVERIFY(box != nullptr);
  QCOMPARE(box->windowTitle(), QStringLiteral("提示"));
  QCOMPARE(box->icon(), QMessageBox::NoIcon);
  QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(box->parentWidget() == nullptr);
  QCOMPARE(box->windowModality(), Qt::NonModal);
  // Nothing blocks the main window while both are open.
  QVERIFY(QApplication::activeModalWidget() == nullptr);
  QVERIFY(QGuiApplication::modalWindow() == nullptr);
  QVERIFY(!first.done());
  QVERIFY(!second.done());
  // The window still takes work while the workers wait: a third worker's
  // field change goes through.
  Worker third([&] { services.set_field_text(kAccountBox, Text("demo")); });
  QTRY_VERIFY_WITH_TIMEOUT(third.done(), 10000);
  QCOMPARE(f.box("编辑框用户名")->text(), QStringLiteral("demo"));

  // Pressing OK on the first lets only its worker go on.
  QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(first.done(), 10000);
  QVERIFY(!second.done());
  QTRY_COMPARE_WITH_TIMEOUT(open_notices().size(), 1, 10000);
  QMessageBox* other = open_notices().first();
  QCOMPARE(other->text(), QStringLiteral("second"));
  // Closing by the title bar counts as well.
  other->close();
  QTRY_VERIFY_WITH_TIMEOUT(second.done(), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(open_notices().isEmpty(), 10000);
}

void QtWindowServicesTest::NoticeOnTheInterfaceThreadRunsItsOwnLoop() {
  Fixture f;
  bool seen = false;
  int polls = 0;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QMessageBox* box = notice_with_text(QStringLiteral("here"));
    if (box == nullptr) {
      if (++polls > 500) QApplication::exit();  // bounded
      return;
    }
    seen = true;
    poll.stop();
    box->button(QMessageBox::Ok)->click();
  });
  poll.start();
  f.window->services().show_notice(Text("here"));
  QVERIFY(seen);
}

void QtWindowServicesTest::ClipboardGetsTheTextOrAnEmptyText() {
  Fixture f;
  QtWindowServices& services = f.window->services();
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(QStringLiteral("old content"));

  struct {
    const char* what;
    Text text;
    QString expect;
  } cases[] = {
      {"address", Text("http://images.example.com/u/ab/abc.png"),
       QStringLiteral("http://images.example.com/u/ab/abc.png")},
      {"936 text", Text("\xC9\xCF\xB4\xAB"), QStringLiteral("上传")},
      {"empty", Text(), QString()},
  };
  for (const auto& c : cases) {
    bool written = false;
    Worker worker([&] { written = services.set_clipboard_text(c.text); });
    QTRY_VERIFY_WITH_TIMEOUT(worker.done(), 10000);
    QVERIFY2(written, c.what);
    QCOMPARE(clipboard->text(), c.expect);
    const QMimeData* data = clipboard->mimeData();
    QVERIFY(data != nullptr);
    QVERIFY2(data->hasText(), c.what);  // plain text, also when empty
  }
  // From the user-interface thread itself it runs directly.
  QVERIFY(services.set_clipboard_text(Text("direct")));
  QCOMPARE(clipboard->text(), QStringLiteral("direct"));
}

void QtWindowServicesTest::StartWorkerRunsTheRoutineOnAnotherThread() {
  Fixture f;
  QtWindowServices& services = f.window->services();
  std::atomic<int> ran{0};
  std::atomic<bool> other_thread{true};
  const std::thread::id ui = std::this_thread::get_id();
  for (int i = 0; i < 3; ++i) {
    services.start_worker([&] {
      if (std::this_thread::get_id() == ui) other_thread = false;
      // A worker reaching the window while the starter waits in its loop.
      services.set_status_text(Text("w"));
      ++ran;
    });
  }
  QTRY_VERIFY_WITH_TIMEOUT(ran == 3 && services.running_workers() == 0, 10000);
  QVERIFY(other_thread);
  QCOMPARE(f.message_pane()->text(), QStringLiteral("w"));
}

}  // namespace quillon

QTEST_MAIN(quillon::QtWindowServicesTest)
#include "qt_window_services_test.moc"
