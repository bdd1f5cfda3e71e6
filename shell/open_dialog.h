// The file-open dialog of the image button: its settings, kept between
// openings, and the seam that shows it, so tests can stand in for the user.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace quillon {

// Filter of the image types, as description and patterns joined by "|".
inline const QString kImageFilter = QStringLiteral("图像文件|*.jpg;*.png;*.bmp;*.jpeg;*.gif");

struct OpenDialogSettings {
  // Pairs of description and ";"-separated patterns, every part joined to the
  // next by "|"; empty lists all files.
  QString filter;
  // Where the dialog starts; empty leaves the choice to the dialog.
  QString initial_directory;
  // Offered as the starting file name; empty offers none.
  QString file_name;

  friend bool operator==(const OpenDialogSettings&, const OpenDialogSettings&) = default;
};

// The settings after the user chose chosen_path (a full path) while the
// process's current directory is current_directory: the next opening lists
// the image types, starts in current_directory and offers chosen_path.
OpenDialogSettings settings_after_choice(const OpenDialogSettings& before,
                                         const QString& chosen_path,
                                         const QString& current_directory);

// A "|"-joined filter as Qt name filters, one per pair: "图像文件|*.jpg;*.png"
// gives {"图像文件 (*.jpg *.png)"}. A trailing "||" or "|" ends the list; a
// description without patterns is dropped; empty gives an empty list.
QStringList qt_name_filters(const QString& filter);

// Shows an open-an-existing-file dialog with the given settings.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen file's full path, or nothing when the user cancels.
  virtual std::optional<QString> choose(QWidget* parent, const OpenDialogSettings& settings) = 0;
};

// Qt's own file dialog (not the platform's, so the application's style sheet
// reaches it), modal over parent.
class QtFileChooser : public FileChooser {
 public:
  std::optional<QString> choose(QWidget* parent, const OpenDialogSettings& settings) override;
};

}  // namespace quillon
