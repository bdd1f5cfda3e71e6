// The pieces split_text makes, as views into the text instead of copies.
#pragma once

#include <string_view>
#include <vector>

namespace quillon::detail {

// Views into text (valid while it is held); same pieces and rules as
// split_text.
std::vector<std::string_view> split_views(std::string_view text, std::string_view separator);

}  // namespace quillon::detail
