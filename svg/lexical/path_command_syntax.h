#pragma once

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

}  // namespace pavrix_svg
