// Conversions between Qt's UTF-16 strings and the program's code page 936
// Texts, for the controls that show Texts and hand them back.
#pragma once

#include <QString>

#include "text/values.h"

namespace quillon {

// The Text as a QString; the empty Text gives the empty string.
QString to_qstring(const Text& text);
// The string in code page 936; characters it cannot hold become "?".
Text to_text(const QString& string);
// A NUL-terminated UTF-16 string as a QString; null gives the empty string.
QString to_qstring(const char16_t* utf16);

}  // namespace quillon
