#include "kernel/result/collection_appends.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Path64;

TEST(AppendCollectionRing, StoresRingsClosedAndDropsShortOnes) {
    struct Case {
        const char* why;
        Path64 ring;
        std::uint64_t stored_rows;  // 0: dropped
    };
    const Case cases[] = {
        {"triangle gets its closing row", {{0, 0}, {5, 0}, {0, 5}}, 4},
        {"two points carry no area", {{0, 0}, {5, 0}}, 0},
        {"empty ring", {}, 0},
        {"square", {{0, 0}, {5, 0}, {5, 5}, {0, 5}}, 5},
    };
    for (const Case& c : cases) {
        GeometryCollection collection = init_geometry_collection();
        ComplexityBudget budget;
        append_collection_ring(collection, c.ring, 7, budget);
        EXPECT_EQ(collection.coordinates.size(), 2 * c.stored_rows) << c.why;
        EXPECT_EQ(budget.exported_coordinates, c.stored_rows) << c.why;
        if (c.stored_rows == 0) {
            EXPECT_EQ(collection.ring_offsets.size(), 1u) << c.why;
            EXPECT_TRUE(collection.hole_parent.empty()) << c.why;
            continue;
        }
        EXPECT_EQ(collection.ring_offsets.back(), c.stored_rows) << c.why;
        EXPECT_EQ(collection.hole_parent, std::vector<std::int64_t>{7}) << c.why;
        EXPECT_EQ(collection.coordinates[2 * c.stored_rows - 2], c.ring.front().x) << c.why;
        EXPECT_EQ(collection.coordinates[2 * c.stored_rows - 1], c.ring.front().y) << c.why;
    }
}

TEST(AppendCollectionRing, BudgetCapStopsBeforeAnythingGrows) {
    GeometryCollection collection = init_geometry_collection();
    ComplexityBudget budget;
    budget.exported_coordinates = kBudgetCaps[static_cast<unsigned>(BudgetCounter::exported_coordinates)] - 3;
    EXPECT_THROW(append_collection_ring(collection, {{0, 0}, {5, 0}, {0, 5}}, -1, budget), ComplexityLimitError);
    EXPECT_TRUE(collection.coordinates.empty());
    EXPECT_EQ(collection.ring_offsets.size(), 1u);
}

struct ColourCase {
    const char* why;
    double channel;
    bool valid;
    std::uint8_t byte;
};

const ColourCase kColourCases[] = {
    {"just above one", 1.0000001, false, 0},
    {"not a number", std::nan(""), false, 0},
    {"negative", -0.0001, false, 0},
    {"infinite", std::numeric_limits<double>::infinity(), false, 0},
    {"zero", 0.0, true, 0},
    {"one", 1.0, true, 255},
    {"half rounds away from zero", 0.5, true, 128},
};

TEST(AppendUnprintableFragment, ChecksEveryColourChannel) {
    for (const ColourCase& c : kColourCases) {
        for (std::size_t channel = 0; channel < 4; ++channel) {
            UnprintableFragmentCollection fragments;
            std::array<double, 4> colour{0.25, 0.25, 0.25, 1.0};
            colour[channel] = c.channel;
            if (!c.valid) {
                EXPECT_THROW(append_unprintable_fragment(fragments, 5, colour, 3, 9, 1, -1), std::runtime_error)
                    << c.why;
                // Nothing half-written: the columns stay in step.
                EXPECT_TRUE(fragments.reason_ids.empty()) << c.why;
                EXPECT_TRUE(fragments.rgba.empty()) << c.why;
                continue;
            }
            append_unprintable_fragment(fragments, 5, colour, 3, 9, 1, 2);
            EXPECT_EQ(fragments.rgba[channel], c.byte) << c.why;
            EXPECT_EQ(fragments.rgba_f64[channel], c.channel) << c.why;
            EXPECT_EQ(fragments.reason_ids, std::vector<std::int32_t>{5});
            EXPECT_EQ(fragments.draw_indices, std::vector<std::int32_t>{3});
            EXPECT_EQ(fragments.source_indices, std::vector<std::int32_t>{9});
            EXPECT_EQ(fragments.source_kinds, std::vector<std::int32_t>{1});
            EXPECT_EQ(fragments.subpath_indices, std::vector<std::int32_t>{2});
        }
    }
}

TEST(AppendUnprintableFragment, MessageNamesTheFragmentColour) {
    UnprintableFragmentCollection fragments;
    try {
        append_unprintable_fragment(fragments, 0, {2.0, 0.0, 0.0, 1.0}, 0, -1, 0, -1);
        FAIL();
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "invalid_fragment_rgba");
    }
}

TEST(AppendRegionFragment, IsAreaCollapseOfTheWholeRegion) {
    ReplayRegion region = init_replay_region();
    region.color = {0.2, 0.4, 0.6, 0.8};
    region.draw_index = 4;
    region.source_index = 11;
    region.source_kind = 1;
    UnprintableFragmentCollection fragments;
    append_region_fragment(fragments, region);
    EXPECT_EQ(fragments.reason_ids, std::vector<std::int32_t>{3});
    EXPECT_EQ(fragments.subpath_indices, std::vector<std::int32_t>{-1});
    EXPECT_EQ(fragments.rgba, (std::vector<std::uint8_t>{51, 102, 153, 204}));
    EXPECT_EQ(fragments.draw_indices, std::vector<std::int32_t>{4});
    EXPECT_EQ(fragments.source_indices, std::vector<std::int32_t>{11});
    EXPECT_EQ(fragments.source_kinds, std::vector<std::int32_t>{1});
}

}  // namespace
}  // namespace pavrix_svg_core
