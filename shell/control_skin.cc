#include "shell/control_skin.h"

#include <QApplication>

namespace quillon {

QString control_skin_style_sheet() {
  return QStringLiteral(R"(
QLineEdit, QAbstractSpinBox, QComboBox {
  border: 1px solid rgb(123, 158, 189);
  background: white;
  color: black;
  padding: 1px 3px;
}
QLineEdit:focus, QAbstractSpinBox:focus, QComboBox:focus {
  border-color: rgb(72, 118, 160);
}
QLineEdit:disabled, QAbstractSpinBox:disabled, QComboBox:disabled {
  background: rgb(240, 240, 240);
  color: rgb(128, 128, 128);
}
QPushButton {
  border: 1px solid rgb(123, 158, 189);
  background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                              stop: 0 rgb(255, 255, 255), stop: 1 rgb(214, 227, 240));
  color: black;
  padding: 3px 10px;
}
QPushButton:hover {
  background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                              stop: 0 rgb(255, 255, 255), stop: 1 rgb(190, 214, 238));
}
QPushButton:pressed {
  background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                              stop: 0 rgb(190, 214, 238), stop: 1 rgb(240, 245, 250));
}
QPushButton:focus {
  border-color: rgb(72, 118, 160);
}
QPushButton:disabled {
  background: rgb(240, 240, 240);
  color: rgb(128, 128, 128);
}
)");
}

void apply_control_skin() {
  static bool applied = false;
  if (applied || qApp == nullptr) return;
  applied = true;
  qApp->setStyleSheet(control_skin_style_sheet());
}

}  // namespace quillon
