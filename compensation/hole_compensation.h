#pragma once

// Finding and filling small enclosed holes of coverage given on a grid of 10 nm units.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// 10 nm: far below any printer's or cutter's resolution, and 2^61 units still span 23,000 km.
inline constexpr double kCompensationUnitsPerMillimetre = 100000.0;

// Clipper2 refuses coordinates beyond 2^61 - 1; grid values reaching 2^61 are refused on input.
inline constexpr double kCompensationCoordinateLimit = 2305843009213693952.0;  // 2^61

// A face of coverage or a hole: counter-clockwise shell, clockwise interiors, rings not closed.
struct CompensationFace {
    Clipper2Lib::Path64 shell;
    std::vector<Clipper2Lib::Path64> interiors;
};

struct HoleCompensation {
    std::vector<CompensationFace> holes;
    std::vector<CompensationFace> filled_coverage;
};

// Throws std::invalid_argument "<name> must be finite and nonnegative" for an infinite, NaN or
// negative value; returns the value (-0.0 as given, it acts as 0).
double check_compensation_setting(double value, const char* name);

// Millimetres to grid units, halves away from zero. Throws std::invalid_argument
// "SVG compensation coordinate is non-finite or outside the native range".
std::int64_t compensation_grid_value(double millimetres);

// Reads `rows` (x, y) rows in millimetres (row-major doubles) into grid points, y of each row
// checked before its x. Rings with fewer than three points are dropped.
void append_compensation_ring(Clipper2Lib::Paths64& rings, const double* xy, std::size_t rows);

// Unions the rings (non-zero), finds every enclosed hole at any depth and fills those whose area
// (mm²) or width 2·area/perimeter (mm) does not exceed a non-zero threshold.
HoleCompensation find_holes(const Clipper2Lib::Paths64& rings, double max_hole_area_mm2, double max_hole_width_mm);

}  // namespace pavrix_svg_core
