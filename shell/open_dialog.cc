#include "shell/open_dialog.h"

#include <QFileDialog>

namespace quillon {

OpenDialogSettings settings_after_choice(const OpenDialogSettings& before,
                                         const QString& chosen_path,
                                         const QString& current_directory) {
  OpenDialogSettings after = before;
  after.initial_directory = current_directory;
  after.filter = kImageFilter;
  after.file_name = chosen_path;
  return after;
}

QStringList qt_name_filters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString& patterns = parts[i + 1];
    // An empty part ends the list, as the "||" that closes a filter text does.
    if (description.isEmpty() || patterns.isEmpty()) break;
    QString spaced = patterns;
    spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << description + QStringLiteral(" (") + spaced + QLatin1Char(')');
  }
  return filters;
}

std::optional<QString> QtFileChooser::choose(QWidget* parent,
                                             const OpenDialogSettings& settings) {
  QFileDialog dialog(parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Only an existing file in an existing folder can be chosen.
  dialog.setFileMode(QFileDialog::ExistingFile);
  const QStringList filters = qt_name_filters(settings.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);  // the first is preselected
  if (!settings.initial_directory.isEmpty()) dialog.setDirectory(settings.initial_directory);
  // A full path also moves the dialog to the file's folder.
  if (!settings.file_name.isEmpty()) dialog.selectFile(settings.file_name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

}  // namespace quillon
