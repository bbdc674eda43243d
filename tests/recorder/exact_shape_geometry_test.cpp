#include "recorder/exact_shape_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "recorder/exact_path_builder.h"
#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/geometry_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg_core {
namespace {

using V = PathVerb;

class ExactShapeGeometryTest : public ::testing::Test {
protected:
    // The shapes are placed in a 200 x 100 viewBox with font-size 10.
    void load(const std::string& shapes) {
        const std::string text =
            "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 200 100\" "
            "width=\"200\" height=\"100\" font-size=\"10\">" +
            shapes + "</svg>";
        document_ = pavrix_svg::loadDocumentFromString(text);
        ASSERT_NE(document_, nullptr);
        ASSERT_NE(document_->rootElement(true), nullptr);
    }

    const pavrix_svg::SVGElement* element(const char* id) const {
        return pavrix_svg::getElementById(*document_->rootElement(), id);
    }

    struct Built {
        bool ok = false;
        bool lowered = false;
        double bound = 0.0;
        PaintCommand command;
    };

    Built build(const char* id) const {
        Built built;
        built.lowered = true;  // must be reset by the builder
        built.bound = -1.0;
        built.ok = buildExactGeometry(element(id), built.command, built.lowered, built.bound);
        return built;
    }

    std::unique_ptr<pavrix_svg::Document> document_;
};

TEST_F(ExactShapeGeometryTest, ShapesFromAttributes) {
    load(
        "<line id='line' x1='0.1' y1='2mm' x2='1em' y2='50%'/>"
        "<polyline id='polyline' points='1,2 3,4'/>"
        "<polygon id='polygon' points='0 0 10 0 10 10'/>"
        "<rect id='rect' x='1' y='2' width='3' height='4'/>"
        "<path id='path' d='M0.1 0.2 L 3 4'/>");
    const Built line = build("line");
    ASSERT_TRUE(line.ok);
    EXPECT_FALSE(line.lowered);
    EXPECT_EQ(line.bound, 0.0);
    EXPECT_EQ(line.command.path_verbs, (std::vector<V>{V::move_to, V::line_to}));
    EXPECT_EQ(line.command.path_points, (std::vector<PaintPoint>{{0.1, 2 * 3.7795275590551185}, {10.0, 50.0}}));

    EXPECT_EQ(build("polyline").command.path_verbs, (std::vector<V>{V::move_to, V::line_to}));
    EXPECT_EQ(build("polygon").command.path_verbs, (std::vector<V>{V::move_to, V::line_to, V::line_to, V::close}));
    const Built rect = build("rect");
    ASSERT_TRUE(rect.ok);
    EXPECT_EQ(rect.command.path_points, (std::vector<PaintPoint>{{1, 2}, {4, 2}, {4, 6}, {1, 6}}));
    const Built path = build("path");
    ASSERT_TRUE(path.ok);
    EXPECT_EQ(path.command.path_points, (std::vector<PaintPoint>{{0.1, 0.2}, {3, 4}}));
}

TEST_F(ExactShapeGeometryTest, CirclesEllipsesAndRoundedRects) {
    load(
        "<circle id='circle' r='10'/>"
        "<circle id='percent' cx='50%' r='10%'/>"
        "<ellipse id='ellipse' cx='5' cy='6' rx='4' ry='2'/>"
        "<rect id='rounded' width='100' height='50' rx='5'/>");
    const Built circle = build("circle");
    ASSERT_TRUE(circle.ok);
    EXPECT_TRUE(circle.lowered);
    EXPECT_GE(circle.bound, 1e-5);
    ASSERT_EQ(circle.command.path_verbs.size(), 18u);
    EXPECT_EQ(circle.command.path_points.front(), (PaintPoint{10, 0}));
    EXPECT_EQ(circle.command.path_verbs.back(), V::close);

    // Diagonal percentages refer to hypot(200, 100) / sqrt(2).
    const Built percent = build("percent");
    ASSERT_TRUE(percent.ok);
    const double r = 10.0 * (std::hypot(200.0, 100.0) / 1.4142135623730951) / 100.0;
    EXPECT_EQ(percent.command.path_points.front(), (PaintPoint{100.0 + r, 0.0}));

    const Built ellipse = build("ellipse");
    ASSERT_TRUE(ellipse.ok);
    EXPECT_EQ(ellipse.command.path_points.front(), (PaintPoint{9, 6}));
    EXPECT_EQ(ellipse.command.path_points[24], (PaintPoint{1, 6}));

    const Built rounded = build("rounded");
    ASSERT_TRUE(rounded.ok);
    EXPECT_TRUE(rounded.lowered);
    EXPECT_EQ(rounded.command.path_points.front(), (PaintPoint{5, 0}));
}

TEST_F(ExactShapeGeometryTest, FailuresResetTheOuts) {
    load(
        "<circle id='zero' r='0'/>"
        "<circle id='missing'/>"
        "<ellipse id='half' rx='3'/>"
        "<rect id='flat' width='10' height='0'/>"
        "<rect id='nowidth' height='10'/>"
        "<polyline id='odd' points='1 2 3 4 5'/>"
        "<line id='unit' x1='1q'/>"
        "<g id='group'/>");
    for (const char* id : {"zero", "missing", "half", "flat", "nowidth", "odd", "unit", "group"}) {
        const Built built = build(id);
        EXPECT_FALSE(built.ok) << id;
        EXPECT_TRUE(built.command.path_verbs.empty()) << id;
        EXPECT_EQ(built.bound, 0.0) << id;
    }
    PaintCommand command;
    bool lowered = true;
    double bound = 3.0;
    EXPECT_FALSE(buildExactGeometry(nullptr, command, lowered, bound));
    EXPECT_FALSE(lowered);
    EXPECT_EQ(bound, 0.0);
}

TEST_F(ExactShapeGeometryTest, FloatPathMatch) {
    load(
        "<path id='integers' d='M0 0 L1 2 C 3 4 5 6 7 8 Z'/>"
        "<path id='tenth' d='M0.1 0 L 1 1'/>"
        "<path id='arc' d='M0 0 A 10 10 0 0 1 20 0'/>");
    const auto matches = [&](const char* id) {
        const auto* shape = static_cast<const pavrix_svg::SVGGeometryElement*>(element(id));
        return exactPathMatchesFloatPath(shape, shape->path);
    };
    EXPECT_TRUE(matches("integers"));
    EXPECT_FALSE(matches("tenth"));  // 0.1 is not a float
    EXPECT_FALSE(matches("arc"));
    EXPECT_FALSE(exactPathMatchesFloatPath(nullptr, pavrix_svg::Path{}));
}

}  // namespace
}  // namespace pavrix_svg_core
