// The arc lowering's error bound must hold against the true arc, evaluated
// here in extended precision, also where the arc lies far from the origin.

#include "recorder/exact_path_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

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
        {0.0, 0.0, 10.0},   {2.6e6, 0.0, 0.45}, {2.6e6, -1.3e6, 0.45}, {-2.6e6, 7.1e5, 0.45},
        {1e9, 1e9, 1e-3},   {0.3, 0.7, 1e-4},   {-7.5e7, 3.3e5, 12.3}, {123456.789, -98765.4321, 0.1},
        {1e12, -1e12, 2.5}, {0.1, 0.2, 1e6},
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
        ASSERT_TRUE(
            appendExactArc(command, {c.x0, c.y0},
                           ExactArcParameters{c.rx, c.ry, c.degrees, double(c.largeArc), double(c.sweep), c.x1, c.y1},
                           false, end, bound));
        EXPECT_EQ(command.path_points.back(), (PaintPoint{c.x1, c.y1}));
        const Ellipse e =
            referenceEllipse(c.x0, c.y0, c.rx, c.ry, c.degrees, c.largeArc == 1, c.sweep == 1, c.x1, c.y1);
        const Real deviation = maxDeviation(command, e);
        EXPECT_LE(deviation, static_cast<Real>(bound)) << "arc from (" << c.x0 << ", " << c.y0 << "): deviation "
                                                       << static_cast<double>(deviation) << " bound " << bound;
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
            return PaintPoint{cx + ex * std::cos(phi) - ey * std::sin(phi),
                              cy + ex * std::sin(phi) + ey * std::cos(phi)};
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
        if (!appendExactArc(
                command, p0,
                ExactArcParameters{rx * shrink, ry * shrink, degrees, double(largeArc), double(sweep), p1.x, p1.y},
                false, end, bound)) {
            continue;
        }
        if (command.path_verbs.back() == PathVerb::line_to) {
            continue;
        }
        const Ellipse e =
            referenceEllipse(p0.x, p0.y, rx * shrink, ry * shrink, degrees, largeArc == 1, sweep == 1, p1.x, p1.y);
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
        {"M 1000000.1 0 A 10 10 0 1 1 1000000.1000001 0.0000001", 1000000.1L, 0.0L, 10.0L, true, true, 1000000.1000001L,
         0.0000001L},
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

// The endpoint construction done directly in absolute coordinates, step by
// step as the SVG arc implementation notes describe it. Sound near the
// origin; the builder must agree with it there within the lowering bound.
struct TextbookArc {
    PaintCommand command;
    double bound = 0.0;
    std::vector<std::size_t> endIndices;  // points taken from the arc ends as given
};

