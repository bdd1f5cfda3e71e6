// Cookie texts: name=value items joined by "; ", with no attributes.
#pragma once

#include "text/values.h"

namespace quillon {

// Merges the cookies harvested from a reply (fresh) into the cookies that were
// sent (old): fresh items first, in reply order, then old items whose name the
// reply did not set; "=deleted" items and exact repeats dropped. Both texts are
// normalised in place; the result is also stored into old.
Text merge_cookies(Text& old, Text& fresh);
// The item's name: the trimmed text before its first "=", or the whole item
// trimmed when it has none.
Text cookie_name(const Text& item);
// True when some item's cookie_name equals name byte for byte.
bool has_cookie_named(const TextList& items, const Text& name);

}  // namespace quillon
