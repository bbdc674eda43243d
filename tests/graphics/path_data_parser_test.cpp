#include <gtest/gtest.h>

#include <plutovg/plutovg.h>

#include <cmath>
#include <random>
#include <string>

#include "graphics/path_data_parser.h"
#include "tests/graphics/path_test_support.h"

namespace {

using namespace pavrix_graphics;
using pavrix_test::countersConsistent;
using pavrix_test::describe;
using pavrix_test::PathHolder;

struct ParseCase {
    const char* text;
    bool ok;
    const char* expected;  // the path after parsing, also after a failure
};

class PathDataCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PathDataCases, ParsesIntoThePath) {
    const ParseCase& c = GetParam();
    PathHolder p;
    const std::string text = c.text;
    EXPECT_EQ(parse_path_data(p.get(), text.data(), static_cast<std::ptrdiff_t>(text.size())), c.ok) << c.text;
    EXPECT_EQ(describe(p.get()), c.expected) << c.text;
    EXPECT_TRUE(countersConsistent(p.get()));
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, PathDataCases,
    ::testing::Values(
        ParseCase{"", true, ""}, ParseCase{"  \t\n", true, ""}, ParseCase{"L 10 10", false, ""},
        ParseCase{"10 10", false, ""}, ParseCase{"z", false, ""}, ParseCase{"m 1 2 3 4", true, "M1,2 L4,6"},
        ParseCase{"M 1 2 3 4", true, "M1,2 L3,4"},
        ParseCase{"M 0 0 H 10 V 10 H 0 Z", true, "M0,0 L10,0 L10,10 L0,10 Z0,0"},
        ParseCase{"M 5 5 h 10 v 10 h -10 z l 1 1", true, "M5,5 L15,5 L15,15 L5,15 Z5,5 L6,6"},
        ParseCase{"M0 0 C 1 1 2 2 3", false, "M0,0"}, ParseCase{"M0 0 S 5 5 10 0", true, "M0,0 C0,0 5,5 10,0"},
        ParseCase{"M0 0 C 1 1 2 2 3 3 S 4 4 5 5", true, "M0,0 C1,1 2,2 3,3 C4,4 4,4 5,5"},
        ParseCase{"M0 0 c 1 1 2 2 3 3 s 1 1 2 2", true, "M0,0 C1,1 2,2 3,3 C4,4 4,4 5,5"},
        ParseCase{"M0 0 L 1 1 S 5 5 10 0", true, "M0,0 L1,1 C1,1 5,5 10,0"},
        ParseCase{"M0 0 Q 3 3 6 0 T 12 0", true, "M0,0 C2,2 4,2 6,0 C8,-2 10,-2 12,0"},
        ParseCase{"M0 0 T 6 0", true, "M0,0 C0,0 2,0 6,0"}, ParseCase{"M 0 0 A 0 5 0 1 0 10 0", true, "M0,0 L10,0"},
        ParseCase{"M 0 0 A 5 5 0 2 0 10 0", false, "M0,0"}, ParseCase{"M 0 0 A 5 5 0 1 0", false, "M0,0"},
        ParseCase{"M1e2 0", true, "M100,0"}, ParseCase{"M1e 0", false, ""}, ParseCase{"M 1. 2", false, ""},
        ParseCase{"M10-5", true, "M10,-5"}, ParseCase{"M0.5.5", true, "M0.5,0.5"},
        ParseCase{"M1,2,L3,4", true, "M1,2 L3,4"}, ParseCase{"M1,,2", false, ""}, ParseCase{"M1 2,", true, "M1,2"},
        ParseCase{"M0 0 z z", false, "M0,0 Z0,0"}, ParseCase{"M0 0 zz", false, "M0,0 Z0,0"},
        ParseCase{"M0 0 z M1 1 z", true, "M0,0 Z0,0 M1,1 Z1,1"}, ParseCase{"M0 0 L1 1 Z 2 2", false, "M0,0 L1,1 Z0,0"},
        ParseCase{"M0 0 X 1 1", false, "M0,0"}, ParseCase{"M0 0 L 1e39 0", false, "M0,0"},
        ParseCase{"M0 0\fL1 1", false, "M0,0"}, ParseCase{"M 3e38 0 l 3e38 0", true, "M3e+38,0 Linf,0"}));

// Absolute coordinates are stored as read, relative ones as the float sum with the current point.
TEST(PathData, CoordinatesKeepTheirSignOfZero) {
    PathHolder p;
    ASSERT_TRUE(parse_path_data(p.get(), "M -0 -0 L -0 5 H -0 V -0 l 0 1", -1));
    const auto segments = pavrix_test::segmentsOf(p.get());
    ASSERT_EQ(segments.size(), 5u);
    EXPECT_TRUE(std::signbit(segments[0].points[0].x));
    EXPECT_TRUE(std::signbit(segments[0].points[0].y));
    EXPECT_TRUE(std::signbit(segments[1].points[0].x));
    EXPECT_TRUE(std::signbit(segments[2].points[0].x));
    EXPECT_TRUE(std::signbit(segments[3].points[0].y));
    EXPECT_FALSE(std::signbit(segments[4].points[0].x));  // -0 + 0 is +0
    EXPECT_EQ(p->start_point.x, 0.0f);
    EXPECT_TRUE(std::signbit(p->start_point.x));
}

