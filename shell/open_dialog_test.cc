// The image dialog's filter conversion, its settings after a choice, and Qt's
// file dialog as QtFileChooser sets it up.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QFileInfo>

#include <functional>
#include <optional>

#include "shell/open_dialog.h"

namespace quillon {
namespace {

// The file dialog currently open, or null.
QFileDialog* open_file_dialog() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
      return dialog;
    }
  }
  return nullptr;
}

// Runs chooser.choose with settings; while the dialog is open, look(dialog)
// inspects it and decides whether to accept (true) or cancel it.
std::optional<QString> choose_with(const OpenDialogSettings& settings,
                                   const std::function<bool(QFileDialog*)>& look,
                                   bool* dialog_seen) {
  *dialog_seen = false;
  int polls = 0;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QFileDialog* dialog = open_file_dialog();
    if (dialog == nullptr) {
      // Bounded: a dialog that never opens must not hang the test.
      if (++polls > 500) QApplication::exit();
      return;
    }
    poll.stop();
    *dialog_seen = true;
    if (look(dialog)) {
      static_cast<QDialog*>(dialog)->accept();  // public in QDialog
    } else {
      static_cast<QDialog*>(dialog)->reject();
    }
  });
  poll.start();
  QtFileChooser chooser;
  return chooser.choose(nullptr, settings);
}

}  // namespace

class OpenDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void FilterTextBecomesQtNameFilters();
  void ChoiceSetsFilterDirectoryAndFileName();
  void FirstOpeningListsAllFiles();
  void LaterOpeningFiltersImagesAndStartsAtTheChosenFile();
  void CancelGivesNothing();
};

void OpenDialogTest::FilterTextBecomesQtNameFilters() {
  struct {
    QString filter;
    QStringList expect;
  } cases[] = {
      {QString(), {}},
      {kImageFilter, {QStringLiteral("图像文件 (*.jpg *.png *.bmp *.jpeg *.gif)")}},
      {QStringLiteral("Text|*.txt||"), {QStringLiteral("Text (*.txt)")}},
      {QStringLiteral("A|*.a|B|*.b;*.c"), {QStringLiteral("A (*.a)"), QStringLiteral("B (*.b *.c)")}},
      {QStringLiteral("A|*.a||B|*.b"), {QStringLiteral("A (*.a)")}},
      {QStringLiteral("A|"), {}},
      {QStringLiteral("lonely"), {}},
  };
  for (const auto& c : cases) {
    QCOMPARE(qt_name_filters(c.filter), c.expect);
  }
}

void OpenDialogTest::ChoiceSetsFilterDirectoryAndFileName() {
  const OpenDialogSettings first;
  const OpenDialogSettings after =
      settings_after_choice(first, QStringLiteral("/p/q/a.png"), QStringLiteral("/p/q"));
  QCOMPARE(after.filter, kImageFilter);
  QCOMPARE(after.initial_directory, QStringLiteral("/p/q"));
  QCOMPARE(after.file_name, QStringLiteral("/p/q/a.png"));
  // A second choice replaces directory and name.
  const OpenDialogSettings again =
      settings_after_choice(after, QStringLiteral("/r/b.gif"), QStringLiteral("/r"));
  QCOMPARE(again, (OpenDialogSettings{kImageFilter, QStringLiteral("/r"),
                                      QStringLiteral("/r/b.gif")}));
}

void OpenDialogTest::FirstOpeningListsAllFiles() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString text_file = dir.filePath(QStringLiteral("notes.txt"));
  QFile file(text_file);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();

  bool seen = false;
  QStringList filters;
  bool native = true;
  const auto chosen = choose_with(
      OpenDialogSettings{},
      [&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        dialog->setDirectory(dir.path());
        dialog->selectFile(text_file);
        return true;
      },
      &seen);
  QVERIFY(seen);
  QVERIFY(!native);
  // Qt's "all files" filter; no image filter yet.
  QVERIFY(filters.size() <= 1);
  QVERIFY(filters.isEmpty() || !filters.first().contains(QStringLiteral("*.jpg")));
  QVERIFY(chosen.has_value());
  QCOMPARE(QFileInfo(*chosen).canonicalFilePath(), QFileInfo(text_file).canonicalFilePath());
}

void OpenDialogTest::LaterOpeningFiltersImagesAndStartsAtTheChosenFile() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString picture = dir.filePath(QStringLiteral("pic.png"));
  QFile file(picture);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  const OpenDialogSettings settings{kImageFilter, dir.path(), picture};

  bool seen = false;
  QStringList filters;
  QString selected_filter;
  QString directory;
  QStringList selected;
  const auto chosen = choose_with(
      settings,
      [&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        selected_filter = dialog->selectedNameFilter();
        directory = dialog->directory().canonicalPath();
        selected = dialog->selectedFiles();
        return true;
      },
      &seen);
  QVERIFY(seen);
  const QString image_filter = QStringLiteral("图像文件 (*.jpg *.png *.bmp *.jpeg *.gif)");
  QCOMPARE(filters, QStringList{image_filter});
  QCOMPARE(selected_filter, image_filter);
  QCOMPARE(directory, QDir(dir.path()).canonicalPath());
  QCOMPARE(selected.size(), 1);
  QCOMPARE(QFileInfo(selected.first()).canonicalFilePath(), QFileInfo(picture).canonicalFilePath());
  QVERIFY(chosen.has_value());
  QCOMPARE(QFileInfo(*chosen).canonicalFilePath(), QFileInfo(picture).canonicalFilePath());
}

void OpenDialogTest::CancelGivesNothing() {
  bool seen = false;
  const auto chosen = choose_with(OpenDialogSettings{}, [](QFileDialog*) { return false; }, &seen);
  QVERIFY(seen);
  QVERIFY(!chosen.has_value());
}

}  // namespace quillon

QTEST_MAIN(quillon::OpenDialogTest)
#include "open_dialog_test.moc"
