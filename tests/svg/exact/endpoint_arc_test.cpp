#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "svg/exact/endpoint_arc.h"

namespace pavrix_svg {
namespace {

double degrees(const ExactPoint& direction) {
    return std::atan2(direction.y, direction.x) * 180.0 / 3.141592653589793;
}

struct ArcCase {
    const char* name;
    ExactPoint start, end;
    double rx, ry, rotation;
    bool largeArc, sweep;
    ExactPoint centre;  // worked out by hand
    double startDegrees, endDegrees;
};

class EndpointArcTest : public testing::TestWithParam<ArcCase> {};

TEST_P(EndpointArcTest, CentreAndEndTangents) {
    const ArcCase& c = GetParam();
    EndpointArc arc;
    ASSERT_TRUE(centreEndpointArc(c.start, c.end, c.rx, c.ry, c.rotation, c.largeArc, c.sweep, arc));
    // The unit-space centre taken back to user space.
    const double ux = arc.centreXi * arc.radiusX;
    const double uy = arc.centreEta * arc.radiusY;
    EXPECT_NEAR((c.start.x + c.end.x) / 2 + ux * arc.cosPhi - uy * arc.sinPhi, c.centre.x, 1e-9);
    EXPECT_NEAR((c.start.y + c.end.y) / 2 + ux * arc.sinPhi + uy * arc.cosPhi, c.centre.y, 1e-9);
    EXPECT_NEAR(degrees(arcStartDirection(arc)), c.startDegrees, 1e-9);
    EXPECT_NEAR(degrees(arcEndDirection(arc)), c.endDegrees, 1e-9);
}

// Screen axes (y down): sweep 1 turns clockwise as seen.
INSTANTIATE_TEST_SUITE_P(
    Arcs, EndpointArcTest,
    testing::Values(ArcCase{"halfCircleClockwise", {10, 10}, {20, 10}, 5, 5, 0, false, true, {15, 10}, -90, 90},
                    ArcCase{"halfCircleAnticlockwise", {10, 10}, {20, 10}, 5, 5, 0, false, false, {15, 10}, 90, -90},
                    ArcCase{"quarterEllipse", {0, 0}, {10, 5}, 10, 5, 0, false, true, {0, 5}, 0, 90},
                    ArcCase{"largeThreeQuarters", {0, 0}, {10, 5}, 10, 5, 0, true, true, {10, 0}, -90, 180},
                    // Radius 1 cannot span the chord of 10: it grows to 5.
                    ArcCase{"radiiGrow", {0, 0}, {10, 0}, 1, 1, 0, false, true, {5, 0}, -90, 90},
                    ArcCase{"rotatedQuarter", {0, 0}, {5, 10}, 10, 5, 90, false, true, {0, 10}, 0, 90},
                    ArcCase{"negativeRadiiCountAsPositive", {0, 0}, {10, 5}, -10, -5, 0, false, true, {0, 5}, 0, 90}),
    [](const testing::TestParamInfo<ArcCase>& info) { return std::string(info.param.name); });

TEST(EndpointArc, UnreachableChordFails) {
    EndpointArc arc;
    EXPECT_FALSE(centreEndpointArc({0, 0}, {INFINITY, 0}, 5, 5, 0, false, true, arc));
}

}  // namespace
}  // namespace pavrix_svg
