#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <string>
#include <vector>

#include "graphics/vector_path.h"
#include "tests/graphics/path_test_support.h"

namespace {

using namespace pavrix_graphics;
using pavrix_test::countersConsistent;
using pavrix_test::describe;
using pavrix_test::PathHolder;

TEST(VectorPath, LineToOnEmptyStartsAtOrigin) {
    PathHolder p;
    path_line_to(p.get(), 5, 5);
    EXPECT_EQ(describe(p.get()), "M0,0 L5,5");
    EXPECT_EQ(p->elements.size, 4);
    EXPECT_EQ(p->num_points, 2);
    EXPECT_EQ(p->num_contours, 1);
    EXPECT_TRUE(countersConsistent(p.get()));
}

TEST(VectorPath, CloseCarriesTheStartPoint) {
    PathHolder p;
    path_close(p.get());
    EXPECT_EQ(p->elements.size, 0);
    path_move_to(p.get(), 3, 4);
    path_line_to(p.get(), 9, 9);
    path_close(p.get());
    EXPECT_EQ(describe(p.get()), "M3,4 L9,9 Z3,4");
    EXPECT_EQ(p->num_points, 3);
    float x = 0, y = 0;
    path_get_current_point(p.get(), &x, &y);
    EXPECT_EQ(x, 3.0f);
    EXPECT_EQ(y, 4.0f);
    EXPECT_TRUE(countersConsistent(p.get()));
}

TEST(VectorPath, GrowthDoublesFromEight) {
    PathHolder p;
    const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
        {2, 8}, {4, 8}, {6, 8}, {8, 8}, {10, 16}, {12, 16}, {14, 16}, {16, 16}, {18, 32}};
    path_move_to(p.get(), 0, 0);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i > 0)
            path_line_to(p.get(), static_cast<float>(i), 0);
        EXPECT_EQ(p->elements.size, expected[i].first);
        EXPECT_EQ(p->elements.capacity, expected[i].second);
    }
    PathHolder q;
    ASSERT_TRUE(path_reserve(q.get(), 17));
    EXPECT_EQ(q->elements.capacity, 32);
    ASSERT_TRUE(path_reserve(q.get(), 32));
    EXPECT_EQ(q->elements.capacity, 32);  // enough room: nothing happens
}

TEST(VectorPath, ReserveRefusesNegativeAndOversizedCounts) {
    PathHolder p;
    EXPECT_FALSE(path_reserve(p.get(), -1));
    EXPECT_TRUE(p->path_invalid);

    PathHolder q;
    path_move_to(q.get(), 1, 1);
    EXPECT_FALSE(path_reserve(q.get(), kPathMaxElements));  // 2 + max exceeds the int32 limit
    EXPECT_TRUE(q->path_invalid);
    EXPECT_EQ(describe(q.get()), "M1,1");
    EXPECT_FALSE(path_reserve(q.get(), 1));  // sticky
}

TEST(VectorPath, InvalidPathIgnoresAppendsUntilReset) {
    PathHolder p;
    path_move_to(p.get(), 1, 2);
    path_reserve(p.get(), -1);
    ASSERT_TRUE(p->path_invalid);
    const std::string before = describe(p.get());
    path_move_to(p.get(), 5, 5);
    path_line_to(p.get(), 5, 5);
    path_cubic_to(p.get(), 1, 1, 2, 2, 3, 3);
    path_quad_to(p.get(), 1, 1, 2, 2);
    path_arc_to(p.get(), 1, 1, 0, false, false, 9, 9);
    path_close(p.get());
    path_add_rect(p.get(), 0, 0, 1, 1);
    path_add_round_rect(p.get(), 0, 0, 1, 1, 0.2f, 0.2f);
    path_add_ellipse(p.get(), 0, 0, 1, 1);
    PathHolder other;
    path_move_to(other.get(), 7, 7);
    path_add_path(p.get(), other.get(), nullptr);
    EXPECT_EQ(describe(p.get()), before);
    EXPECT_TRUE(countersConsistent(p.get()));

    path_reset(p.get());
    EXPECT_FALSE(p->path_invalid);
    EXPECT_EQ(p->elements.size, 0);
    EXPECT_EQ(p->start_point.x, 0.0f);
    EXPECT_GT(p->elements.capacity, 0);  // the array is kept
    path_move_to(p.get(), 5, 6);
    EXPECT_EQ(describe(p.get()), "M5,6");
}

