// The byte-counting Text operations and the walks of trim_text and text_to_upper.
#include <cstring>
#include <string>

#include "text/internal/concat.h"
#include "text/primitives.h"

namespace quillon {

std::int32_t text_length(const Text& t) { return t.size(); }

Text text_left(const Text& t, std::int32_t n) {
  if (n <= 0) return {};
  return Text(t.view().substr(0, static_cast<std::size_t>(n)));
}

Text text_right(const Text& t, std::int32_t n) {
  if (n <= 0) return {};
  const std::size_t len = t.view().size();
  const std::size_t k = static_cast<std::size_t>(n) < len ? static_cast<std::size_t>(n) : len;
  return Text(t.view().substr(len - k));
}

Text text_mid(const Text& t, std::int32_t start, std::int32_t n) {
  if (start < 1 || n <= 0 || start > t.size()) return {};
  return Text(t.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

Text trim_text(const Text& t) {
  const auto* p = reinterpret_cast<const unsigned char*>(t.view().data());
  const std::size_t len = t.view().size();
  // Width of the blank at i (0x20 or the full-width space A1 A1), 0 for none.
  auto blank_at = [&](std::size_t i) -> std::size_t {
    if (p[i] == 0x20) return 1;
    if (p[i] == 0xA1 && i + 1 < len && p[i + 1] == 0xA1) return 2;
    return 0;
  };
  std::size_t i = 0;
  while (i < len) {
    const std::size_t w = blank_at(i);
    if (w == 0) break;
    i += w;
  }
  const std::size_t begin = i;
  std::size_t end = len;          // where the result ends
  std::size_t run = len;          // start of the current run of blanks, len when none
  while (i < len) {
    const std::size_t w = blank_at(i);
    if (w != 0) {
      if (run == len) run = i;
      i += w;
      continue;
    }
    run = len;
    if (p[i] >= 0x80) {
      if (i + 1 == len) {  // a lone lead byte ends the walk and is left out
        end = i;
        break;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  if (i >= len && run != len) end = run;
  return Text(t.view().substr(begin, end - begin));
}

Text text_to_upper(const Text& t) {
  std::string out(t.view());
  const std::size_t len = out.size();
  for (std::size_t i = 0; i < len;) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 0x80) {
      i += 2;  // both bytes of a double-byte character stay; a lone lead byte too
    } else {
      if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - ('a' - 'A'));
      i += 1;
    }
  }
  return Text(std::move(out));
}

std::int32_t char_code(const Text& t) {
  if (t.empty()) return 0;
  return static_cast<std::int32_t>(static_cast<std::int8_t>(t.view()[0]));
}

Text char_from_code(std::int32_t code) {
  const auto byte = static_cast<char>(static_cast<unsigned char>(code & 0xFF));
  if (byte == '\0') return {};
  return Text(std::string_view(&byte, 1));
}

bool text_equal(const Text& a, const Text& b) { return a.view() == b.view(); }

Text text_concat_list(std::initializer_list<std::string_view> parts) {
  std::optional<std::string> joined = internal::concat_views(parts);
  return joined ? Text(std::move(*joined)) : Text();
}

Bytes text_to_bytes(const Text& t) { return Bytes(t.view()); }

Text bytes_to_text(const Bytes& b) { return Text(b.view()); }

}  // namespace quillon
