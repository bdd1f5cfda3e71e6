// The flat control skin: edit boxes, push buttons, combo boxes and spin boxes
// with a one-pixel frame in rgb(123,158,189) and gradient-filled button faces.
#pragma once

#include <QString>

namespace quillon {

// The skin as a Qt style sheet.
QString control_skin_style_sheet();

// Switches the skin on for the whole application, so windows and dialogs
// created later are covered too. Only the first call does anything; the skin
// is never switched off. Needs a QApplication.
void apply_control_skin();

}  // namespace quillon
