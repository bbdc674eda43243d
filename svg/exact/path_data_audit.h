#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace pavrix_svg {

// Cost of a `d` or `points` attribute, computed before the attribute is accepted. Counts stop at
// 2^64 - 1 (too_complex set) instead of wrapping.
struct PathScanResult {
    std::uint64_t segments = 0;
    std::uint64_t points = 0;
    std::uint8_t valid = 1;
    std::uint8_t too_complex = 0;
};

PathScanResult scanPathDataComplexity(std::string_view text);
// Only `points` is filled (the caller charges it as segments and points).
PathScanResult scanPointsComplexity(std::string_view text);

// Longest chain of consecutive relative commands (saturating at 0xFFFFFFFF).
std::uint32_t countPathDataItems(std::string_view text);

// Cubic segments the float arc converter makes of one arc, computed in double from the values the
// float parser sees: current point (x0, y0), radii, angle in degrees, flags, end point (x, y).
std::uint32_t arcSegmentCount(float x0, float y0, float rx, float ry, float angleDegrees, float largeArc, float sweep,
                              float x, float y) noexcept;

// Distance between the single-precision path parse_path_data builds and the exact (double) path of
// the same text. error is +inf on a syntax error or an unbounded case.
struct PathPrecision {
    double error = 0.0;
    double errorX = 0.0;
    double errorY = 0.0;
    std::uint8_t hasLoweredCurve = 0;                   // A, a, Q, q, T or t present
    std::uint8_t strokeDirectionAmbiguous = 0;          // in a subpath of two or more segments
    std::uint8_t isolatedStrokeDirectionAmbiguous = 0;  // in a subpath of one segment
};

PathPrecision analyzePathDataPrecision(std::string_view text);

// One byte per subpath: 1 when the subpath can enclose area. Empty on a syntax error.
std::vector<std::uint8_t> subpathFlagsOf(std::string_view text);

}  // namespace pavrix_svg
