// Counter overflow of a recording: the command being built is dropped, the
// recording stops, and the result can never read "supported".

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "recorder/paint_emission.h"
#include "recorder/recorder_result_builder.h"
#include "recorder/render_pass.h"
#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/element_tree.h"

namespace {

using pavrix_svg_core::PaintCommand;
using pavrix_svg_core::PaintCommandKind;
using pavrix_svg_core::PaintRecording;

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

struct Rendered {
    std::unique_ptr<pavrix_svg::Document> document;
    PaintRecording recording;
};

// Renders the document into a recording whose counters start where given.
Rendered renderWith(const std::string& body, std::uint64_t verbs, std::uint64_t points, std::uint64_t dashes) {
    Rendered out;
    out.document = pavrix_svg::loadDocumentFromString(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">" + body + "</svg>");
    if (!out.document)
        return out;
    out.recording.verb_count = verbs;
    out.recording.point_count = points;
    out.recording.dash_count = dashes;
    auto* root = out.document->rootElement(true);
    pavrix_svg::installRenderHooks();
    pavrix_svg::SVGRenderState state(nullptr, nullptr, pavrix_svg::Transform(), pavrix_svg::RenderMode::Painting,
                                     pavrix_svg::Canvas::createNoop(), &out.recording);
    root->render(state);
    return out;
}

struct BudgetCase {
    const char* name;
    std::string body;
    std::uint64_t verbs, points, dashes;
};

class BudgetTest : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(BudgetTest, OverflowDropsTheCommandAndReportsOnce) {
    const BudgetCase& c = GetParam();
    Rendered r = renderWith(c.body, c.verbs, c.points, c.dashes);
    ASSERT_TRUE(r.document);
    EXPECT_TRUE(r.recording.over_budget);
    for (const PaintCommand& command : r.recording.commands) {
        EXPECT_NE(command.kind, PaintCommandKind::fill);
        EXPECT_NE(command.kind, PaintCommandKind::stroke);
    }
    EXPECT_EQ(r.document->reasons(), std::vector<std::string>{"unsupported_complexity"});
    EXPECT_EQ(r.recording.verb_count, c.verbs);
    EXPECT_EQ(r.recording.point_count, c.points);
}

INSTANTIATE_TEST_SUITE_P(
    RecordingBudget, BudgetTest,
    ::testing::Values(BudgetCase{"ExactPoints", "<rect width=\"1\" height=\"1\"/><rect width=\"2\" height=\"2\"/>", 0,
                                 kMax - 2, 0},
                      BudgetCase{"ExactVerbs", "<rect width=\"1\" height=\"1\"/>", kMax, 0, 0},
                      // A nested svg clips its viewport with a float path.
                      BudgetCase{"FloatPathPoints", "<svg width=\"5\" height=\"5\"/>", 0, kMax - 2, 0},
                      BudgetCase{"Dashes",
                                 "<rect width=\"1\" height=\"1\" fill=\"none\" stroke=\"red\" "
                                 "stroke-dasharray=\"1 2\"/>",
                                 0, 0, kMax - 1}),
    [](const ::testing::TestParamInfo<BudgetCase>& info) { return info.param.name; });

TEST(RecordingBudget, CountersGrowWithEachCommand) {
    Rendered r = renderWith("<rect width=\"1\" height=\"1\" stroke=\"red\" stroke-dasharray=\"1 2 3\"/>", 0, 0, 0);
    ASSERT_TRUE(r.document);
    EXPECT_FALSE(r.recording.over_budget);
    ASSERT_EQ(r.recording.commands.size(), 2u);  // fill and stroke
    EXPECT_EQ(r.recording.verb_count, 10u);
    EXPECT_EQ(r.recording.point_count, 8u);
    EXPECT_EQ(r.recording.dash_count, 3u);
}

TEST(RecordingBudget, OverBudgetNeverReadsSupported) {
    // Over budget without an element to report through, and no other reason.
    PaintRecording recording;
    recording.commands.emplace_back();
    recording.over_budget = true;
    auto result = pavrix_svg_core::makeRecorderResult(std::move(recording), {0, 0, 0, 0});
    EXPECT_EQ(result.status, "unsupported");
    EXPECT_EQ(result.reason_code, "unsupported_complexity");
    EXPECT_TRUE(result.commands.empty());
}

TEST(RecordingBudget, EarlierReasonStaysFirst) {
    PaintRecording recording;
    recording.reasons = {"unsupported_input_precision"};
    recording.over_budget = true;
    auto result = pavrix_svg_core::makeRecorderResult(std::move(recording), {0, 0, 0, 0});
    EXPECT_EQ(result.status, "unsupported");
    EXPECT_EQ(result.reason_code, "unsupported_input_precision");
}

TEST(RecordingBudget, GroupCommandsOverBudgetWithoutElement) {
    PaintRecording recording;
    recording.over_budget = false;
    pavrix_svg::SVGRenderState state(nullptr, nullptr, pavrix_svg::Transform(), pavrix_svg::RenderMode::Painting,
                                     pavrix_svg::Canvas::createNoop(), &recording);
    pavrix_svg::emitGroupCommand(state, PaintCommandKind::group_begin, nullptr, 0.5);
    ASSERT_EQ(recording.commands.size(), 1u);
    EXPECT_EQ(recording.commands[0].source_index, -1);
    EXPECT_EQ(recording.commands[0].source_kind, "group");
    recording.over_budget = true;
    pavrix_svg::emitGroupCommand(state, PaintCommandKind::group_end, nullptr, 0.5);
    EXPECT_EQ(recording.commands.size(), 1u);
}

}  // namespace
