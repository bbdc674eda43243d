// The arc lowering's error bound must hold against the true arc, evaluated
// here in extended precision, also where the arc lies far from the origin.

#include "recorder/exact_path_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace pavrix_svg_core {
namespace {

using Real = long double;

static_assert(sizeof(Real) > sizeof(double) || std::numeric_limits<Real>::digits > 53,
              "the reference needs more precision than double");

struct Ellipse {
    Real cx, cy, rx, ry, cosPhi, sinPhi;
};

// Lower bound of the distance from p to the ellipse: the unit-space radial
// defect scaled by the smaller radius (exact for circles).
Real distanceLowerBound(const Ellipse& e, Real px, Real py) {
    const Real dx = px - e.cx;
    const Real dy = py - e.cy;
    const Real u = (e.cosPhi * dx + e.sinPhi * dy) / e.rx;
    const Real v = (e.cosPhi * dy - e.sinPhi * dx) / e.ry;
    return std::fabs(std::sqrt(u * u + v * v) - 1.0L) * std::min(e.rx, e.ry);
}

// Largest deviation of the command's cubics (sampled densely) from the ellipse.
Real maxDeviation(const PaintCommand& command, const Ellipse& e) {
    Real worst = 0;
    std::size_t p = 0;
    PaintPoint current{0, 0};
    for (const PathVerb verb : command.path_verbs) {
        if (verb == PathVerb::move_to || verb == PathVerb::line_to) {
            current = command.path_points[p++];
            worst = std::max(worst, distanceLowerBound(e, current.x, current.y));
        } else if (verb == PathVerb::cubic_to) {
            const PaintPoint c1 = command.path_points[p];
            const PaintPoint c2 = command.path_points[p + 1];
            const PaintPoint c3 = command.path_points[p + 2];
            p += 3;
            for (int i = 0; i <= 64; ++i) {
                const Real t = i / 64.0L;
                const Real s = 1 - t;
                const Real w0 = s * s * s, w1 = 3 * s * s * t, w2 = 3 * s * t * t, w3 = t * t * t;
                const Real x = w0 * current.x + w1 * c1.x + w2 * c2.x + w3 * c3.x;
                const Real y = w0 * current.y + w1 * c1.y + w2 * c2.y + w3 * c3.y;
                worst = std::max(worst, distanceLowerBound(e, x, y));
            }
            current = c3;
        }
    }
    return worst;
}

struct CircleCase {
    double cx, cy, r;
};

TEST(ExactArcBoundTest, CirclesAnywhereStayWithinTheBound) {
    const CircleCase cases[] = {
        {0.0, 0.0, 10.0},          {2.6e6, 0.0, 0.45},      {2.6e6, -1.3e6, 0.45}, {-2.6e6, 7.1e5, 0.45},
        {1e9, 1e9, 1e-3},          {0.3, 0.7, 1e-4},        {-7.5e7, 3.3e5, 12.3}, {123456.789, -98765.4321, 0.1},
        {1e12, -1e12, 2.5},        {0.1, 0.2, 1e6},
    };
    for (const auto& c : cases) {
        PaintCommand command;
        double bound = 0.0;
        ASSERT_TRUE(appendExactEllipse(command, c.cx, c.cy, c.r, c.r, bound)) << c.cx;
        const Ellipse e{c.cx, c.cy, c.r, c.r, 1.0L, 0.0L};
        const Real deviation = maxDeviation(command, e);
        EXPECT_LE(deviation, static_cast<Real>(bound))
            << "circle at (" << c.cx << ", " << c.cy << ") r " << c.r << ": deviation "
            << static_cast<double>(deviation) << " bound " << bound;
        EXPECT_EQ(command.path_verbs.size(), 1u + 16u + 1u);
    }
}

// Centre of the SVG endpoint arc, in extended precision, with the radii
// scaled up as the arc needs.
Ellipse referenceEllipse(Real x0, Real y0, Real rx, Real ry, Real degrees, bool largeArc, bool sweep, Real x1,
                         Real y1) {
    const Real pi = 3.14159265358979323846264338327950288L;
    const Real phi = std::fmod(degrees, 360.0L) * pi / 180.0L;
    const Real c = std::cos(phi);
    const Real s = std::sin(phi);
    const Real hx = (x0 - x1) / 2;
    const Real hy = (y0 - y1) / 2;
    const Real xp = c * hx + s * hy;
    const Real yp = c * hy - s * hx;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    const Real lambda = xp * xp / (rx * rx) + yp * yp / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const Real num = rx * rx * ry * ry - rx * rx * yp * yp - ry * ry * xp * xp;
    const Real den = rx * rx * yp * yp + ry * ry * xp * xp;
    Real k = std::sqrt(std::max(num / den, 0.0L));
    if (largeArc == sweep) {
        k = -k;
    }
    const Real cxp = k * rx * yp / ry;
    const Real cyp = -k * ry * xp / rx;
    return Ellipse{c * cxp - s * cyp + (x0 + x1) / 2, s * cxp + c * cyp + (y0 + y1) / 2, rx, ry, c, s};
}

struct ArcCase {
    double x0, y0, rx, ry, degrees;
    int largeArc, sweep;
    double x1, y1;
};

TEST(ExactArcBoundTest, RotatedArcsFarFromTheOriginStayWithinTheBound) {
    const ArcCase cases[] = {
        {0, 0, 10, 10, 0, 0, 1, 20, 0},
        {2600000.3, -1300000.1, 0.45, 0.2, 30, 1, 0, 2600000.7, -1299999.9},
        {2600000.3, -1300000.1, 0.45, 0.2, 30, 0, 1, 2600000.7, -1299999.9},
        {-5e7, 5e7, 3, 1, 400, 1, 1, -5e7 + 1.5, 5e7 - 0.25},
        {1e10, 1e10, 0.01, 0.02, -75, 0, 0, 1e10 + 0.01, 1e10},
        {3.3, 4.4, 1, 2, 45, 0, 0, 100.1, -50.2},  // radii scaled up
        {2.6e6, 0, 0.45, 0.45, 0, 0, 1, 2.6e6 + 0.9, 0},
    };
    for (const auto& c : cases) {
        PaintCommand command;
        appendExactMoveTo(command, c.x0, c.y0);
        PaintPoint end;
        double bound = 0.0;
        ASSERT_TRUE(appendExactArc(command, {c.x0, c.y0},
                                   ExactArcParameters{c.rx, c.ry, c.degrees, double(c.largeArc), double(c.sweep), c.x1, c.y1},
                                   false, end, bound));
        EXPECT_EQ(command.path_points.back(), (PaintPoint{c.x1, c.y1}));
        const Ellipse e =
            referenceEllipse(c.x0, c.y0, c.rx, c.ry, c.degrees, c.largeArc == 1, c.sweep == 1, c.x1, c.y1);
        const Real deviation = maxDeviation(command, e);
        EXPECT_LE(deviation, static_cast<Real>(bound))
            << "arc from (" << c.x0 << ", " << c.y0 << "): deviation " << static_cast<double>(deviation)
            << " bound " << bound;
    }
}

// A deterministic sweep over arcs of every size, place, shape and flag.
TEST(ExactArcBoundTest, RandomArcsStayWithinTheBound) {
    std::mt19937_64 random(20240607);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        const double sign = unit(random) < 0.5 ? -1.0 : 1.0;
        const double cx = sign * std::pow(10.0, 8.0 * unit(random));
        const double cy = -sign * std::pow(10.0, 8.0 * unit(random)) * unit(random);
        const double rx = std::pow(10.0, -3.0 + 6.0 * unit(random));
        const double ry = rx * std::pow(10.0, -1.0 + 2.0 * unit(random));
        const double degrees = 720.0 * unit(random) - 360.0;
        const double phi = degrees * 3.141592653589793 / 180.0;
        const double a0 = 6.283185307179586 * unit(random);
        const double a1 = 6.283185307179586 * unit(random);
        const auto onEllipse = [&](double a) {
            const double ex = rx * std::cos(a);
            const double ey = ry * std::sin(a);
            return PaintPoint{cx + ex * std::cos(phi) - ey * std::sin(phi), cy + ex * std::sin(phi) + ey * std::cos(phi)};
        };
        const PaintPoint p0 = onEllipse(a0);
        const PaintPoint p1 = onEllipse(a1);
        // Some arcs get radii too small for their chord.
        const double shrink = unit(random) < 0.2 ? 0.3 : 1.0;
        const int largeArc = unit(random) < 0.5 ? 1 : 0;
        const int sweep = unit(random) < 0.5 ? 1 : 0;
        PaintCommand command;
        appendExactMoveTo(command, p0.x, p0.y);
        PaintPoint end;
        double bound = 0.0;
        if (!appendExactArc(command, p0, ExactArcParameters{rx * shrink, ry * shrink, degrees, double(largeArc), double(sweep), p1.x, p1.y},
                            false, end, bound)) {
            continue;
        }
        if (command.path_verbs.back() == PathVerb::line_to) {
            continue;
        }
        const Ellipse e = referenceEllipse(p0.x, p0.y, rx * shrink, ry * shrink, degrees, largeArc == 1, sweep == 1, p1.x, p1.y);
        const Real deviation = maxDeviation(command, e);
        ASSERT_LE(deviation, static_cast<Real>(bound))
            << "arc " << i << " centre (" << cx << ", " << cy << ") radii " << rx * shrink << ", " << ry * shrink
            << " rotation " << degrees << ": deviation " << static_cast<double>(deviation) << " bound " << bound;
        ++checked;
    }
    EXPECT_GT(checked, 2900);
}

