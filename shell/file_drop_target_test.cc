// FileDropTarget over a small window: drops over the background and over child
// controls, several and zero files, attach and detach.
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "shell/file_drop_target.h"

namespace quillon {
namespace {

// A window with an edit box, a button and an inner panel holding another edit box.
struct SmallWindow {
  QWidget window;
  QLineEdit* edit;
  QPushButton* button;
  QWidget* panel;
  QLineEdit* inner_edit;

  SmallWindow()
      : edit(new QLineEdit(&window)),
        button(new QPushButton(QStringLiteral("b"), &window)),
        panel(new QWidget(&window)),
        inner_edit(new QLineEdit(panel)) {
    window.resize(300, 200);
    edit->setGeometry(10, 10, 100, 24);
    button->setGeometry(10, 50, 100, 24);
    panel->setGeometry(10, 90, 200, 80);
    inner_edit->setGeometry(5, 5, 100, 24);
  }
};

std::unique_ptr<QMimeData> file_drag(const QStringList& paths, const QString& text = {}) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data->setUrls(urls);
  if (!text.isEmpty()) data->setText(text);
  return data;
}

// Sends drag-enter, drag-move and drop to widget; returns whether each was accepted.
struct DragOutcome {
  bool enter_accepted;
  bool move_accepted;
  bool drop_accepted;
};

DragOutcome drag_onto(QWidget* widget, const QMimeData* data) {
  const QPoint at(2, 2);
  QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &enter);
  QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
  QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &drop);
  return {enter.isAccepted(), move.isAccepted(), drop.isAccepted()};
}

QStringList to_strings(const std::vector<std::u16string>& paths) {
  QStringList out;
  for (const auto& path : paths) out << QString::fromStdU16String(path);
  return out;
}

}  // namespace

class FileDropTargetTest : public QObject {
  Q_OBJECT

 private slots:
  void DropAnywhereOnTheWindowReachesTheCallback();
  void SeveralFilesCallBackOncePerFileInOrder();
  void DropWithoutLocalFilesCallsNothing();
  void TextDragsStillReachTheEditBox();
  void OtherWindowsKeepTheirOwnDrops();
  void SecondAttachChangesNothing();
  void DetachRefusesDropsAgain();
};

void FileDropTargetTest::DropAnywhereOnTheWindowReachesTheCallback() {
  SmallWindow w;
  std::vector<std::u16string> got;
  FileDropTarget target;
  target.attach(&w.window, [&got](const char16_t* path) { got.emplace_back(path); });
  QVERIFY(w.window.acceptDrops());

  const QString long_path = QStringLiteral("/tmp/") + QString(600, QLatin1Char('x')) +
                            QStringLiteral(".png");
  struct {
    const char* where;
    QWidget* widget;
    QString path;
  } cases[] = {
      {"background", &w.window, QStringLiteral("/tmp/a.png")},
      {"edit box", w.edit, QStringLiteral("/tmp/b c.jpg")},
      {"button", w.button, QStringLiteral("/tmp/图像.gif")},
      {"edit box inside a panel", w.inner_edit, QStringLiteral("/tmp/사진😀.png")},
      {"path longer than 499 characters", &w.window, long_path},
  };
  for (const auto& c : cases) {
    got.clear();
    // The drag also carries plain text, which an edit box would otherwise take.
    const auto data = file_drag({c.path}, QStringLiteral("dropped text"));
    const DragOutcome outcome = drag_onto(c.widget, data.get());
    QVERIFY2(outcome.enter_accepted && outcome.move_accepted && outcome.drop_accepted, c.where);
    QCOMPARE(to_strings(got), QStringList{c.path});
  }
  QVERIFY(w.edit->text().isEmpty());
  QVERIFY(w.inner_edit->text().isEmpty());
}

void FileDropTargetTest::SeveralFilesCallBackOncePerFileInOrder() {
  SmallWindow w;
  std::vector<std::u16string> got;
  FileDropTarget target;
  target.attach(&w.window, [&got](const char16_t* path) { got.emplace_back(path); });
  const QStringList paths{QStringLiteral("/tmp/1.png"), QStringLiteral("/tmp/2.png"),
                          QStringLiteral("/tmp/3.png")};
  const auto data = file_drag(paths);
  QVERIFY(drag_onto(w.edit, data.get()).drop_accepted);
  QCOMPARE(to_strings(got), paths);
}