void textbookArc(TextbookArc& out, PaintPoint p0, double rx, double ry, double degrees, int largeArc, int sweep,
                 PaintPoint p1) {
    const double pi = 3.141592653589793;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0.0 || ry == 0.0 || p0 == p1) {
        appendExactLineTo(out.command, p1.x, p1.y);
        return;
    }
    const double phi = std::fmod(degrees, 360.0) * pi / 180.0;
    const double c = std::cos(phi);
    const double s = std::sin(phi);
    const double xp = c * (p0.x - p1.x) / 2 + s * (p0.y - p1.y) / 2;
    const double yp = c * (p0.y - p1.y) / 2 - s * (p0.x - p1.x) / 2;
    const double lambda = xp * xp / (rx * rx) + yp * yp / (ry * ry);
    if (lambda > 1.0) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    out.bound = std::max(out.bound, std::max(rx, ry) * 1e-6 + std::max({1.0, std::fabs(p0.x), std::fabs(p0.y),
                                                                        std::fabs(p1.x), std::fabs(p1.y)}) *
                                                                  0x1p-52 * 64);
    const double xi0 = (c * p0.x + s * p0.y) / rx;
    const double eta0 = (c * p0.y - s * p0.x) / ry;
    const double xi1 = (c * p1.x + s * p1.y) / rx;
    const double eta1 = (c * p1.y - s * p1.x) / ry;
    const double d2 = (xi1 - xi0) * (xi1 - xi0) + (eta1 - eta0) * (eta1 - eta0);
    double k = std::sqrt(std::max(1.0 / d2 - 0.25, 0.0));
    if (largeArc == sweep) {
        k = -k;
    }
    const double cxi = (xi0 + xi1) / 2 - k * (eta1 - eta0);
    const double ceta = (eta0 + eta1) / 2 + k * (xi1 - xi0);
    const double theta0 = std::atan2(eta0 - ceta, xi0 - cxi);
    double dTheta = std::atan2(eta1 - ceta, xi1 - cxi) - theta0;
    if (dTheta < 0 && sweep == 1) {
        dTheta += 6.283185307179586;
    } else if (dTheta > 0 && sweep == 0) {
        dTheta -= 6.283185307179586;
    }
    const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(dTheta) / 0.39269908169872414)));
    const auto map = [&](double ux, double uy) {
        const double x = ux * rx;
        const double y = uy * ry;
        return PaintPoint{x * c - y * s, x * s + y * c};
    };
    for (int i = 0; i < n; ++i) {
        const double a = theta0 + i * dTheta / n;
        const double b = theta0 + (i + 1) * dTheta / n;
        const double t = 4.0 / 3.0 * std::tan((b - a) / 4);
        out.command.path_verbs.push_back(PathVerb::cubic_to);
        out.command.path_points.push_back(
            map(cxi + std::cos(a) - t * std::sin(a), ceta + std::sin(a) + t * std::cos(a)));
        out.command.path_points.push_back(
            map(cxi + std::cos(b) + t * std::sin(b), ceta + std::sin(b) - t * std::cos(b)));
        if (i + 1 == n) {
            out.endIndices.push_back(out.command.path_points.size());
        }
        out.command.path_points.push_back(i + 1 == n ? p1 : map(cxi + std::cos(b), ceta + std::sin(b)));
    }
}

TextbookArc textbookEllipse(double cx, double cy, double rx, double ry) {
    TextbookArc out;
    appendExactMoveTo(out.command, cx + rx, cy);
    textbookArc(out, {cx + rx, cy}, rx, ry, 0, 0, 1, {cx - rx, cy});
    textbookArc(out, {cx - rx, cy}, rx, ry, 0, 0, 1, {cx + rx, cy});
    out.command.path_verbs.push_back(PathVerb::close);
    return out;
}

TextbookArc textbookRoundRect(double x, double y, double w, double h, double rx, double ry) {
    TextbookArc out;
    const auto lineThenArc = [&](PaintPoint lineEnd, PaintPoint arcEnd) {
        appendExactLineTo(out.command, lineEnd.x, lineEnd.y);
        textbookArc(out, lineEnd, rx, ry, 0, 0, 1, arcEnd);
    };
    appendExactMoveTo(out.command, x + rx, y);
    lineThenArc({x + w - rx, y}, {x + w, y + ry});
    lineThenArc({x + w, y + h - ry}, {x + w - rx, y + h});
    lineThenArc({x + rx, y + h}, {x, y + h - ry});
    lineThenArc({x, y + ry}, {x + rx, y});
    out.command.path_verbs.push_back(PathVerb::close);
    return out;
}

// Same verbs, and every point within `bound` of the construction's point;
// points the construction takes from the text must be equal.
void expectAgreement(const PaintCommand& built, const TextbookArc& textbook, const std::string& label) {
    ASSERT_EQ(built.path_verbs, textbook.command.path_verbs) << label;
    ASSERT_EQ(built.path_points.size(), textbook.command.path_points.size()) << label;
    std::size_t p = 0;
    for (const PathVerb verb : built.path_verbs) {
        const std::size_t count = verb == PathVerb::cubic_to ? 3 : verb == PathVerb::close ? 0 : 1;
        for (std::size_t i = 0; i < count; ++i, ++p) {
            const PaintPoint a = built.path_points[p];
            const PaintPoint b = textbook.command.path_points[p];
            const bool fromText =
                verb != PathVerb::cubic_to ||
                std::find(textbook.endIndices.begin(), textbook.endIndices.end(), p) != textbook.endIndices.end();
            if (fromText) {
                EXPECT_EQ(a, b) << label << " point " << p;
            } else {
                EXPECT_LE(std::hypot(a.x - b.x, a.y - b.y), textbook.bound) << label << " point " << p;
            }
        }
    }
}

