#include "kernel/lowering/crossing_wedges.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <ostream>

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

// A bar 10^6 long and 10^5 wide from the origin, turned by `degrees`.
Path64 bar(double degrees, double x = 0.0, double y = 0.0, double length = 1e6, double width = 1e5) {
    const double c = std::cos(degrees * std::numbers::pi / 180.0), s = std::sin(degrees * std::numbers::pi / 180.0);
    Path64 path;
    for (const auto& [u, v] : {std::pair{0.0, 0.0}, {length, 0.0}, {length, width}, {0.0, width}})
        path.push_back(Point64(std::llround(x + u * c - v * s), std::llround(y + u * s + v * c)));
    return path;
}

struct WedgeCase {
    const char* why;
    Paths64 input;
    double base;
    double expected;
};
void PrintTo(const WedgeCase& c, std::ostream* os) {
    *os << c.why;
}

class CrossingWedges : public testing::TestWithParam<WedgeCase> {};

TEST_P(CrossingWedges, Table) {
    const WedgeCase& c = GetParam();
    const Paths64 output = Clipper2Lib::Union(c.input, Clipper2Lib::FillRule::NonZero);
    EXPECT_NEAR(narrowest_crossing_sine(c.input, output, 0.5, c.base), c.expected, 1e-4);
}

// One ring with a 20 degree notch of its own: its tip is an input vertex.
Path64 notched() {
    const std::int64_t half = std::llround(500000 * std::tan(10.0 * std::numbers::pi / 180.0));
    constexpr std::int64_t zero = 0, top = 1000000, mid = 500000;
    return Path64{Point64(zero, zero), Point64(top, zero),       Point64(top, top), Point64(mid + half, top),
                  Point64(mid, mid),   Point64(mid - half, top), Point64(zero, top)};
}

INSTANTIATE_TEST_SUITE_P(
    Table, CrossingWedges,
    testing::Values(
        WedgeCase{"two bars crossing at 20 degrees leave a 20 degree wedge",
                  {bar(0), bar(20, 1e5)},
                  10.0,
                  std::sin(10.0 * std::numbers::pi / 180.0)},
        WedgeCase{"crossing at right angles leaves no narrow wedge", {bar(0), bar(90, 5e5, -4e5)}, 10.0, 1.0},
        WedgeCase{"a wedge whose sides are shorter than the base is passed over", {bar(0), bar(20, 1e5)}, 1e7, 1.0},
        WedgeCase{"a notch of one ring is no crossing", {notched()}, 10.0, 1.0},
        WedgeCase{"a slot narrower than the base ends in one wedge: its two corners' turns add up",
                  {bar(90, 1e5, 0, 1e6, 1e5), bar(90, 2.00005e5, 0, 1e6, 1e5), bar(0, 0, 9.5e5, 3e5, 1e5)},
                  10.0,
                  0.0},
        WedgeCase{"the same slot's corners apart",
                  {bar(90, 1e5, 0, 1e6, 1e5), bar(90, 2.00005e5, 0, 1e6, 1e5), bar(0, 0, 9.5e5, 3e5, 1e5)},
                  1.0,
                  1.0}));

}  // namespace
}  // namespace pavrix_svg_core