struct DocumentArcCase {
    const char* pathData;
    // The same arc from the decimal text, in extended precision.
    long double x0, y0, r;
    bool largeArc, sweep;
    long double x1, y1;
};

// Arcs whose decimal ends do not survive rounding to double unchanged. Near a
// half arc the double arc's centre moves by the square root of that rounding;
// over a very short chord its direction turns by the rounding over the chord.
// The bound covers both.
TEST(ExactArcBoundTest, BoundCoversRoundedEndpoints) {
    const DocumentArcCase cases[] = {
        {"M -74999987.7 330000 A 12.3 12.3 0 0 1 -75000012.3 330000", -74999987.7L, 330000.0L, 12.3L, false, true,
         -75000012.3L, 330000.0L},
        {"M 2600000.45 0 A 0.45 0.45 0 0 1 2599999.55 0", 2600000.45L, 0.0L, 0.45L, false, true, 2599999.55L, 0.0L},
        {"M 2599999.55 -1.3e6 a 0.45 0.45 0 1 0 0.9 0", 2599999.55L, -1300000.0L, 0.45L, true, false, 2600000.45L,
         -1300000.0L},
        {"M0 0 A10 10 0 0 1 20 0", 0.0L, 0.0L, 10.0L, false, true, 20.0L, 0.0L},
        {"M 1000000.1 0 A 10 10 0 1 1 1000000.1000001 0.0000001", 1000000.1L, 0.0L, 10.0L, true, true,
         1000000.1000001L, 0.0000001L},
    };
    for (const auto& c : cases) {
        PaintCommand command;
        bool lowered = false;
        double bound = 0.0;
        ASSERT_TRUE(parsePathDataExact(c.pathData, command, lowered, bound)) << c.pathData;
        const Ellipse e = referenceEllipse(c.x0, c.y0, c.r, c.r, 0.0L, c.largeArc, c.sweep, c.x1, c.y1);
        const Real deviation = maxDeviation(command, e);
        EXPECT_LE(deviation, static_cast<Real>(bound))
            << c.pathData << ": deviation " << static_cast<double>(deviation) << " bound " << bound;
    }
}

}  // namespace
}  // namespace pavrix_svg_core
