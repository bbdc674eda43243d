#pragma once

#include <cstddef>

#include "graphics/vector_path.h"

namespace pavrix_graphics {

// One arc flag, "0" or "1", then optional white space, one optional "," and white space.
bool parse_arc_flag(const char*& cursor, const char* end, bool& flag);

// What a path-data reading carries from one command to the next, in single precision.
struct PathDataState {
    float cx = 0.0f, cy = 0.0f;  // current point
    float sx = 0.0f, sy = 0.0f;  // subpath start
    float kx = 0.0f, ky = 0.0f;  // last control point
    char previous = 0;           // previous command; a move counts as the line it continues as
};

// Numbers a command letter takes (arcs 7, their two flags included, 0 for a close); -1 for an
// unknown letter.
constexpr int path_command_arity(char command) noexcept {
    switch (command | 0x20) {
    case 'a':
        return 7;
    case 'c':
        return 6;
    case 'q':
    case 's':
        return 4;
    case 'l':
    case 'm':
    case 't':
        return 2;
    case 'h':
    case 'v':
        return 1;
    case 'z':
        return 0;
    default:
        return -1;
    }
}

// Appends one command whose numbers have been read (an arc's flags as 0 or 1 in values[3] and
// values[4]) and advances the state. False for a close that repeats a close, or once the path is
// invalid. The letter must be one path_command_arity knows.
bool append_path_command(VectorPath* path, PathDataState& state, char command, const float* values);

// Appends SVG path data to path (not reset first). length -1: text is NUL-terminated.
// False at the first syntax error or once the path is invalid; commands read before stay.
bool parse_path_data(VectorPath* path, const char* text, std::ptrdiff_t length);

}  // namespace pavrix_graphics
