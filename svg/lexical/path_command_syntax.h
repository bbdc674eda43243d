#pragma once

#include "graphics/path_data_parser.h"

namespace pavrix_svg {

constexpr bool isPathCommandLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What the path scans step over between items: the standard isspace set and commas, in any number.
constexpr bool isPathScanSeparator(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == ',';
}

// Numbers one path-data command takes (either case): 7 for arcs, 6 for C, 4 for Q and S, 2 for
// L, M and T, 1 for H and V, 0 for Z; -1 for any other letter.
constexpr int pathArgumentCount(char command) noexcept {
    return pavrix_graphics::path_command_arity(command);
}

}  // namespace pavrix_svg
