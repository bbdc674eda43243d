#include "recorder/paint_command.h"
#include "recorder/paint_enum_names.h"

#include <gtest/gtest.h>

#include <utility>

namespace pavrix_svg_core {
namespace {

TEST(PaintCommandTest, DefaultsMatchTheRecordContract) {
    const PaintCommand command;
    EXPECT_EQ(command.kind, PaintCommandKind::fill);
    EXPECT_EQ(paintCommandKindName(command.kind), "fill");
    EXPECT_EQ(command.matrix, (PaintMatrix{1.0, 0.0, 0.0, 1.0, 0.0, 0.0}));
    EXPECT_EQ(command.rgba, (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(paintFillRuleName(command.fill_rule), "nonzero");
    EXPECT_EQ(command.stroke.width, 1.0);
    EXPECT_EQ(command.stroke.miter_limit, 4.0);
    EXPECT_EQ(command.stroke.dash_offset, 0.0);
    EXPECT_EQ(command.stroke.line_cap, LineCap::butt);
    EXPECT_EQ(command.stroke.line_join, LineJoin::miter);
    EXPECT_TRUE(command.stroke.dash_array.empty());
    EXPECT_EQ(command.paint_opacity, 1.0);
    EXPECT_EQ(command.group_opacity, 1.0);
    EXPECT_EQ(command.source_index, -1);
    EXPECT_TRUE(command.source_kind.empty());
    EXPECT_FALSE(command.transform_coordinates_exact);
    EXPECT_FALSE(command.path_coordinates_exact);
    EXPECT_TRUE(paintCommandIsWellFormed(command));
}

TEST(PaintCommandTest, OutOfTableBytesReadAsUnknownOrNonzero) {
    EXPECT_EQ(paintCommandKindName(static_cast<PaintCommandKind>(6)), "unknown");
    EXPECT_EQ(paintCommandKindName(static_cast<PaintCommandKind>(255)), "unknown");
    EXPECT_EQ(pathVerbName(static_cast<PathVerb>(4)), "unknown");
    EXPECT_EQ(lineCapName(static_cast<LineCap>(3)), "unknown");
    EXPECT_EQ(lineJoinName(static_cast<LineJoin>(3)), "unknown");
    EXPECT_EQ(paintFillRuleName(static_cast<PaintFillRule>(1)), "evenodd");
    for (int byte : {0, 2, 3, 128, 255}) {
        EXPECT_EQ(paintFillRuleName(static_cast<PaintFillRule>(byte)), "nonzero") << byte;
    }
}

TEST(PaintCommandTest, EnumNamesCoverTheTables) {
    const char* kinds[] = {"fill", "stroke", "clip_begin", "clip_end", "group_begin", "group_end"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(paintCommandKindName(static_cast<PaintCommandKind>(i)), kinds[i]);
    }
    const char* verbs[] = {"move_to", "line_to", "cubic_to", "close"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pathVerbName(static_cast<PathVerb>(i)), verbs[i]);
    }
    EXPECT_EQ(lineCapName(LineCap::round), "round");
    EXPECT_EQ(lineCapName(LineCap::square), "square");
    EXPECT_EQ(lineJoinName(LineJoin::round), "round");
    EXPECT_EQ(lineJoinName(LineJoin::bevel), "bevel");
}

TEST(RecorderResultTest, FactoryResults) {
    const RecorderResult invalid = make_invalid_recorder_result();
    EXPECT_EQ(invalid.status, "invalid");
    EXPECT_EQ(invalid.reason_code, "invalid_svg");
    EXPECT_EQ(invalid.schema_version, 4u);
    EXPECT_EQ(invalid.bounds, (PaintBox{0, 0, 0, 0}));
    EXPECT_EQ(invalid.viewport, (PaintBox{0, 0, 0, 0}));
    EXPECT_FALSE(invalid.image_vectorizer_origin);
    EXPECT_FALSE(invalid.has_non_scaling_stroke);
    EXPECT_TRUE(invalid.commands.empty());

    const RecorderResult complexity = make_complexity_result();
    EXPECT_EQ(complexity.status, "unsupported");
    EXPECT_EQ(complexity.reason_code, "unsupported_complexity");
    EXPECT_EQ(complexity.schema_version, 4u);
    EXPECT_EQ(complexity.bounds, (PaintBox{0, 0, 0, 0}));
    EXPECT_EQ(complexity.viewport, (PaintBox{0, 0, 0, 0}));
    EXPECT_TRUE(complexity.commands.empty());
}

TEST(PaintRecordingTest, StartsEmptyAtSchemaFour) {
    const PaintRecording recording;
    EXPECT_EQ(recording.schema_version, 4u);
    EXPECT_EQ(recording.verb_count, 0u);
    EXPECT_EQ(recording.point_count, 0u);
    EXPECT_EQ(recording.dash_count, 0u);
    EXPECT_FALSE(recording.over_budget);
    EXPECT_TRUE(recording.commands.empty());
    EXPECT_TRUE(recording.reasons.empty());
}

TEST(RecorderResultTest, MoveLeavesCommandsWithTheTarget) {
    RecorderResult source;
    PaintCommand command;
    command.path_verbs = {PathVerb::move_to, PathVerb::line_to, PathVerb::close};
    command.path_points = {{0, 0}, {1, 1}};
    command.source_subpath_area_potential = {0};
    command.stroke.dash_array = {1.0, 2.0};
    source.commands.push_back(command);
    const RecorderResult copy = source;
    RecorderResult moved = std::move(source);
    ASSERT_EQ(moved.commands.size(), 1u);
    EXPECT_EQ(moved.commands[0], command);
    EXPECT_EQ(copy.commands[0], command);
}

struct WellFormedCase {
    const char* name;
    PaintCommand command;
    bool expected;
};

PaintCommand makeCommand(PaintCommandKind kind, std::vector<PathVerb> verbs, std::size_t points,
                         std::size_t potentials) {
    PaintCommand command;
    command.kind = kind;
    command.path_verbs = std::move(verbs);
    command.path_points.resize(points);
    command.source_subpath_area_potential.resize(potentials);
    return command;
}

TEST(PaintCommandTest, WellFormednessFollowsTheVerbs) {
    using V = PathVerb;
    using K = PaintCommandKind;
    const WellFormedCase cases[] = {
        {"move line cubic close", makeCommand(K::fill, {V::move_to, V::line_to, V::cubic_to, V::close}, 5, 1), true},
        {"two subpaths", makeCommand(K::stroke, {V::move_to, V::line_to, V::move_to, V::line_to}, 4, 2), true},
        {"missing point", makeCommand(K::fill, {V::move_to, V::cubic_to}, 3, 1), false},
        {"extra point", makeCommand(K::fill, {V::move_to, V::close}, 2, 1), false},
        {"missing potential", makeCommand(K::fill, {V::move_to, V::move_to}, 2, 1), false},
        {"unknown verb", makeCommand(K::fill, {V::move_to, static_cast<V>(7)}, 1, 1), false},
        {"group end with a path", makeCommand(K::group_end, {V::move_to}, 1, 1), false},
        {"clip end empty", makeCommand(K::clip_end, {}, 0, 0), true},
        {"group begin empty", makeCommand(K::group_begin, {}, 0, 0), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(paintCommandIsWellFormed(c.command), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace pavrix_svg_core
