#include "http/header_lines.h"

#include <string>

#include "text/primitives.h"

namespace quillon {
namespace {

const Text kLineBreak = "\r\n";

// The name of a header line with every dash-separated word capitalised.
// split_text drops a trailing empty word, so a name ending in "-" comes back
// one dash short; the caller takes the rest of the line from the rebuilt
// name's length on, which puts that dash back.
Text capitalise_name_words(const Text& name) {
  std::string rebuilt;
  bool first = true;
  for (const Text& word : split_text(name, "-")) {
    if (!first) rebuilt += '-';
    rebuilt += capitalise_first(word).view();
    first = false;
  }
  return Text(std::move(rebuilt));
}

}  // namespace

Text normalise_header_names(const Text& header_text) {
  std::string result;
  for (const Text& line : split_text(header_text, kLineBreak)) {
    std::int32_t colon = find_text(line, ":");
    if (colon == -1) continue;
    Text name = capitalise_name_words(text_left(line, colon - 1));
    result += name.view();
    result += text_right(line, text_length(line) - text_length(name)).view();
    result += kLineBreak.view();
  }
  if (!result.empty()) result.resize(result.size() - kLineBreak.view().size());
  return Text(std::move(result));
}

Text capitalise_first(const Text& text) {
  if (text.empty()) return {};
  return text_concat(text_to_upper(text_left(text, 1)), text_mid(text, 2, text_length(text) - 1));
}

Text header_line_name(const Text& line) {
  std::int32_t colon = find_text(line, ":");
  if (colon == -1) return {};
  return trim_text(text_left(line, colon - 1));
}

Text header_line_value(const Text& line) {
  std::int32_t colon = find_text(line, ":");
  if (colon == -1) return {};
  return trim_text(text_mid(line, colon + 1, text_length(line) - colon));
}

}  // namespace quillon
