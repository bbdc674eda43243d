#include "svg/exact/path_data_audit.h"

#include "graphics/path_data_parser.h"
#include "graphics/vector_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace pavrix_svg {
namespace {

struct ItemCase {
    const char* text;
    std::uint32_t count;
};

class PathItemCount : public ::testing::TestWithParam<ItemCase> {};

TEST_P(PathItemCount, LongestRelativeChain) {
    EXPECT_EQ(countPathDataItems(GetParam().text), GetParam().count) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PathItemCount,
    ::testing::Values(ItemCase{"M0 0 l1 1 l1 1 l1 1", 3}, ItemCase{"M0 0 L1 1 l1 1", 1}, ItemCase{"M0 0 l1 1 1 1", 2},
                      ItemCase{"m1 1 l1 1 z l1 1", 2},  // Z returns to the count at the subpath's move
                      ItemCase{"m1 1 2 2 3 3", 3},      // the move continues as l
                      ItemCase{"M0 0 a1 1 0 1010 0 a1 1 0 1 0 1 1", 2}, ItemCase{"M0 0 h1 v1 h1 V5 h1", 3},
                      ItemCase{"M0 0 l1 1 # l1 1", 2}, ItemCase{"", 0},
                      ItemCase{"M0 0 c1 1 2 2 3 3 s1 1 2 2 q1 1 2 2 t1 1", 4}));

struct ScanCase {
    const char* text;
    std::uint64_t segments;
    std::uint64_t points;
    bool valid;
};

class PathScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(PathScan, Counts) {
    const PathScanResult scan = scanPathDataComplexity(GetParam().text);
    EXPECT_EQ(scan.valid != 0, GetParam().valid) << GetParam().text;
    EXPECT_EQ(scan.too_complex, 0);
    if (GetParam().valid) {
        EXPECT_EQ(scan.segments, GetParam().segments) << GetParam().text;
        EXPECT_EQ(scan.points, GetParam().points) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, PathScan,
                         ::testing::Values(ScanCase{"", 0, 0, true}, ScanCase{"  \v ", 0, 0, true},
                                           ScanCase{"M0 0 L1 1 C 1 2 3 4 5 6 Q1 2 3 4 Z", 5, 9, true},
                                           ScanCase{"m 1 2 3 4", 2, 2, true}, ScanCase{"M0,,0 L1 1", 2, 2, true},
                                           ScanCase{"M0 0 H5 V5 S1 1 2 2 T3 3 z M1 1", 7, 11, true},
                                           ScanCase{"M0 0 z z", 0, 0, false}, ScanCase{"M0 0 Z 2 2", 0, 0, false},
                                           ScanCase{"L 1 1", 0, 0, false}, ScanCase{"1 1", 0, 0, false},
                                           ScanCase{"M0 0 A5 5 0 1010 0", 0, 0, false},
                                           ScanCase{"M0 0 A5 5 0 2 0 10 0", 0, 0, false},
                                           ScanCase{"M0 0 X1", 0, 0, false}, ScanCase{"M 1e39 0", 0, 0, false},
                                           ScanCase{"M0 0 L1", 0, 0, false}, ScanCase{"M", 0, 0, false},
                                           ScanCase{"M0 0 L Z", 0, 0, false}, ScanCase{"M1. 2", 0, 0, false}));

TEST(PathScan, ArcCountsItsCubicSegments) {
    const std::uint32_t n = arcSegmentCount(0, 0, 10, 10, 0, 0, 1, 20, 0);
    EXPECT_GE(n, 8u);
    EXPECT_LE(n, 9u);
    const PathScanResult scan = scanPathDataComplexity("M 0 0 A 10 10 0 0 1 20 0");
    EXPECT_TRUE(scan.valid);
    EXPECT_EQ(scan.segments, 1 + n);
    EXPECT_EQ(scan.points, 1 + 3 * n);
}

TEST(PathScan, ArcSegmentCount) {
    EXPECT_EQ(arcSegmentCount(0, 0, 0, 10, 0, 0, 1, 20, 0), 1u);     // zero radius
    EXPECT_EQ(arcSegmentCount(5, 5, 10, 10, 0, 0, 1, 5, 5), 1u);     // end at the start
    EXPECT_EQ(arcSegmentCount(10, 0, 10, 10, 0, 0, 1, 0, 10), 4u);   // quarter circle about the origin
    EXPECT_EQ(arcSegmentCount(10, 0, 10, 10, 0, 1, 0, 0, 10), 12u);  // three quarters
    EXPECT_EQ(arcSegmentCount(0, 0, 1, 1, 0, 0, 1, 100, 0), 8u);     // radii scaled up to a half circle
    EXPECT_EQ(arcSegmentCount(0, 0, -10, -10, 0, 0, 1, 20, 0), arcSegmentCount(0, 0, 10, 10, 0, 0, 1, 20, 0));
}

struct PointsCase {
    const char* text;
    std::uint64_t points;
    bool valid;
};

class PointsScan : public ::testing::TestWithParam<PointsCase> {};

TEST_P(PointsScan, Counts) {
    const PathScanResult scan = scanPointsComplexity(GetParam().text);
    EXPECT_EQ(scan.valid != 0, GetParam().valid) << GetParam().text;
    if (GetParam().valid) {
        EXPECT_EQ(scan.points, GetParam().points) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, PointsScan,
                         ::testing::Values(PointsCase{"1 2 3 4", 2, true}, PointsCase{"1 2 3", 0, false},
                                           PointsCase{"", 0, true}, PointsCase{"   ", 0, true},
                                           PointsCase{"1,2 3,4 ", 2, true}, PointsCase{"1 2 x", 0, false},
                                           PointsCase{"1,,2", 0, false}, PointsCase{"1e39 0", 0, false},
                                           PointsCase{"1em 2", 0, false}, PointsCase{"1-2", 1, true}));

TEST(PathPrecision, CoordinateErrorsPerAxis) {
    const PathPrecision p = analyzePathDataPrecision("M0.1 0.25 L 3 0.2");
    EXPECT_EQ(p.errorX, std::fabs(static_cast<double>(0.1f) - 0.1));
    EXPECT_EQ(p.errorY, std::fabs(static_cast<double>(0.2f) - 0.2));
    EXPECT_GE(p.error, std::max(p.errorX, p.errorY));
    // Relative coordinates accumulate float rounding along the chain.
    const PathPrecision chain = analyzePathDataPrecision("M0 0 l0.1 0 l0.1 0 l0.1 0");
    const float x = ((0.0f + 0.1f) + 0.1f) + 0.1f;
    EXPECT_EQ(chain.errorX, std::fabs(static_cast<double>(x) - (0.1 + 0.1 + 0.1)));
}

struct AmbiguityCase {
    const char* text;
    bool general;
    bool isolated;
};

class PathAmbiguity : public ::testing::TestWithParam<AmbiguityCase> {};

TEST_P(PathAmbiguity, Flags) {
    const PathPrecision p = analyzePathDataPrecision(GetParam().text);
    EXPECT_TRUE(std::isfinite(p.error)) << GetParam().text;
    EXPECT_EQ(p.strokeDirectionAmbiguous != 0, GetParam().general) << GetParam().text;
    EXPECT_EQ(p.isolatedStrokeDirectionAmbiguous != 0, GetParam().isolated) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, PathAmbiguity,
                         ::testing::Values(
                             // 0.1 and 0.1000000001 round to the same float: a zero float segment with an exact length.
                             AmbiguityCase{"M 0.1 0 L 0.1000000001 0", false, true},
                             AmbiguityCase{"M 0.1 0 L 0.1000000001 0 L 5 5", true, false},
                             AmbiguityCase{"M 0.1 0 L 0.1 0 L 5 5", false, false},  // zero exact length is not judged
                             AmbiguityCase{"M0.1 0 C0.1000000001 0 5 5 6 6", false, true},
                             AmbiguityCase{"M0.1 0 C0.1 0 5 5 6 6", false,
                                           false},  // the tangent falls back to the next control
                             AmbiguityCase{"M0.1 0 Q0.1000000001 0 6 6", false, true},
                             AmbiguityCase{"M0.1 0 L5 5 L0.1000000001 0 Z", true, false},  // the closing segment
                             AmbiguityCase{"M0.1 0 L0.1000000001 0 M 0 0 L 5 5 L 6 0", false, true},
                             AmbiguityCase{"M0 0 L5 5 z l 1 1", false, false}));

TEST(PathPrecision, SyntaxErrorsAreUnbounded) {
    for (const char* text :
         {"M0 0 X 1", "1 2", "M0 0 L1", "M0 0 z z", "M0 0 Z 1 1", "M 1e39 0", "M0 0 A1 1 0 2 0 1 1"}) {
        const PathPrecision p = analyzePathDataPrecision(text);
        EXPECT_TRUE(std::isinf(p.error)) << text;
        EXPECT_TRUE(std::isinf(p.errorX)) << text;
    }
    EXPECT_EQ(analyzePathDataPrecision("").error, 0.0);
}

TEST(PathPrecision, Arcs) {
    const PathPrecision p = analyzePathDataPrecision("M0 0 A10 10 0 0 1 20 0");
    EXPECT_EQ(p.hasLoweredCurve, 1);
    EXPECT_GE(p.errorX, 1e-5);  // radii and angle rounding: at least 1e-6 * radius
    EXPECT_EQ(p.errorX, p.errorY);
    EXPECT_TRUE(std::isfinite(p.error));
    // A zero radius arc is exact like a line.
    EXPECT_EQ(analyzePathDataPrecision("M0 0 A 0 5 0 0 1 10 0").error, 0.0);
    // Negative radii act as positive ones and are bounded the same way.
    EXPECT_EQ(analyzePathDataPrecision("M0 0 A-10 -10 0 0 1 20 0").errorX, p.errorX);
    // The float chord vanishes while the exact one does not.
    EXPECT_TRUE(std::isinf(analyzePathDataPrecision("M0.1 0 A 5 5 0 0 1 0.1000000001 0").error));
    EXPECT_EQ(analyzePathDataPrecision("M0 0 Q 1 1 2 0").hasLoweredCurve, 1);
    EXPECT_EQ(analyzePathDataPrecision("M0 0 C 1 1 2 2 3 0").hasLoweredCurve, 0);
    // Packed flags as the float parser reads them.
    EXPECT_EQ(analyzePathDataPrecision("M0 0A5 5 0 1010 0").errorX,
              analyzePathDataPrecision("M 0 0 A 5 5 0 1 0 10 0").errorX);
}

struct ArcCase {
    const char* text;
    bool unbounded;
    bool general;
    bool isolated;
};

class ArcConversion : public ::testing::TestWithParam<ArcCase> {};

// Arcs the float converter turns into a straight line are judged as lines; a float path that
// draws a line for a real exact arc, or an arc where the exact end meets its start, is unbounded.
TEST_P(ArcConversion, ErrorAndFlags) {
    const PathPrecision p = analyzePathDataPrecision(GetParam().text);
    EXPECT_EQ(std::isinf(p.error), GetParam().unbounded) << GetParam().text;
    EXPECT_EQ(std::isinf(p.errorX), GetParam().unbounded) << GetParam().text;
    EXPECT_EQ(p.strokeDirectionAmbiguous != 0, GetParam().general) << GetParam().text;
    EXPECT_EQ(p.isolatedStrokeDirectionAmbiguous != 0, GetParam().isolated) << GetParam().text;
    EXPECT_EQ(p.hasLoweredCurve, 1) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ArcConversion,
    ::testing::Values(ArcCase{"M0 0 A 0 5 0 0 1 10 0", false, false, false},
                      // Zero radius: a line of float length 0 with an exact length, as for L.
                      ArcCase{"M 0.1 0 A 0 0 0 0 0 0.1000000001 0", false, false, true},
                      ArcCase{"M 0.1 0 A 0 0 0 0 0 0.1000000001 0 L 5 5", false, true, false},
                      // (1e-30)^2 underflows in float: the converter draws a line, the exact arc bulges far out.
                      ArcCase{"M-10 0 A 1e-30 10 0 0 1 10 0", true, false, false},
                      // 16777217 + 1 is 16777218 in double but 16777216 in float: only the float path holds the
                      // arc (its h segment has no float length either).
                      ArcCase{"M16777217 0 h1 A 5 5 0 1 1 16777218 0", true, false, true},
                      ArcCase{"M0.1 0 A 5 5 0 1 1 0.1 0", false, false, false}));

TEST(PathPrecision, LongPathStaysBounded) {
    std::string text = "M0 0";
    for (int i = 0; i < 20000; ++i)
        text += " a3 3 0 0 1 1 1 q1 2 3 4";
    const PathPrecision p = analyzePathDataPrecision(text);
    EXPECT_TRUE(std::isfinite(p.error));
    EXPECT_GT(p.error, 0.0);
}

struct FlagsCase {
    const char* text;
    std::vector<std::uint8_t> flags;
};

class SubpathFlags : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(SubpathFlags, AreaPotential) {
    EXPECT_EQ(subpathFlagsOf(GetParam().text), GetParam().flags) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SubpathFlags,
    ::testing::Values(FlagsCase{"M0 0 L10 0 L20 0 Z", {0}}, FlagsCase{"M0 0 L10 0 L10 10", {1}},
                      FlagsCase{"M0 0 L1 1 M5 5 L6 6 L6 7", {0, 1}}, FlagsCase{"M0 0 A5 5 0 0 1 10 0", {1}},
                      FlagsCase{"M0 0 A0 5 0 0 1 10 0", {0}}, FlagsCase{"M0 0 A5 5 0 1110 0", {1}},
                      FlagsCase{"M0 0 Q 5 5 10 0", {1}}, FlagsCase{"M0 0 l10 0 l0 1e-9", {1}},
                      FlagsCase{"M0 0 L1e6 0 L2e6 1e-9", {0}},  // within the collinearity tolerance
                      FlagsCase{"M0 0 C 0 0 10 0 20 0", {0}}, FlagsCase{"M0 0 h10 v0 h-5", {0}},
                      FlagsCase{"M0 0 S 5 5 10 0", {1}}, FlagsCase{"M0 0 T 10 0", {0}},
                      FlagsCase{"m0 0 10 0 z m0 10 10 0", {0, 0}}, FlagsCase{"M0 0 X", {}}, FlagsCase{"", {}},
                      FlagsCase{"1 2", {}}, FlagsCase{"M0 0 z 1 1", {}}));

// The analysis reads exactly the texts the float path parser reads.
TEST(PathPrecision, SyntaxAgreesWithFloatParser) {
    std::mt19937 random(777);
    int acceptedTexts = 0;
    const char* letters = "MmLlHhVvCcSsQqTtAaZz";
    const char* numbers[] = {"1", "0", "-2.5", ".5", "1e2", "7", "10", "-.25", "3e-1", "0.1"};
    const char* separators[] = {" ", ",", " , ", ""};
    const char* faults[] = {"X", ",,", "3.", "-", "1e", "2"};
    const auto argumentsOf = [](char c) {
        switch (c | 0x20) {
        case 'a':
            return 7;
        case 'c':
            return 6;
        case 'h':
        case 'v':
            return 1;
        case 'q':
        case 's':
            return 4;
        case 'z':
            return 0;
        default:
            return 2;
        }
    };
    for (int round = 0; round < 5000; ++round) {
        std::string text = "M1 1";
        const int count = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < count; ++k) {
            const char letter = letters[random() % 20];
            text += ' ';
            text += letter;
            for (int a = 0; a < argumentsOf(letter); ++a) {
                if ((letter | 0x20) == 'a' && (a == 3 || a == 4))
                    text += random() % 2 ? "1" : "0";
                else
                    text += numbers[random() % 10];
                text += separators[random() % 4];
                if (text.back() != ' ' && text.back() != ',')
                    text += ' ';
            }
            if (random() % 12 == 0)
                text += faults[random() % 6];
        }
        pavrix_graphics::VectorPath* path = pavrix_graphics::path_create();
        const bool accepted =
            pavrix_graphics::parse_path_data(path, text.data(), static_cast<std::ptrdiff_t>(text.size()));
        pavrix_graphics::path_destroy(path);
        acceptedTexts += accepted ? 1 : 0;
        const PathPrecision p = analyzePathDataPrecision(text);
        if (!accepted) {
            EXPECT_TRUE(std::isinf(p.error)) << text;
        } else if (text.find_first_of("Aa") == std::string::npos) {
            EXPECT_TRUE(std::isfinite(p.error)) << text;
            // Without packed arc flags the cost scan and the area walk read it as well.
            EXPECT_TRUE(scanPathDataComplexity(text).valid) << text;
            EXPECT_FALSE(subpathFlagsOf(text).empty()) << text;
        }
    }
    EXPECT_GT(acceptedTexts, 1000) << "the random texts should exercise accepted data too";
}

// Small integers are exact in both precisions, so nothing but quadratic weights and arcs can
// introduce an error.
TEST(PathPrecision, IntegerPathsAreExact) {
    for (const char* text : {"M 0 0 L 1 0", "M1 2 L3 4 H-5 V6 C1 2 3 4 5 6 S7 8 9 10 Z",
                             "m1 2 l3 4 h-5 v6 c1 2 3 4 5 6 s7 8 9 10 z l1 1"}) {
        const PathPrecision p = analyzePathDataPrecision(text);
        EXPECT_EQ(p.error, 0.0) << text;
        EXPECT_EQ(p.errorX, 0.0) << text;
        EXPECT_EQ(p.errorY, 0.0) << text;
        EXPECT_EQ(p.strokeDirectionAmbiguous, 0) << text;
        EXPECT_EQ(p.isolatedStrokeDirectionAmbiguous, 0) << text;
        EXPECT_EQ(p.hasLoweredCurve, 0) << text;
    }
    EXPECT_GT(analyzePathDataPrecision("M0 0 Q 1 3 2 0").error, 0.0);
}

}  // namespace
}  // namespace pavrix_svg
