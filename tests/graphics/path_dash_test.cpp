#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "graphics/vector_path.h"
#include "tests/graphics/path_test_support.h"

namespace {

using namespace pavrix_graphics;
using pavrix_test::countersConsistent;
using pavrix_test::describe;
using pavrix_test::PathHolder;

std::string dashed(const VectorPath* path, float offset, std::vector<float> dashes) {
    PathHolder out(
        path_clone_dashed(path, offset, dashes.empty() ? nullptr : dashes.data(), static_cast<int>(dashes.size())));
    if (!out.get())
        return "<null>";
    EXPECT_TRUE(countersConsistent(out.get()));
    return describe(out.get());
}

PathHolder* line(float length) {
    auto* p = new PathHolder;
    path_move_to(p->get(), 0, 0);
    path_line_to(p->get(), length, 0);
    return p;
}

struct DashCase {
    const char* name;
    float offset;
    std::vector<float> dashes;
    const char* expected;
};

class DashPatterns : public ::testing::TestWithParam<DashCase> {};

TEST_P(DashPatterns, CutALineOfTwenty) {
    std::unique_ptr<PathHolder> p(line(20));
    EXPECT_EQ(dashed(p->get(), GetParam().offset, GetParam().dashes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, DashPatterns,
    ::testing::Values(DashCase{"even", 0, {4, 6}, "M0,0 L4,0 M10,0 L14,0"},
                      DashCase{"odd_count_repeats", 0, {5}, "M0,0 L5,0 M10,0 L15,0"},
                      DashCase{"odd_three", 0, {2, 3, 4}, "M0,0 L2,0 M5,0 L9,0 M11,0 L14,0 M18,0 L20,0"},
                      DashCase{"negative_offset_starts_in_gap", -2, {4, 6}, "M2,0 L6,0 M12,0 L16,0"},
                      DashCase{"offset_past_the_pattern", 23, {4, 6}, "M0,0 L1,0 M7,0 L11,0 M17,0 L20,0"},
                      DashCase{"zero_pattern_is_plain", 0, {0, 0}, "M0,0 L20,0"},
                      DashCase{"empty_pattern_is_plain", 0, {}, "M0,0 L20,0"},
                      DashCase{"negative_entry_is_plain", 0, {4, -1}, "M0,0 L20,0"},
                      DashCase{"nan_entry_is_plain", 0, {4, std::numeric_limits<float>::quiet_NaN()}, "M0,0 L20,0"},
                      DashCase{"infinite_entry_is_plain", 0, {4, std::numeric_limits<float>::infinity()}, "M0,0 L20,0"},
                      DashCase{"zero_dash_dots", 0, {0, 10}, "M0,0 L0,0 M10,0 L10,0"},
                      // A non-finite offset leaves no phase to cut at: the line stays whole.
                      DashCase{"nan_offset_is_solid", std::numeric_limits<float>::quiet_NaN(), {4, 6}, "M0,0 L20,0"},
                      DashCase{
                          "infinite_offset_is_solid", -std::numeric_limits<float>::infinity(), {4, 6}, "M0,0 L20,0"},
                      DashCase{"huge_pattern_sum_is_plain", 0, {3e38f, 3e38f}, "M0,0 L20,0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PathDash, CloseIsASegmentAndDashesKeepNoCloseOrCurve) {
    PathHolder rect;
    path_add_rect(rect.get(), 0, 0, 10, 10);
    EXPECT_EQ(dashed(rect.get(), 0, {15, 5}), "M0,0 L10,0 L10,5 M10,10 L0,10 L0,5");

    PathHolder ellipse;
    path_add_ellipse(ellipse.get(), 0, 0, 30, 20);
    PathHolder out(path_clone_dashed(ellipse.get(), 1, std::vector<float>{3, 2}.data(), 2));
    ASSERT_NE(out.get(), nullptr);
    EXPECT_GT(out->elements.size, 0);
    EXPECT_EQ(out->num_curves, 0);
    for (const auto& s : pavrix_test::segmentsOf(out.get()))
        EXPECT_TRUE(s.command == PathCommand::move_to || s.command == PathCommand::line_to);
}

TEST(PathDash, PatternRestartsAtEveryMove) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_line_to(p.get(), 7, 0);
    path_move_to(p.get(), 0, 10);
    path_line_to(p.get(), 7, 10);
    EXPECT_EQ(dashed(p.get(), 0, {5, 1}), "M0,0 L5,0 M6,0 L7,0 M0,10 L5,10 M6,10 L7,10");
}

TEST(PathDash, PlainCopyKeepsCurvesAndCloses) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_cubic_to(p.get(), 1, 1, 2, 2, 3, 0);
    path_close(p.get());
    EXPECT_EQ(dashed(p.get(), 0, {0}), describe(p.get()));
}

TEST(PathDash, LongSegmentWithShortDashTerminates) {
    // Past 2^24 a float running length no longer moves by 1; the dasher must notice.
    std::unique_ptr<PathHolder> p(line(1e8f));
    const float dash = 1.0f;
    PathHolder out(path_clone_dashed(p->get(), 0, &dash, 1));
    ASSERT_NE(out.get(), nullptr);
    EXPECT_TRUE(countersConsistent(out.get()));
    EXPECT_GT(out->num_contours, 1000);
    FloatPoint end{};
    path_get_current_point(out.get(), &end.x, &end.y);
    EXPECT_LE(end.x, 1e8f);
}

TEST(PathDash, InfiniteSegmentIsNotCut) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_line_to(p.get(), std::numeric_limits<float>::infinity(), 0);
    path_line_to(p.get(), 0, 5);
    const float dash = 1.0f;
    PathHolder out(path_clone_dashed(p.get(), 0, &dash, 1));
    ASSERT_NE(out.get(), nullptr);
    EXPECT_TRUE(countersConsistent(out.get()));
    EXPECT_LE(out->elements.size, 16);
}

TEST(PathDash, InvalidOutputIsDropped) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_line_to(p.get(), 10, 0);
    // Pretend the source holds more curves than any copy could reserve room for.
    const std::int32_t curves = p->num_curves;
    p->num_curves = 0x7FFFFFFF / 16;
    const float dash = 1.0f;
    EXPECT_EQ(path_clone_dashed(p.get(), 0, &dash, 1), nullptr);
    p->num_curves = curves;
}

}  // namespace
