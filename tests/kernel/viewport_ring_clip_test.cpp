#include "kernel/viewport_ring_clip.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pavrix_svg_core {
namespace {

// Winding number of the closed ring around p (p not on the ring).
int winding(const std::vector<PaintPoint>& ring, PaintPoint p) {
    int w = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const PaintPoint a = ring[i];
        const PaintPoint b = ring[(i + 1) % ring.size()];
        const double cross = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
        if (a.y <= p.y && b.y > p.y && cross > 0)
            ++w;
        if (a.y > p.y && b.y <= p.y && cross < 0)
            --w;
    }
    return w;
}

std::vector<PaintPoint> star(double cx, double cy, double r) {
    std::vector<PaintPoint> ring;
    for (int k = 0; k < 5; ++k) {
        const double angle = M_PI / 2 + k * 4 * M_PI / 5;
        ring.push_back({cx + r * std::cos(angle), cy + r * std::sin(angle)});
    }
    return ring;
}

struct ClipCase {
    const char* why;
    std::vector<PaintPoint> ring;
};

class ViewportRingClip : public testing::TestWithParam<ClipCase> {};

TEST_P(ViewportRingClip, KeepsTheWindingNumberInsideTheRectangle) {
    const DoubleBox rect{0, 0, 10, 10};
    std::vector<PaintPoint> clipped = GetParam().ring;
    std::vector<double> errors(clipped.size(), 0.25);
    clip_ring_to_rect(clipped, errors, rect);
    ASSERT_EQ(errors.size(), clipped.size());
    EXPECT_TRUE(ring_inside_rect(clipped, rect));
    for (double error : errors)
        EXPECT_EQ(error, 0.25);
    for (double x = 0.05; x < 10; x += 0.37) {
        for (double y = 0.03; y < 10; y += 0.41) {
            EXPECT_EQ(winding(clipped, {x, y}), winding(GetParam().ring, {x, y}))
                << GetParam().why << " at " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ViewportRingClip,
    testing::Values(ClipCase{"inside", {{1, 1}, {9, 1}, {9, 9}}},
                    ClipCase{"full bleed", {{-50, -50}, {60, -50}, {60, 60}, {-50, 60}}},
                    ClipCase{"clockwise across a corner", {{5, 5}, {5, 20}, {20, 20}, {20, 5}}},
                    ClipCase{"star over an edge", star(10, 5, 8)},
                    ClipCase{"wound twice",
                             {{-5, -5}, {15, -5}, {15, 15}, {-5, 15}, {-5, -5}, {15, -5}, {15, 15}, {-5, 15}}},
                    ClipCase{"far away", {{1e5, 1e5}, {1e5 + 1, 1e5}, {1e5, 1e5 + 1}}}));

TEST(ViewportRingClip, NothingInsideLeavesAnEmptyRing) {
    std::vector<PaintPoint> ring{{20, 20}, {30, 20}, {30, 30}};
    std::vector<double> errors(3, 0.0);
    clip_ring_to_rect(ring, errors, DoubleBox{0, 0, 10, 10});
    EXPECT_TRUE(ring.empty());
    EXPECT_TRUE(errors.empty());
}

TEST(ViewportRingClip, CutPointsInheritTheErrorOfTheEdgeTheyCut) {
    std::vector<PaintPoint> ring{{5, 5}, {15, 5}, {5, 8}};
    std::vector<double> errors{1.0, 2.0, 3.0};
    clip_ring_to_rect(ring, errors, DoubleBox{0, 0, 10, 10});
    ASSERT_EQ(ring.size(), 4u);
    // Edges 5,5 -> 15,5 (error 2) and 15,5 -> 5,8 (error 3) are cut at x = 10.
    EXPECT_EQ(ring[1], (PaintPoint{10, 5}));
    EXPECT_EQ(errors[1], 2.0);
    EXPECT_EQ(ring[2], (PaintPoint{10, 6.5}));
    EXPECT_EQ(errors[2], 3.0);
}

TEST(ViewportClipRect, GrowsTheViewportByTheMargin) {
    ReplayParams params;
    params.scale = 2.0;
    params.grid_quantum = 0.5;
    EXPECT_FALSE(box_non_empty(viewport_clip_rect(params))) << "no viewport, no clip";
    params.clip_rect = DoubleBox{0, 0, 100, 50};
    const DoubleBox grown = viewport_clip_rect(params);
    const double margin = kViewportClipMarginGridUnits * 0.25;
    EXPECT_EQ(grown.xmin, -margin);
    EXPECT_EQ(grown.ymax, 50 + margin);
}

}  // namespace
}  // namespace pavrix_svg_core