TEST(VectorPath, SizeLimitSetsTheFlagAndKeepsElements) {
    PathHolder p;
    path_move_to(p.get(), 1, 2);
    // Pretend the array is one element short of the limit; the check happens before any write.
    const PathElementArray real = p->elements;
    p->elements.size = kPathMaxElements - 1;
    p->elements.capacity = kPathMaxElements;
    path_move_to(p.get(), 3, 4);
    EXPECT_TRUE(p->path_invalid);
    EXPECT_EQ(p->elements.size, kPathMaxElements - 1);
    EXPECT_EQ(p->num_points, 1);
    EXPECT_EQ(p->num_contours, 1);
    p->elements = real;
    path_reset(p.get());
    path_move_to(p.get(), 3, 4);
    EXPECT_EQ(describe(p.get()), "M3,4");
}

struct AppenderCase {
    const char* name;
    std::function<void(VectorPath*)> append;
    const char* expected;
};

class Appenders : public ::testing::TestWithParam<AppenderCase> {};

TEST_P(Appenders, WriteExactElementsAndKeepCountersExact) {
    PathHolder p;
    GetParam().append(p.get());
    EXPECT_EQ(describe(p.get()), GetParam().expected);
    EXPECT_TRUE(countersConsistent(p.get()));
    EXPECT_FALSE(p->path_invalid);
}

