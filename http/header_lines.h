// Cleaning and taking apart of request header lines (lines separated by CR LF;
// a header line is a line that holds a colon).
#pragma once

#include "text/values.h"

namespace quillon {

// Header lines only (lines without a colon dropped), the first letter of each
// dash-separated word of every name raised, CR LF between lines, no trailing
// CR LF; empty when no line is kept. Every kept line keeps its length.
Text normalise_header_names(const Text& header_text);
// The first byte raised when it is an ASCII lower-case letter; rest unchanged.
Text capitalise_first(const Text& text);
// The trimmed text before the first colon; empty when there is no colon.
Text header_line_name(const Text& line);
// The trimmed text after the first colon; empty when there is no colon.
Text header_line_value(const Text& line);

}  // namespace quillon
