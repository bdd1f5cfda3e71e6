#include "uploader/native_path.h"

#include "text/encoders.h"

namespace quillon {

std::string native_path(const Text& path) {
  if (path.empty()) return {};
  return utf16_to_multibyte(ansi_to_utf16(path), kCodePageUtf8).str();
}

Text text_from_native_path(const std::string& name) {
  return utf8_to_ansi(Text(name));
}

}  // namespace quillon
