#include <gtest/gtest.h>

#include <array>
#include <string_view>
#include <vector>

#include "graphics/path.h"
#include "tests/graphics/path_test_support.h"

namespace {

using namespace pavrix_svg;
using pavrix_test::describe;

TEST(PathHandle, EmptyHandle) {
    Path p;
    EXPECT_TRUE(p.isNull());
    EXPECT_TRUE(p.isEmpty());
    const Rect box = p.boundingBox();
    EXPECT_EQ(box.w, 0.0f);
    p.reset();
    EXPECT_TRUE(p.isNull());
}

TEST(PathHandle, CopyOnWriteIsolatesCopies) {
    Path a;
    a.moveTo(0, 0);
    a.lineTo(1, 1);
    Path b = a;
    EXPECT_EQ(a.data(), b.data());
    EXPECT_EQ(pavrix_graphics::path_get_reference_count(a.data()), 2);
    b.lineTo(2, 2);
    EXPECT_NE(a.data(), b.data());
    EXPECT_EQ(describe(a.data()), "M0,0 L1,1");
    EXPECT_EQ(describe(b.data()), "M0,0 L1,1 L2,2");
    EXPECT_EQ(pavrix_graphics::path_get_reference_count(a.data()), 1);

    Path c;
    c = a;
    c.close();
    c.addRect(Rect(0, 0, 1, 1));
    c.addEllipse(0, 0, 1, 1);
    c.addRoundRect(0, 0, 4, 4, 1, 1);
    EXPECT_EQ(describe(a.data()), "M0,0 L1,1");

    Path d = a;
    d.reset();  // shared: released, the other copy keeps its path
    EXPECT_TRUE(d.isNull());
    EXPECT_EQ(describe(a.data()), "M0,0 L1,1");

    Path e = a;
    ASSERT_TRUE(e.parse(std::string_view("M 5 5")));
    EXPECT_EQ(describe(e.data()), "M5,5");
    EXPECT_EQ(describe(a.data()), "M0,0 L1,1");
}

TEST(PathHandle, MovesAndSelfAssignment) {
    Path a;
    a.moveTo(3, 3);
    Path b = std::move(a);
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(describe(b.data()), "M3,3");
    const Path& alias = b;
    b = alias;
    EXPECT_EQ(describe(b.data()), "M3,3");
    EXPECT_EQ(pavrix_graphics::path_get_reference_count(b.data()), 1);
}

TEST(PathHandle, ParseResetsAndKeepsThePrefixOnFailure) {
    Path p;
    p.moveTo(9, 9);
    EXPECT_FALSE(p.parse(std::string_view("M 1 1 L 2 2 L 3")));
    EXPECT_EQ(describe(p.data()), "M1,1 L2,2");
    EXPECT_TRUE(p.parse(std::string_view("")));
    EXPECT_TRUE(p.isEmpty());
}

TEST(PathHandle, BoundingBoxUsesControlPoints) {
    Path p;
    p.moveTo(0, 0);
    p.cubicTo(0, 10, 10, 10, 10, 0);
    const Rect box = p.boundingBox();
    EXPECT_EQ(box.h, 10.0f);
    EXPECT_EQ(box.w, 10.0f);
}

TEST(PathHandle, IteratorWalksSegments) {
    Path p;
    p.moveTo(1, 2);
    p.quadTo(3, 3, 6, 0);
    p.close();
    std::vector<PathCommand> commands;
    std::array<Point, 3> points{};
    Point lastEnd;
    for (PathIterator it(p); !it.isDone(); it.next()) {
        commands.push_back(it.currentSegment(points));
        lastEnd = points[commands.back() == PathCommand::cubic_to ? 2 : 0];
    }
    EXPECT_EQ(commands, (std::vector<PathCommand>{PathCommand::move_to, PathCommand::cubic_to, PathCommand::close}));
    EXPECT_EQ(lastEnd.x, 1.0f);
    EXPECT_EQ(lastEnd.y, 2.0f);
    PathIterator empty{Path()};
    EXPECT_TRUE(empty.isDone());
}

}  // namespace
