#pragma once

#include <cstddef>

#include "graphics/vector_path.h"

namespace pavrix_graphics {

// One arc flag, "0" or "1", then optional white space, one optional "," and white space.
bool parse_arc_flag(const char*& cursor, const char* end, bool& flag);

// Appends SVG path data to path (not reset first). length -1: text is NUL-terminated.
// False at the first syntax error or once the path is invalid; commands read before stay.
bool parse_path_data(VectorPath* path, const char* text, std::ptrdiff_t length);

}  // namespace pavrix_graphics