TEST(PathData, PackedArcFlagsReadTheSameArc) {
    PathHolder spaced, packed;
    ASSERT_TRUE(parse_path_data(spaced.get(), "M 0 0 A 5 5 0 1 0 10 0", -1));
    ASSERT_TRUE(parse_path_data(packed.get(), "M0 0A5 5 0 1010 0", -1));
    EXPECT_EQ(describe(spaced.get()), describe(packed.get()));
    EXPECT_GT(spaced->num_curves, 0);
}

TEST(PathData, RelativeArcMovesOnlyTheEndPoint) {
    PathHolder rel, abs;
    ASSERT_TRUE(parse_path_data(rel.get(), "M 10 10 a 5 5 0 0 1 10 0", -1));
    ASSERT_TRUE(parse_path_data(abs.get(), "M 10 10 A 5 5 0 0 1 20 10", -1));
    EXPECT_EQ(describe(rel.get()), describe(abs.get()));
}

TEST(PathData, AppendsToWhatThePathHolds) {
    PathHolder p;
    path_move_to(p.get(), 9, 9);
    ASSERT_TRUE(parse_path_data(p.get(), "M 1 1", -1));
    EXPECT_EQ(describe(p.get()), "M9,9 M1,1");
    EXPECT_FALSE(parse_path_data(nullptr, "M 1 1", -1));
}

TEST(PathData, InvalidPathFails) {
    PathHolder p;
    path_reserve(p.get(), -1);
    EXPECT_FALSE(parse_path_data(p.get(), "M 1 1", -1));
    EXPECT_FALSE(parse_path_data(p.get(), "", -1));
}

TEST(PathData, RandomTextKeepsThePathConsistent) {
    std::mt19937 rng(11);
    const std::string alphabet = "MmLlHhVvCcSsQqTtAaZz0123456789011.-+eE ,\t";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 60);
    for (int i = 0; i < 5000; ++i) {
        std::string text = "M";
        for (int n = length(rng); n > 0; --n)
            text += alphabet[pick(rng)];
        PathHolder p;
        parse_path_data(p.get(), text.data(), static_cast<std::ptrdiff_t>(text.size()));
        ASSERT_TRUE(countersConsistent(p.get())) << text;
        ASSERT_FALSE(p->path_invalid) << text;
    }
}

TEST(PathData, ArcFlagReader) {
    const char* text = "1 , 0x";
    const char* cursor = text;
    bool flag = false;
    ASSERT_TRUE(parse_arc_flag(cursor, text + 6, flag));
    EXPECT_TRUE(flag);
    EXPECT_EQ(cursor, text + 4);
    ASSERT_TRUE(parse_arc_flag(cursor, text + 6, flag));
    EXPECT_FALSE(flag);
    EXPECT_FALSE(parse_arc_flag(cursor, text + 6, flag));  // "x"
    EXPECT_FALSE(parse_arc_flag(cursor, cursor, flag));    // end of text
}

}  // namespace

namespace {

// plutovg's own path-data reader is an independent reading of the same grammar; on generated
// well-formed data without arcs (whose segmentation is ours) both give the same commands.
TEST(PathData, AgreesWithTheGraphicsLibraryOnGeneratedData) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> pick(0, 17);
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_real_distribution<float> value(-40, 40);
    std::uniform_int_distribution<int> style(0, 3);
    const char* letters = "MmLlHhVvCcSsQqTtZz";
    const int arity[] = {2, 2, 2, 2, 1, 1, 1, 1, 6, 6, 4, 4, 4, 4, 2, 2, 0, 0};
    const char* separators[] = {" ", ",", " , ", "\t"};

    for (int iteration = 0; iteration < 1000; ++iteration) {
        std::string text = "M 1 2";
        char previous = 'M';
        for (int n = count(rng); n > 0; --n) {
            int k = pick(rng);
            if ((letters[k] == 'Z' || letters[k] == 'z') && (previous == 'Z' || previous == 'z'))
                k = 2;
            text += ' ';
            text += letters[k];
            for (int a = 0; a < arity[k]; ++a) {
                char buf[32];
                std::snprintf(buf, sizeof buf, style(rng) == 0 ? "%.0f" : "%.2f", static_cast<double>(value(rng)));
                text += a ? separators[style(rng)] : " ";
                text += buf;
            }
            previous = letters[k];
        }
        PathHolder ours;
        ASSERT_TRUE(parse_path_data(ours.get(), text.data(), static_cast<std::ptrdiff_t>(text.size()))) << text;
        plutovg_path_t* theirs = plutovg_path_create();
        ASSERT_TRUE(plutovg_path_parse(theirs, text.data(), static_cast<int>(text.size()))) << text;

        const auto segments = pavrix_test::segmentsOf(ours.get());
        plutovg_path_iterator_t it;
        plutovg_path_iterator_init(&it, theirs);
        std::size_t index = 0;
        while (plutovg_path_iterator_has_next(&it)) {
            plutovg_point_t pts[3];
            const int command = plutovg_path_iterator_next(&it, pts);
            ASSERT_LT(index, segments.size()) << text;
            const auto& s = segments[index++];
            ASSERT_EQ(command, static_cast<int>(s.command)) << text << " at segment " << index;
            for (std::size_t p = 0; p < s.points.size(); ++p) {
                ASSERT_NEAR(s.points[p].x, pts[p].x, 1e-3) << text << " at segment " << index;
                ASSERT_NEAR(s.points[p].y, pts[p].y, 1e-3) << text << " at segment " << index;
            }
        }
        EXPECT_EQ(index, segments.size()) << text;
        plutovg_path_destroy(theirs);
    }
}

}  // namespace
