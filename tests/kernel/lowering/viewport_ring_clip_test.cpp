#include "kernel/lowering/viewport_ring_clip.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pavrix_svg_core {
namespace {

// Winding number of the closed ring around p (p not on the ring).
int winding(const std::vector<PaintPoint>& ring, PaintPoint p) {
    int w = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const PaintPoint a = ring[i], b = ring[(i + 1) % ring.size()];
        const double cross = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y && b.y > p.y && cross > 0)
            ++w;
        if (a.y > p.y && b.y <= p.y && cross < 0)
            --w;
    }
    return w;
}

std::vector<PaintPoint> pentagram(double cx, double cy, double r) {
    std::vector<PaintPoint> ring;
    for (int k = 0; k < 5; ++k)
        ring.push_back({cx + r * std::cos(1.57 + k * 2.51), cy + r * std::sin(1.57 + k * 2.51)});
    return ring;
}

struct ClipCase {
    const char* why;
    std::vector<PaintPoint> ring;
    bool empty;
};
void PrintTo(const ClipCase& c, std::ostream* os) {
    *os << c.why;
}

class ViewportRingClip : public testing::TestWithParam<ClipCase> {};

// Sampled inside the rectangle, both fill rules must see the same coverage after the clip.
TEST_P(ViewportRingClip, KeepsTheWindingNumberInsideTheRectangle) {
    const DoubleBox rect{0, 0, 10, 10};
    std::vector<PaintPoint> clipped = GetParam().ring;
    std::vector<double> errors(clipped.size(), 0.25);
    clip_ring_to_rect(clipped, errors, rect);
    EXPECT_EQ(clipped.empty(), GetParam().empty) << GetParam().why;
    EXPECT_EQ(errors, std::vector<double>(clipped.size(), 0.25));
    EXPECT_TRUE(ring_inside_rect(clipped, rect));
    for (double x = 0.05; x < 10; x += 0.37) {
        for (double y = 0.03; y < 10; y += 0.41) {
            ASSERT_EQ(winding(clipped, {x, y}), winding(GetParam().ring, {x, y}))
                << GetParam().why << " " << x << ", " << y;
        }
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, ViewportRingClip,
    testing::Values(ClipCase{"inside", {{1, 1}, {9, 1}, {9, 9}}, false},
                    ClipCase{"full bleed", {{-50, -50}, {60, -50}, {60, 60}, {-50, 60}}, false},
                    ClipCase{"clockwise over a corner", {{5, 5}, {5, 20}, {20, 20}, {20, 5}}, false},
                    ClipCase{"star over an edge", pentagram(10, 5, 8), false},
                    ClipCase{"wound twice",
                             {{-5, -5}, {15, -5}, {15, 15}, {-5, 15}, {-5, -5}, {15, -5}, {15, 15}, {-5, 15}},
                             false},
                    ClipCase{"far away", {{1e5, 1e5}, {1e5 + 1, 1e5}, {1e5, 1e5 + 1}}, true}));
// clang-format on

TEST(ViewportRingClip, CutPointsInheritTheErrorOfTheEdgeTheyCut) {
    std::vector<PaintPoint> ring{{5, 5}, {15, 5}, {5, 8}};
    std::vector<double> errors{1.0, 2.0, 3.0};  // the error of the edge ending at each point
    clip_ring_to_rect(ring, errors, DoubleBox{0, 0, 10, 10});
    EXPECT_EQ(ring, (std::vector<PaintPoint>{{5, 5}, {10, 5}, {10, 6.5}, {5, 8}}));
    EXPECT_EQ(errors, (std::vector<double>{1.0, 2.0, 3.0, 3.0}));
}

TEST(ViewportClipRect, GrowsTheViewportByTheMarginOnlyWhenThereIsOne) {
    ReplayParams params;
    params.scale = 2.0;
    params.grid_quantum = 0.5;
    EXPECT_FALSE(box_non_empty(viewport_clip_rect(params)));
    params.clip_rect = DoubleBox{0, 0, 100, 50};
    const DoubleBox grown = viewport_clip_rect(params);
    EXPECT_EQ(grown.xmin, -kViewportClipMarginGridUnits * 0.25);
    EXPECT_EQ(grown.ymax, 50 + kViewportClipMarginGridUnits * 0.25);
}

}  // namespace
}  // namespace pavrix_svg_core