struct TextbookArcCase {
    double x0, y0, rx, ry, degrees;
    int largeArc, sweep;
    double x1, y1;
};

TEST(TextbookConstructionTest, ArcsNearTheOriginAgree) {
    const TextbookArcCase cases[] = {
        {0, 0, 10, 10, 0, 0, 1, 20, 0},    {0, 0, 10, 10, 0, 1, 0, 20, 0},
        {10, 0, 10, 10, 0, 1, 1, 0, -10},  {3.3, 4.4, 1, 2, 45, 0, 0, 100.1, -50.2},
        {0, 0, 1, 2, 30, 0, 0, 50, 10},    {1, 2, 7, 3, -120, 1, 1, 4, -5},
        {-20, 35, 25, 9, 400, 0, 1, 5, 5}, {0.5, 0.25, 0.75, 0.5, 10, 1, 0, -0.5, 0.125},
    };
    for (const auto& c : cases) {
        PaintCommand built;
        appendExactMoveTo(built, c.x0, c.y0);
        PaintPoint end;
        double bound = 0.0;
        ASSERT_TRUE(
            appendExactArc(built, {c.x0, c.y0},
                           ExactArcParameters{c.rx, c.ry, c.degrees, double(c.largeArc), double(c.sweep), c.x1, c.y1},
                           false, end, bound));
        TextbookArc textbook;
        appendExactMoveTo(textbook.command, c.x0, c.y0);
        textbookArc(textbook, {c.x0, c.y0}, c.rx, c.ry, c.degrees, c.largeArc, c.sweep, {c.x1, c.y1});
        EXPECT_GE(bound * (1.0 + 1e-12), textbook.bound);  // its radii may grow by a rounding
        expectAgreement(built, textbook, "arc from " + std::to_string(c.x0) + ", " + std::to_string(c.y0));
    }
}

TEST(TextbookConstructionTest, EllipsesAndRoundedCornersAgree) {
    std::mt19937_64 random(77);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 500; ++i) {
        const double cx = 200.0 * unit(random) - 100.0;
        const double cy = 200.0 * unit(random) - 100.0;
        const double rx = 0.01 + 50.0 * unit(random);
        const double ry = 0.01 + 50.0 * unit(random);
        PaintCommand built;
        double bound = 0.0;
        ASSERT_TRUE(appendExactEllipse(built, cx, cy, rx, ry, bound));
        const TextbookArc textbook = textbookEllipse(cx, cy, rx, ry);
        EXPECT_GE(bound * (1.0 + 1e-12), textbook.bound);  // its radii may grow by a rounding
        expectAgreement(built, textbook, "ellipse " + std::to_string(i));
    }
    int compared = 0;
    for (int i = 0; i < 500; ++i) {
        const double x = 200.0 * unit(random) - 100.0;
        const double y = 200.0 * unit(random) - 100.0;
        const double w = 0.5 + 100.0 * unit(random);
        const double h = 0.5 + 100.0 * unit(random);
        const double rx = (0.01 + 0.99 * unit(random)) * w / 2;
        const double ry = (0.01 + 0.99 * unit(random)) * h / 2;
        PaintCommand built;
        bool lowered = false;
        double bound = 0.0;
        ASSERT_TRUE(appendExactRoundRect(built, x, y, w, h, rx, ry, true, true, lowered, bound));
        // A quarter turn is four segments; the construction sometimes makes
        // five when its rounded angle lands just above a quarter turn.
        ASSERT_EQ(built.path_verbs.size(), 1u + 4u * 5u + 1u);
        const TextbookArc textbook = textbookRoundRect(x, y, w, h, rx, ry);
        if (textbook.command.path_verbs.size() != built.path_verbs.size()) {
            continue;
        }
        EXPECT_GE(bound * (1.0 + 1e-12), textbook.bound);  // its radii may grow by a rounding
        expectAgreement(built, textbook, "rounded rect " + std::to_string(i));
        ++compared;
    }
    EXPECT_GT(compared, 100);
}

}  // namespace
}  // namespace pavrix_svg_core
