#include "shell/qt_text.h"

#include <cstring>
#include <string>

#include "text/encoders.h"

namespace quillon {

QString to_qstring(const Text& text) {
  const Bytes units = ansi_to_utf16(text);
  // The bytes end with one zero unit that belongs to the value; copy into
  // char16_t storage instead of reinterpreting a byte buffer's alignment.
  const auto count = static_cast<std::size_t>(units.size()) / 2;
  if (count <= 1) return {};
  std::u16string wide(count - 1, u'\0');
  std::memcpy(wide.data(), units.data(), (count - 1) * 2);
  return QString::fromStdU16String(wide);
}

Text to_text(const QString& string) {
  if (string.isEmpty()) return {};
  const auto* data = reinterpret_cast<const char*>(string.utf16());
  const Bytes units{std::string_view(data, static_cast<std::size_t>(string.size()) * 2)};
  return utf16_to_text(units, kCodePage936);
}

QString to_qstring(const char16_t* utf16) {
  if (utf16 == nullptr) return {};
  return QString::fromUtf16(utf16);
}

}  // namespace quillon
