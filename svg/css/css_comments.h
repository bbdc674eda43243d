#pragma once

#include <string>

namespace pavrix_svg {

// Removes CSS comments in place. Removal repeats from the start of the text, so a "/" before a
// comment and a "*" after it form a new opener once the comment is gone; the result is produced
// in one pass all the same. An unterminated comment runs to the end of the text.
void stripCssComments(std::string& text);

}  // namespace pavrix_svg
