#include "graphics/path_data_parser.h"

#include <algorithm>
#include <cstring>

#include "graphics/number_reader.h"

namespace pavrix_graphics {

namespace {

constexpr bool is_letter(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

bool read_numbers(const char*& cursor, const char* end, float* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (!parse_number(cursor, end, values[i]))
            return false;
        skip_separator(cursor, end);
    }
    return true;
}

}  // namespace

bool parse_arc_flag(const char*& cursor, const char* end, bool& flag) {
    if (cursor >= end)
        return false;
    if (*cursor == '0')
        flag = false;
    else if (*cursor == '1')
        flag = true;
    else
        return false;
    ++cursor;
    skip_separator(cursor, end);
    return true;
}

bool append_path_command(VectorPath* path, PathDataState& state, char command, const float* v) {
    float& cx = state.cx;
    float& cy = state.cy;
    float& kx = state.kx;
    float& ky = state.ky;
    const char previous = state.previous;
    // Relative coordinates add the current point of the command's start; absolute ones are
    // taken as read (adding 0 would turn -0 into +0).
    const bool relative = command >= 'a' && command <= 'z';
    const auto at_x = [relative, ox = cx](float value) { return relative ? value + ox : value; };
    const auto at_y = [relative, oy = cy](float value) { return relative ? value + oy : value; };
    char next_previous = command;

    switch (command) {
    case 'M':
    case 'm':
        cx = state.sx = at_x(v[0]);
        cy = state.sy = at_y(v[1]);
        path_move_to(path, cx, cy);
        // Further coordinate pairs are line_to commands.
        next_previous = command == 'M' ? 'L' : 'l';
        break;
    case 'L':
    case 'l':
        cx = at_x(v[0]);
        cy = at_y(v[1]);
        path_line_to(path, cx, cy);
        break;
    case 'H':
    case 'h':
        cx = at_x(v[0]);
        path_line_to(path, cx, cy);
        break;
    case 'V':
    case 'v':
        cy = at_y(v[0]);
        path_line_to(path, cx, cy);
        break;
    case 'C':
    case 'c': {
        const float x1 = at_x(v[0]), y1 = at_y(v[1]);
        kx = at_x(v[2]);
        ky = at_y(v[3]);
        cx = at_x(v[4]);
        cy = at_y(v[5]);
        path_cubic_to(path, x1, y1, kx, ky, cx, cy);
        break;
    }
    case 'S':
    case 's': {
        float x1 = cx, y1 = cy;
        if (previous == 'C' || previous == 'c' || previous == 'S' || previous == 's') {
            x1 = 2.0f * cx - kx;
            y1 = 2.0f * cy - ky;
        }
        kx = at_x(v[0]);
        ky = at_y(v[1]);
        cx = at_x(v[2]);
        cy = at_y(v[3]);
        path_cubic_to(path, x1, y1, kx, ky, cx, cy);
        break;
    }
    case 'Q':
    case 'q':
        kx = at_x(v[0]);
        ky = at_y(v[1]);
        cx = at_x(v[2]);
        cy = at_y(v[3]);
        path_quad_to(path, kx, ky, cx, cy);
        break;
    case 'T':
    case 't':
        if (previous == 'Q' || previous == 'q' || previous == 'T' || previous == 't') {
            kx = 2.0f * cx - kx;
            ky = 2.0f * cy - ky;
        } else {
            kx = cx;
            ky = cy;
        }
        cx = at_x(v[0]);
        cy = at_y(v[1]);
        path_quad_to(path, kx, ky, cx, cy);
        break;
    case 'A':
    case 'a':
        cx = at_x(v[5]);
        cy = at_y(v[6]);
        path_arc_to(path, v[0], v[1], v[2] * kDegreesToRadians, v[3] != 0.0f, v[4] != 0.0f, cx, cy);
        break;
    case 'Z':
    case 'z':
        if (previous == 'Z' || previous == 'z')
            return false;
        path_close(path);
        cx = state.sx;
        cy = state.sy;
        break;
    default:
        return false;
    }

    if (path->path_invalid)
        return false;
    state.previous = next_previous;
    return true;
}

bool parse_path_data(VectorPath* path, const char* text, std::ptrdiff_t length) {
    if (!path)
        return false;
    if (!text)
        return length <= 0 && !path->path_invalid;
    if (length < 0)
        length = static_cast<std::ptrdiff_t>(std::strlen(text));
    const char* cursor = text;
    const char* const end = text + length;
    // Path data spends about four bytes or more per element; reserving that up front spares the
    // regrowth from eight elements on, while the cap keeps junk text from reserving much.
    constexpr std::ptrdiff_t kTextBytesPerElement = 4;
    constexpr std::ptrdiff_t kMaxInitialElements = 65536;
    if (path->elements.size == 0)
        path_reserve(path, std::min(length / kTextBytesPerElement, kMaxInitialElements));

    PathDataState state;
    float v[7];
    for (;;) {
        if (!skip_white_space(cursor, end))
            return !path->path_invalid;
        char command = state.previous;  // implicit repetition
        if (is_letter(*cursor)) {
            command = *cursor++;
            skip_white_space(cursor, end);
        }
        if (state.previous == 0 && command != 'M' && command != 'm')
            return false;
        const int arity = path_command_arity(command);
        if (arity < 0)
            return false;
        if ((command | 0x20) == 'a') {
            bool large_arc = false;
            bool sweep = false;
            if (!read_numbers(cursor, end, v, 3) || !parse_arc_flag(cursor, end, large_arc) ||
                !parse_arc_flag(cursor, end, sweep) || !read_numbers(cursor, end, v + 5, 2))
                return false;
            v[3] = large_arc ? 1.0f : 0.0f;
            v[4] = sweep ? 1.0f : 0.0f;
        } else if (!read_numbers(cursor, end, v, arity)) {
            return false;
        }
        if (!append_path_command(path, state, command, v))
            return false;
    }
}

}  // namespace pavrix_graphics
