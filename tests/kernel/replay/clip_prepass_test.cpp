// The viewport rectangle every replay clips to.

#include "kernel/replay/clip_prepass.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

using namespace pavrix_svg_core;

constexpr float kInf = std::numeric_limits<float>::infinity();

struct RectCase {
    const char* name;
    PaintBox viewport;
    bool clips;
};

class ViewportSourceRect : public testing::TestWithParam<RectCase> {};

TEST_P(ViewportSourceRect, OnlyAPositiveFiniteViewportClips) {
    const RectCase& c = GetParam();
    const DoubleBox rect = viewport_source_rect(c.viewport);
    EXPECT_EQ(box_non_empty(rect), c.clips);
    if (c.clips) {
        EXPECT_EQ(rect.xmin, c.viewport[0]);
        EXPECT_EQ(rect.ymin, c.viewport[1]);
        EXPECT_EQ(rect.xmax, double(c.viewport[0]) + double(c.viewport[2]));
        EXPECT_EQ(rect.ymax, double(c.viewport[1]) + double(c.viewport[3]));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewportSourceRect,
                         testing::Values(RectCase{"view_box", {-10.0f, 5.0f, 100.0f, 50.0f}, true},
                                         RectCase{"zero_width", {0.0f, 0.0f, 0.0f, 50.0f}, false},
                                         RectCase{"negative_height", {0.0f, 0.0f, 10.0f, -1.0f}, false},
                                         RectCase{"infinite_width", {0.0f, 0.0f, kInf, 10.0f}, false},
                                         RectCase{"infinite_origin", {-kInf, 0.0f, 10.0f, 10.0f}, false}),
                         [](const testing::TestParamInfo<RectCase>& info) { return std::string(info.param.name); });

}  // namespace
