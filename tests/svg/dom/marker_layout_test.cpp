#include <cmath>
#include <vector>
#include <string>
#include <string_view>

#include "svg/dom/geometry_element.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/marker_layout.h"
#include "tests/svg/dom/layout_test_support.h"

using namespace pavrix_svg;
using namespace pavrix_svg::layout_test;

namespace {

constexpr const char* kMarkers =
    R"~(<defs><marker id="s" orient="auto"/><marker id="m" orient="auto"/><marker id="e" orient="auto"/>)~"
    R"~(<marker id="r" orient="auto-start-reverse"/><rect id="notMarker"/></defs>)~";

struct Expected {
    const char* marker;
    float x;
    float y;
    float angle;
};

struct MarkerCase {
    const char* name;
    const char* path;
    std::vector<Expected> expected;
};

class MarkerPositionTest : public testing::TestWithParam<MarkerCase> {};

TEST_P(MarkerPositionTest, PositionsAndAngles) {
    const MarkerCase& c = GetParam();
    auto doc = layOut(wrap(std::string(kMarkers) + c.path));
    const auto& shape = doc.get<SVGGeometryElement>("p");
    ASSERT_EQ(shape.markerPositions.size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
        const MarkerPosition& position = shape.markerPositions[i];
        const Expected& expected = c.expected[i];
        EXPECT_EQ(position.marker, &doc.get(expected.marker)) << "instance " << i;
        EXPECT_FLOAT_EQ(position.point.x, expected.x) << "instance " << i;
        EXPECT_FLOAT_EQ(position.point.y, expected.y) << "instance " << i;
        EXPECT_NEAR(position.angle, expected.angle, 1e-4) << "instance " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, MarkerPositionTest,
    testing::Values(
        MarkerCase{
            "corner",
            R"~(<path id="p" d="M0 0 L10 0 L10 10" marker-start="url(#s)" marker-mid="url(#m)" marker-end="url(#e)"/>)~",
            {{"s", 0, 0, 0}, {"m", 10, 0, 45}, {"e", 10, 10, 90}}},
        MarkerCase{
            "twoSegmentsOneMid", R"~(<path id="p" d="M0 0 L10 0 L20 0" marker-mid="url(#m)"/>)~", {{"m", 10, 0, 0}}},
        MarkerCase{"startReversed", R"~(<path id="p" d="M0 0 L0 10" marker-start="url(#r)"/>)~", {{"r", 0, 0, -90}}},
        MarkerCase{"cubicEndUsesSecondControl",
                   R"~(<path id="p" d="M0 0 C 0 10 10 10 10 0" marker-start="url(#s)" marker-end="url(#e)"/>)~",
                   {{"s", 0, 0, 90}, {"e", 10, 0, -90}}},
        // The close ends at the start: between its direction (-135) and the first segment's (0).
        MarkerCase{"closeReturnsToStart",
                   R"~(<path id="p" d="M0 0 L10 0 L10 10 Z" marker-end="url(#e)"/>)~",
                   {{"e", 0, 0, -67.5}}},
        MarkerCase{"bisectorAcrossTheSeam",
                   R"~(<path id="p" d="M0 0 L-10 1 L-20 0" marker-mid="url(#m)"/>)~",
                   {{"m", -10, 1, 180}}},
        MarkerCase{"polyline",
                   R"~(<polyline id="p" points="0 0 0 5 5 5" marker-mid="url(#m)" marker-end="url(#e)"/>)~",
                   {{"m", 0, 5, 45}, {"e", 5, 5, 0}}},
        MarkerCase{"inheritedFromGroup",
                   R"~(<g marker-end="url(#e)"><line id="p" x2="0" y2="-4"/></g>)~",
                   {{"e", 0, -4, -90}}},
        MarkerCase{"singleMoveHasNoStart", R"~(<path id="p" d="M3 4" marker-start="url(#s)"/>)~", {}},
        MarkerCase{"unresolved",
                   R"~(<path id="p" d="M0 0 L1 1" marker-start="url(#nope)" marker-end="url(#notMarker)"/>)~",
                   {}},
        MarkerCase{"emptyPath", R"~(<path id="p" marker-end="url(#e)"/>)~", {}},
        // An arc is one segment: its true end tangents, no vertex where its cubics meet. The half
        // circle leaves (10, 10) heading up and reaches (20, 10) heading down.
        MarkerCase{"arcEnds",
                   R"~(<path id="p" d="M10 10 A5 5 0 0 1 20 10 L30 10" marker-start="url(#s)" marker-mid="url(#m)"
                   marker-end="url(#e)"/>)~",
                   {{"s", 10, 10, -90}, {"m", 20, 10, 45}, {"e", 30, 10, 0}}},
        MarkerCase{"arcOntoItsStartIsOmitted",
                   R"~(<path id="p" d="M0 0 L10 0 A5 5 0 0 1 10 0 L10 10" marker-mid="url(#m)"/>)~",
                   {{"m", 10, 0, 45}}},
        MarkerCase{"zeroRadiusArcIsALine",
                   R"~(<path id="p" d="M0 0 a0 5 0 0 1 0 -4" marker-end="url(#e)"/>)~",
                   {{"e", 0, -4, -90}}}),
    [](const testing::TestParamInfo<MarkerCase>& info) { return std::string(info.param.name); });

// Paths with arcs or quadratic curves are placed from their data; their vertices must be floats
// for the recorder to draw the markers.
TEST(MarkerPositions, PathsWithLoweredCurvesReadTheirData) {
    const struct {
        const char* d;
        bool fromData;
        bool verticesAreFloats;
    } cases[] = {{"M0 0 L10 0", false, false},
                 {"M0 0 Q5 5 10 0", true, true},
                 {"M0 0 A5 5 0 0 1 10 0", true, true},
                 {"M0 0 A5 5 0 0 1 10 0.1", true, false}};
    for (const auto& c : cases) {
        auto doc =
            layOut(wrap(std::string(kMarkers) + R"~(<path id="p" marker-end="url(#e)" d=")~" + c.d + R"~("/>)~"));
        const auto& shape = doc.get<SVGGeometryElement>("p");
        EXPECT_EQ(shape.markersFromPathData, c.fromData) << c.d;
        EXPECT_EQ(shape.markerVerticesAreFloats, c.verticesAreFloats) << c.d;
        EXPECT_EQ(shape.markerPositions.size(), 1u) << c.d;
    }
}

TEST(MarkerTransform, PlacesTheReferencePointOnTheVertex) {
    auto doc = layOut(
        wrap(R"~(<marker id="k" orient="auto" markerWidth="4" markerHeight="4" viewBox="0 0 2 2" refX="1" refY="1">)~"
             R"~(<rect width="2" height="2"/></marker>)~"));
    const auto& marker = doc.get<SVGMarkerElement>("k");
    const Transform transform = markerTransform(marker, Point(10, 20), 90.0f, 3.0f);
    const Point reference = transform.mapPoint(1, 1);
    EXPECT_NEAR(reference.x, 10.0f, 1e-4);
    EXPECT_NEAR(reference.y, 20.0f, 1e-4);
    // One viewBox unit is 2 marker units, times the stroke width 3, rotated by 90 degrees.
    const Point corner = transform.mapPoint(2, 1);
    EXPECT_NEAR(corner.x, 10.0f, 1e-4);
    EXPECT_NEAR(corner.y, 26.0f, 1e-4);

    const Rect box = markerBoundingBox(marker, Point(10, 20), 90.0f, 3.0f);
    EXPECT_NEAR(box.x, 4.0f, 1e-4);
    EXPECT_NEAR(box.y, 14.0f, 1e-4);
    EXPECT_NEAR(box.w, 12.0f, 1e-4);
    EXPECT_NEAR(box.h, 12.0f, 1e-4);
}

TEST(MarkerTransform, FixedOrientAndUserSpaceUnits) {
    auto doc = layOut(wrap(R"~(<marker id="k" orient="90" markerUnits="userSpaceOnUse" refX="1"/>)~"));
    const Transform transform = markerTransform(doc.get<SVGMarkerElement>("k"), Point(5, 5), 0.0f, 10.0f);
    const Point mapped = transform.mapPoint(2, 0);  // one unit right of the reference point
    EXPECT_NEAR(mapped.x, 5.0f, 1e-5);
    EXPECT_NEAR(mapped.y, 6.0f, 1e-5);
}

TEST(MarkerTransform, NonPositiveSizesDisableTheViewBox) {
    auto doc = layOut(wrap(R"~(<marker id="k" markerWidth="0" viewBox="0 0 2 2" markerUnits="userSpaceOnUse"/>)~"));
    const Transform transform = markerTransform(doc.get<SVGMarkerElement>("k"), Point(0, 0), 0.0f, 1.0f);
    const Point mapped = transform.mapPoint(1, 1);
    EXPECT_FLOAT_EQ(mapped.x, 1.0f);
    EXPECT_FLOAT_EQ(mapped.y, 1.0f);
}

TEST(MarkerBox, StrokeBoxUnitesTheMarkers) {
    auto doc = layOut(wrap(
        R"~(<marker id="k" markerUnits="userSpaceOnUse" overflow="visible"><rect x="-1" y="-1" width="2" height="2"/></marker>)~"
        R"~(<path id="p" d="M0 0 L10 0" marker-end="url(#k)"/>)~"));
    const Rect box = doc.get("p").strokeBoundingBox();
    EXPECT_FLOAT_EQ(box.x, 0.0f);
    EXPECT_FLOAT_EQ(box.y, -1.0f);
    EXPECT_FLOAT_EQ(box.w, 11.0f);
    EXPECT_FLOAT_EQ(box.h, 2.0f);
}

// A marker whose content places the marker again used to recurse without end through the
// paint-box cache; the inner placement now counts as an empty box.
TEST(MarkerBox, SelfReferenceTerminates) {
    auto doc = layOut(
        wrap(R"~(<marker id="k" markerUnits="userSpaceOnUse"><path d="M0 0 L1 0" marker-end="url(#k)"/></marker>)~"
             R"~(<path id="p" d="M0 0 L5 0" marker-end="url(#k)"/>)~"));
    const Rect box = doc.get("p").strokeBoundingBox();
    EXPECT_FLOAT_EQ(box.x, 0.0f);
    EXPECT_FLOAT_EQ(box.w, 6.0f);
    const Rect rootBox = doc.root().paintBoundingBox();
    EXPECT_TRUE(rootBox.isValid());
}

TEST(MarkerBox, MutualReferenceTerminates) {
    auto doc = layOut(wrap(
        R"~(<marker id="a" markerUnits="userSpaceOnUse"><path d="M0 0 L1 0" marker-end="url(#b)"/></marker>)~"
        R"~(<marker id="b" markerUnits="userSpaceOnUse"><path d="M0 0 L2 0" marker-start="url(#a)" marker-end="url(#a)"/></marker>)~"
        R"~(<path id="p" d="M0 0 L5 0" marker-end="url(#a)"/>)~"));
    const Rect box = doc.get("p").strokeBoundingBox();
    EXPECT_TRUE(box.isValid());
    EXPECT_FLOAT_EQ(box.x, 0.0f);
    EXPECT_GE(box.w, 6.0f);
    EXPECT_EQ(doc.root().computedWidth, box.x + box.w);
}

}  // namespace

namespace {

bool hasReason(const LaidOutDocument& doc, std::string_view code) {
    for (const auto& reason : doc.document->reasons()) {
        if (reason == code)
            return true;
    }
    return false;
}

// Marker `m<i>` holds a path whose start marker is `m<i+1>`; the last one is empty.
std::string markerChain(int count, std::string_view shape) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "<marker id=\"m" + std::to_string(i) + "\" markerUnits=\"userSpaceOnUse\">";
        if (i + 1 < count) {
            text += std::string(shape) + " marker-start=\"url(#m" + std::to_string(i + 1) + ")\"/>";
        }
        text += "</marker>";
    }
    return text + std::string(shape) + " id=\"p\" marker-start=\"url(#m0)\"/>";
}

struct NestingCase {
    const char* name;
    int markers;
    const char* shape;
    bool refused;
};

class MarkerNestingTest : public testing::TestWithParam<NestingCase> {};

// Box computations nest once per marker placed inside a marker: a long chain is refused
// instead of exhausting the stack.
TEST_P(MarkerNestingTest, StaysBounded) {
    const NestingCase& c = GetParam();
    auto doc = layOut(wrap(markerChain(c.markers, c.shape)));
    const Rect box = doc.get("p").strokeBoundingBox();
    EXPECT_TRUE(std::isfinite(box.x) && std::isfinite(box.w));
    EXPECT_EQ(hasReason(doc, "unsupported_complexity"), c.refused);
}

INSTANTIATE_TEST_SUITE_P(Chains, MarkerNestingTest,
                         testing::Values(NestingCase{"shortChain", 100, R"~(<path d="M0 0 L1 0")~", false},
                                         NestingCase{"longChain", 20000, R"~(<path d="M0 0 L1 0")~", true}),
                         [](const testing::TestParamInfo<NestingCase>& info) { return std::string(info.param.name); });

}  // namespace
