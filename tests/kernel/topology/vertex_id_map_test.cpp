// Vertex index: ids are the caller's (first-seen order); keys alike in their low bits, and
// erasures in the middle of probe runs, must not lose entries.

#include "kernel/topology/vertex_id_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace pavrix_svg_core;
using Clipper2Lib::Point64;

TEST(VertexTable, IdsInFirstSeenOrder) {
    VertexTable<std::int64_t> table;
    const std::vector<Point64> points{{5, 5}, {1, 1}, {5, 5}, {0, 0}, {1, 1}};
    std::vector<std::size_t> ids;
    for (const Point64& point : points) {
        ids.push_back(table.intern(point));
    }
    EXPECT_EQ(ids, (std::vector<std::size_t>{0, 1, 0, 2, 1}));
    EXPECT_EQ(table.points, (std::vector<Point64>{{5, 5}, {1, 1}, {0, 0}}));
}

TEST(FlatIdMap, StructuredKeysAndErasure) {
    // Keys differing only in high bits would all share a bucket under an identity hash.
    constexpr std::int64_t kCount = 20000;
    VertexIdMap<std::int64_t> map;
    for (std::int64_t i = 0; i < kCount; ++i) {
        ASSERT_TRUE(map.insert(Point64(i << 32, std::int64_t{0}), static_cast<std::size_t>(i)).second);
    }
    for (std::int64_t i = 0; i < kCount; i += 2) {
        map.erase(Point64(i << 32, std::int64_t{0}));
    }
    EXPECT_EQ(map.size(), static_cast<std::size_t>(kCount / 2));
    for (std::int64_t i = 0; i < kCount; ++i) {
        const std::size_t expected = i % 2 == 0 ? VertexIdMap<std::int64_t>::npos : static_cast<std::size_t>(i);
        ASSERT_EQ(map.find(Point64(i << 32, std::int64_t{0})), expected) << i;
    }
}

TEST(FlatIdMap, SignedZeroIsOneKey) {
    VertexIdMap<double> map;
    map.insert(Clipper2Lib::PointD(0.0, -0.0), 7);
    EXPECT_EQ(map.find(Clipper2Lib::PointD(-0.0, 0.0)), 7u);
}

}  // namespace