INSTANTIATE_TEST_SUITE_P(
    All, Appenders,
    ::testing::Values(
        AppenderCase{"move", [](VectorPath* p) { path_move_to(p, 1, 2); }, "M1,2"},
        AppenderCase{"cubic_on_empty", [](VectorPath* p) { path_cubic_to(p, 1, 2, 3, 4, 5, 6); }, "M0,0 C1,2 3,4 5,6"},
        AppenderCase{"quad",
                     [](VectorPath* p) {
                         path_move_to(p, 0, 0);
                         path_quad_to(p, 3, 3, 6, 0);
                     },
                     "M0,0 C2,2 4,2 6,0"},
        AppenderCase{"rect", [](VectorPath* p) { path_add_rect(p, 1, 2, 3, 4); }, "M1,2 L4,2 L4,6 L1,6 L1,2 Z1,2"},
        AppenderCase{"round_rect_zero_radii", [](VectorPath* p) { path_add_round_rect(p, 1, 2, 3, 4, 0, 0); },
                     "M1,2 L4,2 L4,6 L1,6 L1,2 Z1,2"},
        AppenderCase{"ellipse", [](VectorPath* p) { path_add_ellipse(p, 0, 0, 10, 20); },
                     "M0,-20 C5.52285,-20 10,-11.0457 10,0 C10,11.0457 5.52285,20 0,20 "
                     "C-5.52285,20 -10,11.0457 -10,0 C-10,-11.0457 -5.52285,-20 0,-20 Z0,-20"},
        AppenderCase{"two_contours",
                     [](VectorPath* p) {
                         path_move_to(p, 0, 0);
                         path_line_to(p, 1, 0);
                         path_close(p);
                         path_move_to(p, 5, 5);
                         path_cubic_to(p, 6, 5, 7, 6, 7, 7);
                         path_close(p);
                     },
                     "M0,0 L1,0 Z0,0 M5,5 C6,5 7,6 7,7 Z5,5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VectorPath, QuadUsesTheFloatWeights) {
    PathHolder p;
    path_move_to(p.get(), 1, 1);
    path_quad_to(p.get(), 2, 7, 4, 1);
    const PathElement* e = nullptr;
    path_get_elements(p.get(), &e);
    EXPECT_EQ(e[3].point.x, 1.0f * 0.33333334f + 2.0f * 0.6666667f);
    EXPECT_EQ(e[3].point.y, 1.0f * 0.33333334f + 7.0f * 0.6666667f);
    EXPECT_EQ(e[4].point.x, 4.0f * 0.33333334f + 2.0f * 0.6666667f);
    EXPECT_EQ(e[5].point.x, 4.0f);
}

// The curve weights are the float kappa 0.5522848 (bits 0x3F0D6289), applied to each radius.
TEST(VectorPath, EllipseAndRoundRectUseTheFloatKappa) {
    const float kappa = std::bit_cast<float>(0x3F0D6289u);
    PathHolder e;
    path_add_ellipse(e.get(), 1, 2, 10, 20);
    const PathElement* el = nullptr;
    ASSERT_EQ(path_get_elements(e.get(), &el), 20);
    EXPECT_EQ(el[3].point.x, 1.0f + 10.0f * kappa);
    EXPECT_EQ(el[3].point.y, 2.0f - 20.0f);
    EXPECT_EQ(el[4].point.y, 2.0f - 20.0f * kappa);
    EXPECT_EQ(el[5].point.x, 11.0f);

    PathHolder r;
    path_add_round_rect(r.get(), 0.5f, 1.5f, 10, 6, 3, 2);
    ASSERT_EQ(path_get_elements(r.get(), &el), 28);
    EXPECT_EQ(el[1].point.y, 1.5f + 2.0f);                 // move_to(x, y + ry)
    EXPECT_EQ(el[3].point.y, 1.5f + 2.0f - 2.0f * kappa);  // (x, y + ry - ky)
    EXPECT_EQ(el[4].point.x, 0.5f + 3.0f - 3.0f * kappa);  // (x + rx - kx, y)
    EXPECT_EQ(el[7].point.x, 10.5f - 3.0f);                // line_to(r - rx, y)
    EXPECT_EQ(el[9].point.x, 10.5f - 3.0f + 3.0f * kappa);
    EXPECT_TRUE(countersConsistent(r.get()));
}

TEST(VectorPath, RoundRectClampsRadii) {
    PathHolder a, b;
    path_add_round_rect(a.get(), 0, 0, 10, 4, 50, 50);
    path_add_round_rect(b.get(), 0, 0, 10, 4, 5, 2);
    EXPECT_EQ(describe(a.get()), describe(b.get()));
    EXPECT_EQ(a->num_curves, 4);
    EXPECT_EQ(a->elements.size, 28);
    EXPECT_TRUE(countersConsistent(a.get()));
}

TEST(VectorPath, AddPathCopiesCountsAndStartPoint) {
    PathHolder src, dst;
    path_move_to(src.get(), 1, 1);
    path_cubic_to(src.get(), 2, 2, 3, 3, 4, 4);
    path_move_to(src.get(), 9, 8);
    path_line_to(dst.get(), 5, 5);
    path_add_path(dst.get(), src.get(), nullptr);
    EXPECT_EQ(describe(dst.get()), "M0,0 L5,5 M1,1 C2,2 3,3 4,4 M9,8");
    EXPECT_EQ(dst->start_point.x, 9.0f);
    EXPECT_TRUE(countersConsistent(dst.get()));
    path_close(dst.get());
    EXPECT_EQ(describe(dst.get()).substr(describe(dst.get()).size() - 4), "Z9,8");
}

TEST(VectorPath, AddPathWithMatrixGoesThroughTheAppenders) {
    PathHolder src, dst;
    path_move_to(src.get(), 1, 1);
    path_line_to(src.get(), 2, 1);
    path_close(src.get());
    const AffineMatrix m{2, 0, 0, 2, 10, 0};
    path_add_path(dst.get(), src.get(), &m);
    EXPECT_EQ(describe(dst.get()), "M12,2 L14,2 Z12,2");
    EXPECT_TRUE(countersConsistent(dst.get()));
}

TEST(VectorPath, AddPathWithMatrixMapsEveryCubicPoint) {
    PathHolder src, dst;
    path_cubic_to(src.get(), 1, 2, 3, 4, 5, 6);
    const AffineMatrix m{1, 0, 0, -1, 0, 10};
    path_add_path(dst.get(), src.get(), &m);
    EXPECT_EQ(describe(dst.get()), "M0,10 C1,8 3,6 5,4");
    EXPECT_TRUE(countersConsistent(dst.get()));
}

TEST(VectorPath, AddingAnEmptyPathKeepsTheStartPoint) {
    PathHolder dst, empty;
    path_move_to(dst.get(), 3, 4);
    path_add_path(dst.get(), empty.get(), nullptr);
    const AffineMatrix m{1, 0, 0, 1, 0, 0};
    path_add_path(dst.get(), empty.get(), &m);
    EXPECT_EQ(dst->start_point.x, 3.0f);
    EXPECT_EQ(dst->start_point.y, 4.0f);
    path_close(dst.get());
    EXPECT_EQ(describe(dst.get()), "M3,4 Z3,4");
}

TEST(VectorPath, AddingAnIncompletePathMarksTheDestination) {
    PathHolder src;
    path_move_to(src.get(), 1, 1);
    path_reserve(src.get(), -1);
    const AffineMatrix identity{1, 0, 0, 1, 0, 0};
    for (const AffineMatrix* m : {static_cast<const AffineMatrix*>(nullptr), &identity}) {
        PathHolder dst;
        path_add_path(dst.get(), src.get(), m);
        EXPECT_EQ(describe(dst.get()), "M1,1");
        EXPECT_TRUE(dst->path_invalid);
    }
}

TEST(VectorPath, AddingAPathToItself) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_line_to(p.get(), 1, 0);
    path_line_to(p.get(), 1, 1);  // size 6, capacity 8: the copy must grow the array
    path_add_path(p.get(), p.get(), nullptr);
    EXPECT_EQ(describe(p.get()), "M0,0 L1,0 L1,1 M0,0 L1,0 L1,1");
    EXPECT_TRUE(countersConsistent(p.get()));

    const AffineMatrix shift{1, 0, 0, 1, 10, 0};
    path_add_path(p.get(), p.get(), &shift);
    EXPECT_EQ(describe(p.get()), "M0,0 L1,0 L1,1 M0,0 L1,0 L1,1 M10,0 L11,0 L11,1 M10,0 L11,0 L11,1");
    EXPECT_TRUE(countersConsistent(p.get()));
}

TEST(VectorPath, CloneIsDeepAndKeepsTheInvalidFlag) {
    PathHolder p;
    path_move_to(p.get(), 1, 2);
    path_cubic_to(p.get(), 3, 4, 5, 6, 7, 8);
    PathHolder c(path_clone(p.get()));
    ASSERT_NE(c.get(), nullptr);
    EXPECT_EQ(describe(c.get()), describe(p.get()));
    EXPECT_EQ(path_get_reference_count(c.get()), 1);
    EXPECT_NE(c->elements.data, p->elements.data);
    EXPECT_TRUE(countersConsistent(c.get()));
    path_line_to(c.get(), 0, 0);
    EXPECT_EQ(describe(p.get()), "M1,2 C3,4 5,6 7,8");

    path_reserve(p.get(), -1);
    PathHolder invalid(path_clone(p.get()));
    ASSERT_NE(invalid.get(), nullptr);
    EXPECT_TRUE(invalid->path_invalid);

    PathHolder empty;
    PathHolder emptyClone(path_clone(empty.get()));
    ASSERT_NE(emptyClone.get(), nullptr);
    EXPECT_EQ(emptyClone->elements.size, 0);
}

TEST(VectorPath, NullPathIsAccepted) {
    path_destroy(nullptr);
    EXPECT_FALSE(path_reserve(nullptr, 1));
    EXPECT_EQ(path_add_command(nullptr, PathCommand::line_to, 1), nullptr);
    path_move_to(nullptr, 1, 1);
    path_line_to(nullptr, 1, 1);
    path_cubic_to(nullptr, 1, 1, 1, 1, 1, 1);
    path_quad_to(nullptr, 1, 1, 1, 1);
    path_arc_to(nullptr, 1, 1, 0, true, true, 1, 1);
    path_close(nullptr);
    path_add_rect(nullptr, 0, 0, 1, 1);
    path_add_round_rect(nullptr, 0, 0, 1, 1, 1, 1);
    path_add_ellipse(nullptr, 0, 0, 1, 1);
    path_add_path(nullptr, nullptr, nullptr);
    path_reset(nullptr);
    EXPECT_EQ(path_get_elements(nullptr, nullptr), 0);
}

TEST(VectorPath, IteratorWalksCommands) {
    PathHolder p;
    path_move_to(p.get(), 1, 2);
    path_cubic_to(p.get(), 3, 4, 5, 6, 7, 8);
    path_close(p.get());
    VectorPathIterator it;
    path_iterator_init(&it, p.get());
    FloatPoint pts[3] = {};
    std::vector<PathCommand> commands;
    while (path_iterator_has_next(&it))
        commands.push_back(path_iterator_next(&it, pts));
    EXPECT_EQ(commands, (std::vector<PathCommand>{PathCommand::move_to, PathCommand::cubic_to, PathCommand::close}));
    EXPECT_EQ(pts[0].x, 1.0f);  // the close carries the start point
    EXPECT_EQ(it.index, p->elements.size);
}

}  // namespace
