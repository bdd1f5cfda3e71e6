// The image dialog's filter conversion, its settings after a choice, and Qt's
// file dialog as QtFileChooser sets it up.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
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
// inspects it and decides whether to accept (true) or cancel it. A warning box
// that the dialog raises instead of accepting is closed and counts as a cancel.
std::optional<QString> choose_with(const OpenDialogSettings& settings,
                                   const std::function<bool(QFileDialog*)>& look,
                                   bool* dialog_seen) {
  *dialog_seen = false;
  int polls = 0;
  bool answered = false;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QFileDialog* dialog = open_file_dialog();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
        box->reject();
        if (dialog != nullptr) static_cast<QDialog*>(dialog)->reject();
        return;
      }
    }
    // Bounded: whatever happens, the dialog is cancelled after 10 s.
    if (++polls > 500) {
      if (dialog != nullptr) static_cast<QDialog*>(dialog)->reject();
      poll.stop();
      return;
    }
    if (dialog == nullptr || answered) return;
    answered = true;
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
  void FirstOpeningListsAllFilesAndCancelGivesNothing();
  void LaterOpeningFiltersImagesAndStartsAtTheChosenFile();
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

void OpenDialogTest::FirstOpeningListsAllFilesAndCancelGivesNothing() {
  bool seen = false;
  QStringList filters;
  bool native = true;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QFileDialog::AcceptMode accept_mode = QFileDialog::AcceptSave;
  const auto chosen = choose_with(
      OpenDialogSettings{},
      [&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        mode = dialog->fileMode();
        accept_mode = dialog->acceptMode();
        return false;
      },
      &seen);
  QVERIFY(seen);
  QVERIFY(!native);
  QCOMPARE(mode, QFileDialog::ExistingFile);
  QCOMPARE(accept_mode, QFileDialog::AcceptOpen);
  // Qt's "all files" filter; no image filter yet.
  QVERIFY(filters.size() <= 1);
  QVERIFY(filters.isEmpty() || !filters.first().contains(QStringLiteral("*.jpg")));
  QVERIFY(!chosen.has_value());
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

}  // namespace quillon

QTEST_MAIN(quillon::OpenDialogTest)
#include "open_dialog_test.moc"