void FileDropTargetTest::DropWithoutLocalFilesCallsNothing() {
  SmallWindow w;
  int calls = 0;
  FileDropTarget target;
  target.attach(&w.window, [&calls](const char16_t*) { ++calls; });

  auto none = std::make_unique<QMimeData>();
  none->setUrls({});
  drag_onto(&w.window, none.get());
  auto remote = std::make_unique<QMimeData>();
  remote->setUrls({QUrl(QStringLiteral("http://example.com/a.png"))});
  drag_onto(&w.window, remote.get());
  QCOMPARE(calls, 0);
}

void FileDropTargetTest::TextDragsStillReachTheEditBox() {
  SmallWindow w;
  int calls = 0;
  FileDropTarget target;
  target.attach(&w.window, [&calls](const char16_t*) { ++calls; });
  auto text = std::make_unique<QMimeData>();
  text->setText(QStringLiteral("plain"));
  const DragOutcome outcome = drag_onto(w.edit, text.get());
  // The edit box's own handling accepts the text and inserts it.
  QVERIFY(outcome.enter_accepted);
  QCOMPARE(w.edit->text(), QStringLiteral("plain"));
  QCOMPARE(calls, 0);
}

void FileDropTargetTest::OtherWindowsKeepTheirOwnDrops() {
  SmallWindow w;
  // A second top-level window, child of the first as a dialog would be.
  auto* dialog = new QWidget(&w.window, Qt::Dialog);
  auto* dialog_edit = new QLineEdit(dialog);
  int calls = 0;
  FileDropTarget target;
  target.attach(&w.window, [&calls](const char16_t*) { ++calls; });
  const auto data = file_drag({QStringLiteral("/tmp/a.png")}, QStringLiteral("/tmp/a.png"));
  drag_onto(dialog_edit, data.get());
  QCOMPARE(calls, 0);
  QCOMPARE(dialog_edit->text(), QStringLiteral("/tmp/a.png"));
}

void FileDropTargetTest::SecondAttachChangesNothing() {
  SmallWindow first;
  SmallWindow second;
  int first_calls = 0;
  int second_calls = 0;
  FileDropTarget target;
  target.attach(&first.window, [&first_calls](const char16_t*) { ++first_calls; });
  target.attach(&second.window, [&second_calls](const char16_t*) { ++second_calls; });
  QVERIFY(target.attached());
  QVERIFY(!second.window.acceptDrops());

  const auto data = file_drag({QStringLiteral("/tmp/a.png")});
  drag_onto(&first.window, data.get());
  QVERIFY(!drag_onto(&second.window, data.get()).drop_accepted);
  QCOMPARE(first_calls, 1);
  QCOMPARE(second_calls, 0);
}

void FileDropTargetTest::DetachRefusesDropsAgain() {
  SmallWindow w;
  int calls = 0;
  {
    FileDropTarget target;
    target.attach(&w.window, [&calls](const char16_t*) { ++calls; });
    target.detach();
    QVERIFY(!target.attached());
    QVERIFY(!w.window.acceptDrops());
    const auto data = file_drag({QStringLiteral("/tmp/a.png")});
    const DragOutcome outcome = drag_onto(&w.window, data.get());
    QVERIFY(!outcome.enter_accepted);
    QVERIFY(!outcome.drop_accepted);
    drag_onto(w.edit, data.get());
    QCOMPARE(calls, 0);

    // Attaching again works after a detach.
    target.attach(&w.window, [&calls](const char16_t*) { ++calls; });
    drag_onto(w.button, data.get());
    QCOMPARE(calls, 1);
  }
  // The destructor detaches too.
  QVERIFY(!w.window.acceptDrops());
  const auto data = file_drag({QStringLiteral("/tmp/a.png")});
  QVERIFY(!drag_onto(&w.window, data.get()).drop_accepted);
  QCOMPARE(calls, 1);
}

}  // namespace quillon

QTEST_MAIN(quillon::FileDropTargetTest)
#include "file_drop_target_test.moc"
