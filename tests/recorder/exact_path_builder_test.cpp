#include "recorder/exact_path_builder.h"

#include "graphics/vector_path.h"
#include "../svg/exact/path_data_samples.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace pavrix_svg_core {
namespace {

using V = PathVerb;

std::vector<V> repeat(V verb, std::size_t count) {
    return std::vector<V>(count, verb);
}

std::vector<V> concat(std::initializer_list<std::vector<V>> parts) {
    std::vector<V> out;
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

struct PathCase {
    const char* text;
    bool ok;
    std::vector<V> verbs;
    std::vector<PaintPoint> points;  // checked when not empty
};

TEST(ParsePathDataExactTest, Grammar) {
    const PathCase cases[] = {
        {"M 10 20 L 30 40", true, {V::move_to, V::line_to}, {{10, 20}, {30, 40}}},
        {"m 1 2 3 4", true, {V::move_to, V::line_to}, {{1, 2}, {4, 6}}},
        {"M 1 2 3 4", true, {V::move_to, V::line_to}, {{1, 2}, {3, 4}}},
        {"M0 0 H 10 V 10 H 0 Z",
         true,
         {V::move_to, V::line_to, V::line_to, V::line_to, V::close},
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
        {"M1e2 0", true, {V::move_to}, {{100, 0}}},
        {"M1E+2-1e-1", true, {V::move_to}, {{100, -0.1}}},
        {"M10-5L.5.5", true, {V::move_to, V::line_to}, {{10, -5}, {0.5, 0.5}}},
        {" ,M1,2,,L3,4, ", true, {V::move_to, V::line_to}, {{1, 2}, {3, 4}}},
        {"M0 0 z M1 1 z", true, {V::move_to, V::close, V::move_to, V::close}, {{0, 0}, {1, 1}}},
        {"M0 0 l1 1 z l1 0", true, {V::move_to, V::line_to, V::close, V::line_to}, {{0, 0}, {1, 1}, {1, 0}}},
        {"M0 0 C 1 1 2 2 3 3 S 4 4 5 5",
         true,
         {V::move_to, V::cubic_to, V::cubic_to},
         {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {4, 4}, {5, 5}}},
        {"M0 0 S 5 5 10 0", true, {V::move_to, V::cubic_to}, {{0, 0}, {0, 0}, {5, 5}, {10, 0}}},
        {"M0 0 L 1 1 S 5 5 10 0",
         true,
         {V::move_to, V::line_to, V::cubic_to},
         {{0, 0}, {1, 1}, {1, 1}, {5, 5}, {10, 0}}},
        {"M0 0 Q 3 3 6 0 T 12 0",
         true,
         {V::move_to, V::cubic_to, V::cubic_to},
         {{0, 0}, {2, 2}, {4, 2}, {6, 0}, {8, -2}, {10, -2}, {12, 0}}},
        {"M0 0 T 6 0", true, {V::move_to, V::cubic_to}, {{0, 0}, {0, 0}, {2, 0}, {6, 0}}},
        {"M1 1 c 1 1 2 2 3 3", true, {V::move_to, V::cubic_to}, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {"M0 0 A0 5 0 0 1 10 0", true, {V::move_to, V::line_to}, {{0, 0}, {10, 0}}},
        {"M3 4 A5 5 0 0 1 3 4", true, {V::move_to, V::line_to}, {{3, 4}, {3, 4}}},
        {"M 1e-400 0", true, {V::move_to}, {{0, 0}}},
        {"", false, {}, {}},
        {" ,, ", false, {}, {}},
        {"L 10 10", false, {}, {}},
        {"10 10", false, {}, {}},
        {"M 1. 2", false, {}, {}},
        {"M1e 0", false, {}, {}},
        {"M1em 0", false, {}, {}},
        {"M . 0", false, {}, {}},
        {"M0 0 C 1 1 2 2 3", false, {}, {}},
        {"M0 0 L1 1 Z 2 2", false, {}, {}},
        {"M0 0 X 1 1", false, {}, {}},
        {"M 0 0 A 5 5 0 2 0 10 0", false, {}, {}},
        {"M 0 0 A 5 5 0 1 0.5 10 0", false, {}, {}},
        {"M 1e400 0", false, {}, {}},
        {"M 0 0 L 1e308 0 l 1e308 0", false, {}, {}},
        {"M 1e308 0 c 1e308 0 0 0 1 0", false, {}, {}},
    };
    for (const auto& c : cases) {
        PaintCommand command;
        bool lowered = false;
        double bound = 0.0;
        EXPECT_EQ(parsePathDataExact(c.text, command, lowered, bound), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_TRUE(command.path_verbs.empty()) << c.text;
            EXPECT_TRUE(command.path_points.empty()) << c.text;
            continue;
        }
        EXPECT_EQ(command.path_verbs, c.verbs) << c.text;
        if (!c.points.empty()) {
            EXPECT_EQ(command.path_points, c.points) << c.text;
        }
    }
}

TEST(ParsePathDataExactTest, NumbersAreTheClosestDoubles) {
    const char* literals[] = {"0.1",
                              "0.2",
                              "-0.3",
                              "1.2345678901234567890123",
                              "123456789012345678901234567890",
                              "7e-5",
                              "2.5e+17",
                              "0.000000000000000000000000000001234",
                              "4e-320"};
    for (const char* literal : literals) {
        const std::string text = std::string("M ") + literal + " 0";
        PaintCommand command;
        bool lowered = false;
        double bound = 0.0;
        ASSERT_TRUE(parsePathDataExact(text, command, lowered, bound)) << text;
        EXPECT_EQ(command.path_points[0].x, std::strtod(literal, nullptr)) << literal;
        EXPECT_FALSE(lowered);
        EXPECT_EQ(bound, 0.0);
    }
}

TEST(ParsePathDataExactTest, HalfCircleArcEndsExactly) {
    PaintCommand command;
    bool lowered = false;
    double bound = 0.0;
    ASSERT_TRUE(parsePathDataExact("M0 0 A10 10 0 0 1 20 0", command, lowered, bound));
    EXPECT_EQ(command.path_verbs, concat({{V::move_to}, repeat(V::cubic_to, 8)}));
    ASSERT_EQ(command.path_points.size(), 1u + 24u);
    EXPECT_EQ(command.path_points.back(), (PaintPoint{20.0, 0.0}));
    EXPECT_TRUE(lowered);
    EXPECT_GE(bound, 1e-5);
    // Sweep 1 from (0, 0) to (20, 0) with the y axis down passes through (10, -10).
    EXPECT_NEAR(command.path_points[12].x, 10.0, 1e-12);
    EXPECT_NEAR(command.path_points[12].y, -10.0, 1e-12);
}

TEST(ParsePathDataExactTest, RelativeArcAndLoweringFlag) {
    PaintCommand command;
    bool lowered = false;
    double bound = 0.0;
    ASSERT_TRUE(parsePathDataExact("M10 10 a5 5 0 0 1 10 0", command, lowered, bound));
    EXPECT_EQ(command.path_points.back(), (PaintPoint{20.0, 10.0}));
    EXPECT_TRUE(lowered);

    PaintCommand line;
    lowered = false;
    bound = 0.0;
    ASSERT_TRUE(parsePathDataExact("M0 0 A0 5 0 0 1 10 0", line, lowered, bound));
    EXPECT_TRUE(lowered);  // an arc command sets the flag even when it became a line
    EXPECT_EQ(bound, 0.0);
}

TEST(ParsePathDataExactTest, LargeArcQuarterTurnSegments) {
    // Three quarters of a circle: ceil(1.5 pi / (pi / 8)) = 12 segments.
    PaintCommand command;
    bool lowered = false;
    double bound = 0.0;
    ASSERT_TRUE(parsePathDataExact("M10 0 A10 10 0 1 1 0 -10", command, lowered, bound));
    EXPECT_EQ(command.path_verbs.size(), 1u + 12u);
    EXPECT_EQ(command.path_points.back(), (PaintPoint{0.0, -10.0}));
}

TEST(ParsePathDataExactTest, TinyRadiiScaleUpWithoutOverflow) {
    PaintCommand command;
    bool lowered = false;
    double bound = 0.0;
    ASSERT_TRUE(parsePathDataExact("M0 0 A1e-300 1e-300 0 0 1 10 0", command, lowered, bound));
    EXPECT_EQ(command.path_verbs.size(), 1u + 8u);
    EXPECT_EQ(command.path_points.back(), (PaintPoint{10.0, 0.0}));
    EXPECT_NEAR(command.path_points[12].y, -5.0, 1e-12);
    EXPECT_TRUE(std::isfinite(bound));
}

TEST(ParsePathDataExactTest, ScaledUpRadiiStillEndExactly) {
    // Radii too small for the chord are scaled up until the arc fits.
    PaintCommand command;
    bool lowered = false;
    double bound = 0.0;
    ASSERT_TRUE(parsePathDataExact("M0 0 A1 2 30 0 0 50 10", command, lowered, bound));
    EXPECT_EQ(command.path_points.back(), (PaintPoint{50.0, 10.0}));
    EXPECT_GT(bound, 1e-6);
}

struct PointsCase {
    const char* text;
    bool closed;
    bool ok;
    std::vector<V> verbs;
};

TEST(ParsePointsExactTest, Lists) {
    const PointsCase cases[] = {
        {"1 2 3 4", false, true, {V::move_to, V::line_to}},
        {"1 2 3 4", true, true, {V::move_to, V::line_to, V::close}},
        {"1,2,3,4,5,6", true, true, {V::move_to, V::line_to, V::line_to, V::close}},
        {" ,1 ,, 2 3-4", false, true, {V::move_to, V::line_to}},
        {"1 2 3 4 5", false, false, {}},
        {"", false, false, {}},
        {"  ", true, false, {}},
        {"1 2 x", false, false, {}},
        {"1 2 3 4em", false, false, {}},
    };
    for (const auto& c : cases) {
        PaintCommand command;
        EXPECT_EQ(parsePointsExact(c.text, c.closed, command), c.ok) << c.text;
        EXPECT_EQ(command.path_verbs, c.verbs) << c.text;
    }
    PaintCommand command;
    ASSERT_TRUE(parsePointsExact("0.1,0.2 -3e1 4", false, command));
    EXPECT_EQ(command.path_points, (std::vector<PaintPoint>{{0.1, 0.2}, {-30.0, 4.0}}));
}

TEST(ExactShapeTest, CircleStartsRightWithSixteenCubics) {
    PaintCommand command;
    double bound = 0.0;
    ASSERT_TRUE(appendExactEllipse(command, 0.0, 0.0, 10.0, 10.0, bound));
    EXPECT_EQ(command.path_verbs, concat({{V::move_to}, repeat(V::cubic_to, 16), {V::close}}));
    EXPECT_EQ(command.path_points.front(), (PaintPoint{10.0, 0.0}));
    EXPECT_EQ(command.path_points[24], (PaintPoint{-10.0, 0.0}));
    EXPECT_EQ(command.path_points.back(), (PaintPoint{10.0, 0.0}));
    EXPECT_GE(bound, 1e-5);
}

TEST(ExactShapeTest, EllipseNeedsPositiveRadii) {
    for (const auto& radii :
         {std::pair{0.0, 5.0}, std::pair{5.0, 0.0}, std::pair{-1.0, 5.0}, std::pair{std::nan(""), 5.0}}) {
        PaintCommand command;
        double bound = 0.0;
        EXPECT_FALSE(appendExactEllipse(command, 0.0, 0.0, radii.first, radii.second, bound));
    }
}

TEST(ExactShapeTest, RoundRectRadiiDefaultAndClamp) {
    {
        // rx 5 without ry: both radii are 5; every corner is a quarter arc.
        PaintCommand command;
        bool lowered = false;
        double bound = 0.0;
        ASSERT_TRUE(appendExactRoundRect(command, 0, 0, 100, 50, 5, 0, true, false, lowered, bound));
        EXPECT_TRUE(lowered);
        EXPECT_EQ(command.path_points[0], (PaintPoint{5, 0}));
        EXPECT_EQ(command.path_points[1], (PaintPoint{95, 0}));
        EXPECT_EQ(command.path_points[1 + 12], (PaintPoint{100, 5}));
        const std::vector<V> corner = concat({{V::line_to}, repeat(V::cubic_to, 4)});
        EXPECT_EQ(command.path_verbs, concat({{V::move_to}, corner, corner, corner, corner, {V::close}}));
        EXPECT_EQ(command.path_points.back(), (PaintPoint{5, 0}));
    }
    {
        // rx beyond half the width is clamped to it; the missing ry takes rx, then h / 2.
        PaintCommand command;
        bool lowered = false;
        double bound = 0.0;
        ASSERT_TRUE(appendExactRoundRect(command, 0, 0, 100, 50, 80, 0, true, false, lowered, bound));
        EXPECT_EQ(command.path_points[0], (PaintPoint{50, 0}));
        EXPECT_EQ(command.path_points[1], (PaintPoint{50, 0}));
    }
    {
        PaintCommand command;
        bool lowered = false;
        double bound = 0.0;
        ASSERT_TRUE(appendExactRoundRect(command, 1, 2, 3, 4, 0, 0, false, false, lowered, bound));
        EXPECT_FALSE(lowered);
        EXPECT_EQ(bound, 0.0);
        EXPECT_EQ(command.path_verbs, (std::vector<V>{V::move_to, V::line_to, V::line_to, V::line_to, V::close}));
        EXPECT_EQ(command.path_points, (std::vector<PaintPoint>{{1, 2}, {4, 2}, {4, 6}, {1, 6}}));
    }
}

// Appending arc after arc must keep the vectors growing geometrically: an
// exact-size reservation per arc would copy the whole path every time.
TEST(ExactShapeTest, LongArcChainsReallocateLogarithmically) {
    PaintCommand command;
    appendExactMoveTo(command, 0.0, 0.0);
    PaintPoint current{0.0, 0.0};
    double bound = 0.0;
    int reallocations = 0;
    const PaintPoint* storage = command.path_points.data();
    for (int i = 0; i < 20000; ++i) {
        PaintPoint end;
        ASSERT_TRUE(appendExactArc(command, current, ExactArcParameters{1, 1, 0, 0, 1, 2, 0}, true, end, bound));
        current = end;
        if (command.path_points.data() != storage) {
            storage = command.path_points.data();
            ++reallocations;
        }
    }
    EXPECT_EQ(command.path_verbs.size(), 1u + 20000u * 8u);
    EXPECT_LT(reallocations, 64);
}

TEST(FloatUpperBoundTest, Values) {
    const double inf = std::numeric_limits<double>::infinity();
    const float finf = std::numeric_limits<float>::infinity();
    const struct {
        float x;
        double expected;
    } cases[] = {
        {1.0f, 1.0 + 4.0 * 0x1p-23},
        {-2.0f, 2.0 + 4.0 * 0x1p-22},
        {0.0f, 4.0 * static_cast<double>(std::numeric_limits<float>::denorm_min())},
        {0.5f, 0.5 + 4.0 * 0x1p-24},
        {std::numeric_limits<float>::max(), inf},  // its upper neighbour is infinite
        {finf, inf},
        {-finf, inf},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(floatUpperBound(c.x), c.expected) << c.x;
    }
    EXPECT_TRUE(std::isnan(floatUpperBound(std::numeric_limits<float>::quiet_NaN())));
}

// The numbers kept from the one-pass reading build what the builder reads from the text itself.
void expectSameExactPath(const std::string& text) {
    pavrix_graphics::VectorPath* path = pavrix_graphics::path_create();
    pavrix_svg::PathDataReading reading;
    const bool taken = pavrix_svg::readPathDataOnce(text, path, reading);
    pavrix_graphics::path_destroy(path);
    if (!taken)
        return;
    SCOPED_TRACE(text);
    PaintCommand kept;
    PaintCommand read;
    bool keptLowered = false;
    bool readLowered = false;
    double keptBound = 0.0;
    double readBound = 0.0;
    ASSERT_EQ(buildExactPath(reading.exact, kept, keptLowered, keptBound),
              parsePathDataExact(text, read, readLowered, readBound));
    EXPECT_EQ(kept.path_verbs, read.path_verbs);
    ASSERT_EQ(kept.path_points.size(), read.path_points.size());
    for (std::size_t i = 0; i < kept.path_points.size(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(kept.path_points[i].x),
                  std::bit_cast<std::uint64_t>(read.path_points[i].x));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(kept.path_points[i].y),
                  std::bit_cast<std::uint64_t>(read.path_points[i].y));
    }
    EXPECT_EQ(keptLowered, readLowered);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(keptBound), std::bit_cast<std::uint64_t>(readBound));
}

TEST(BuildExactPathTest, KeptNumbersBuildWhatTheTextBuilds) {
    for (const std::string& text : pavrix_test::iconPathData())
        expectSameExactPath(text);
    std::mt19937_64 random(26);
    for (std::size_t i = pavrix_test::generatedSampleCount(); i > 0 && !HasFailure(); --i)
        expectSameExactPath(pavrix_test::generatedPathData(random));
}

}  // namespace
}  // namespace pavrix_svg_core
