#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "graphics/path_data_parser.h"
#include "graphics/vector_path.h"

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

// The counting of scanPathDataComplexity, one command at a time: the command letter as the scan
// saw it (a move's further pairs as lines) and its numbers in single precision, an arc's flags
// as 0 or 1 at [3] and [4] (none for a close). False, too_complex set, once a count would pass
// 2^64 - 1.
class PathCostCounter {
public:
    explicit PathCostCounter(PathScanResult& result) noexcept : result_(result) {}
    bool count(char command, const float* single) noexcept;
    bool add(std::uint64_t segments, std::uint64_t points) noexcept;

private:
    PathScanResult& result_;
    float cx_ = 0.0f, cy_ = 0.0f, sx_ = 0.0f, sy_ = 0.0f;
};
// Only `points` is filled (the caller charges it as segments and points).
PathScanResult scanPointsComplexity(std::string_view text);

// Longest chain of consecutive relative commands (saturating at 0xFFFFFFFF).
std::uint32_t countPathDataItems(std::string_view text);

// countPathDataItems one completed command at a time (a move's further pairs as lines).
class RelativeChainCounter {
public:
    void command(char command) noexcept;
    std::uint32_t longest() const noexcept { return longest_; }

private:
    std::uint32_t running_ = 0;
    std::uint32_t longest_ = 0;
    std::uint32_t atSubpathStart_ = 0;
};

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

// analyzePathDataPrecision one command at a time, beside the float path that append_path_command
// builds: `before` and `after` are the float states around the command, `start` the path's current
// point before it and `mark` the index of the first element it appended; v and w are its numbers
// in single and double precision (an arc's flags as 0 or 1 at [3] and [4]).
class PathPrecisionAudit {
public:
    void command(char command, const pavrix_graphics::PathDataState& before,
                 const pavrix_graphics::PathDataState& after, const pavrix_graphics::VectorPath& path,
                 std::int32_t mark, pavrix_graphics::FloatPoint start, const float* v, const double* w);
    PathPrecision finish();

private:
    struct Vec {
        double x = 0.0;
        double y = 0.0;
    };

    void coordinate(Vec single, Vec exact) noexcept;
    bool judge(Vec single, Vec exact) noexcept;
    bool judgeTangent(Vec fromSingle, Vec fromExact, const Vec* candSingle, const Vec* candExact, int count) noexcept;
    void countSegment(bool counted) noexcept;
    void finishSubpath() noexcept;
    void arcBound(double bound) noexcept;
    void arc(const pavrix_graphics::VectorPath& path, std::int32_t mark, Vec startSingle, Vec startExact,
             const float* v, const double* w);

    PathPrecision result_;
    double maxX_ = 0.0;
    double maxY_ = 0.0;
    double segmentMax_ = 0.0;
    double arcBound_ = 0.0;
    int segments_ = 0;
    bool ambiguous_ = false;
    // The exact twin of the float state.
    double cx_ = 0.0, cy_ = 0.0, sx_ = 0.0, sy_ = 0.0, kx_ = 0.0, ky_ = 0.0;
};

// One byte per subpath: 1 when the subpath can enclose area. Empty on a syntax error.
std::vector<std::uint8_t> subpathFlagsOf(std::string_view text);

// subpathFlagsOf one command at a time, numbers in long double (an arc's flags as 0 or 1).
// `previous` is the previous command, a move counting as the line it continues as.
class SubpathAreaTracker {
public:
    void command(char command, char previous, const long double* v);
    std::vector<std::uint8_t> finish();

private:
    // Whether the points fed into one subpath span any area: some point lies clearly off the line
    // through the origin and the first point that differs from it.
    class Area {
    public:
        void feed(long double x, long double y) noexcept;
        bool spanned = false;

    private:
        long double ox_ = 0, oy_ = 0, dx0_ = 0, dy0_ = 0;
        bool hasOrigin_ = false;
        bool hasReference_ = false;
    };

    std::vector<std::uint8_t> flags_;
    Area area_;
    bool subpathOpen_ = false;
    long double cx_ = 0, cy_ = 0, sx_ = 0, sy_ = 0, kx_ = 0, ky_ = 0;
};

}  // namespace pavrix_svg
