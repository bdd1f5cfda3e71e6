#include "http/cookies.h"

#include <string>

#include "text/helpers.h"
#include "text/primitives.h"

namespace quillon {
namespace {

const Text kSeparator = "; ";
const Text kDeletedMark = "=deleted";

// Trims the cookie text and gives a trailing ";" its blank, so that splitting
// at "; " leaves no empty last item.
void normalise_cookie_text(Text& cookies) {
  cookies = trim_text(cookies);
  if (text_right(cookies, 1) == Text(";")) cookies = text_concat(cookies, Text(" "));
}

}  // namespace

Text merge_cookies(Text& old, Text& fresh) {
  normalise_cookie_text(old);
  normalise_cookie_text(fresh);
  TextList old_items = split_text(old, kSeparator);
  TextList items = split_text(fresh, kSeparator);

  // items grows while this runs, so only the first old item of a name is
  // carried over.
  for (const Text& item : old_items) {
    if (!has_cookie_named(items, cookie_name(item))) list_append(items, item);
  }

  std::string joined;
  for (const Text& item : items) {
    if (text_right(item, text_length(kDeletedMark)) == kDeletedMark) continue;
    joined += item.view();
    joined += kSeparator.view();
  }
  if (!joined.empty()) joined.resize(joined.size() - kSeparator.view().size());

  old = dedupe_tokens(Text(std::move(joined)), kSeparator);
  return old;
}

Text cookie_name(const Text& item) {
  std::int32_t equals = find_text(item, "=");
  if (equals == -1) return trim_text(item);
  return trim_text(text_left(item, equals - 1));
}

bool has_cookie_named(const TextList& items, const Text& name) {
  for (const Text& item : items) {
    if (cookie_name(item) == name) return true;
  }
  return false;
}

}  // namespace quillon
