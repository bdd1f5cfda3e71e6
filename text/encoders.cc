// Base64, percent-encoding and the Text-level conversions built on the code
// page adapter.
#include <string>

#include "text/encoders.h"
#include "text/primitives.h"

namespace quillon {

Text base64_encode(const Bytes& data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t n = data.view().size();
  if (n == 0) return {};
  const std::int64_t out_size = (static_cast<std::int64_t>(n) + 2) / 3 * 4;
  if (out_size > kMaxValueSize) return {};
  std::string out(static_cast<std::size_t>(out_size), '=');
  char* o = out.data();
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3, o += 4) {
    const unsigned v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
    o[0] = kAlphabet[v >> 18];
    o[1] = kAlphabet[(v >> 12) & 63];
    o[2] = kAlphabet[(v >> 6) & 63];
    o[3] = kAlphabet[v & 63];
  }
  if (const std::size_t r = n - i; r > 0) {
    // The missing input bytes count as zero; their output places stay "=".
    const unsigned v = (p[i] << 16) | (r == 2 ? p[i + 1] << 8 : 0);
    o[0] = kAlphabet[v >> 18];
    o[1] = kAlphabet[(v >> 12) & 63];
    if (r == 2) o[2] = kAlphabet[(v >> 6) & 63];
  }
  return Text(std::move(out));
}

Text url_encode(const Text& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string_view in = text.view();
  if (static_cast<std::int64_t>(in.size()) * 3 > kMaxValueSize) return {};
  std::string out;
  out.reserve(in.size() * 3);
  for (const char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0x20) {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return Text(std::move(out));
}

Bytes ansi_to_utf16(const Text& text) {
  return multibyte_to_utf16(text_to_bytes(text), kCodePage936);
}

Text utf8_to_ansi(const Text& text) {
  return utf16_to_text(multibyte_to_utf16(text_to_bytes(text), kCodePageUtf8), kCodePage936);
}

Text utf16_to_text(const Bytes& units, std::int32_t code_page) {
  return bytes_to_text(utf16_to_multibyte(units, code_page));
}

}  // namespace quillon
