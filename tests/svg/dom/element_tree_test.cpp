#include <cmath>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/element_tree.h"
#include "svg/dom/length_resolution.h"

namespace pavrix_svg {
namespace {

class TreeTest : public ::testing::Test {
protected:
    TreeTest() {
        auto root = makeNode<SVGRootElement>(document);
        this->root = root.get();
        document.resetRoot(std::move(root));
    }

    SVGElement* add(SVGElement& parent, ElementID id) { return addChild(parent, createElement(document, id)); }

    void set(SVGElement& element, PropertyID id, std::string_view value) { setAttribute(element, 1, id, value); }

    Document document;
    SVGRootElement* root = nullptr;
};

TEST_F(TreeTest, FactoryCreatesEveryKindAndOnlyThose) {
    for (int raw = 0; raw <= 30; ++raw) {
        const auto id = static_cast<ElementID>(raw);
        std::unique_ptr<SVGElement> element = createElement(document, id);
        if (raw < 2 || raw > 24) {
            EXPECT_EQ(element, nullptr) << raw;
            continue;
        }
        ASSERT_NE(element, nullptr) << raw;
        EXPECT_EQ(element->id(), id);
        EXPECT_TRUE(element->isElement());
        EXPECT_FALSE(element->isTextNode());
    }
    EXPECT_TRUE(createElement(document, ElementID::Rect)->isGeometryElement());
    EXPECT_TRUE(createElement(document, ElementID::LinearGradient)->isPaintElement());
    EXPECT_TRUE(createElement(document, ElementID::TSpan)->isTextPositioningElement());
    EXPECT_TRUE(createElement(document, ElementID::Use)->isGraphicsElement());
    EXPECT_FALSE(createElement(document, ElementID::Marker)->isGraphicsElement());
    EXPECT_FALSE(createElement(document, ElementID::Style)->isGraphicsElement());
}

TEST_F(TreeTest, SerialsFollowConstruction) {
    const std::int32_t first = createElement(document, ElementID::G)->serial();
    EXPECT_EQ(createElement(document, ElementID::G)->serial(), first + 1);
}

TEST_F(TreeTest, AddChildKeepsElementLinks) {
    SVGElement* a = add(*root, ElementID::G);
    addChild(*root, makeNode<SVGTextNode>(document, "x"));
    SVGElement* b = add(*root, ElementID::Rect);
    SVGElement* c = add(*root, ElementID::Circle);
    EXPECT_EQ(root->children().size(), 4u);
    EXPECT_EQ(root->firstElementChild(), a);
    EXPECT_EQ(root->lastElementChild(), c);
    EXPECT_EQ(a->nextElementSibling(), b);
    EXPECT_EQ(b->previousElementSibling(), a);
    EXPECT_EQ(c->previousElementSibling(), b);
    EXPECT_EQ(a->previousElementSibling(), nullptr);
    EXPECT_EQ(b->parent(), root);
}

TEST_F(TreeTest, IdMapFirstElementWins) {
    SVGElement* a = add(*root, ElementID::G);
    SVGElement* b = add(*root, ElementID::G);
    EXPECT_TRUE(registerElementId(*root, "x", *a));
    EXPECT_FALSE(registerElementId(*root, "x", *b));
    EXPECT_EQ(getElementById(*root, "x"), a);
    EXPECT_EQ(getElementById(*root, "y"), nullptr);
    EXPECT_EQ(resolveLocalReference("#x", document), a);
    EXPECT_EQ(resolveLocalReference("x", document), nullptr);
    EXPECT_EQ(resolveLocalReference("", document), nullptr);
    EXPECT_EQ(resolveLocalReference("#", document), nullptr);
    EXPECT_EQ(resolveMarker(*root, "x"), nullptr);
}

TEST_F(TreeTest, AttributeLookupByName) {
    SVGElement* use = add(*root, ElementID::Use);
    set(*use, PropertyID::Href, "#a");
    EXPECT_EQ(getAttribute(*use, "href"), "#a");
    EXPECT_EQ(getAttribute(*use, "xlink:href"), "#a");
    EXPECT_EQ(getAttribute(*use, "nonsense"), "");
    EXPECT_TRUE(hasAttribute(*use, PropertyID::Href));
    EXPECT_FALSE(hasAttribute(*use, PropertyID::X));
    EXPECT_EQ(static_cast<SVGUseElement*>(use)->href(), "#a");
}

TEST_F(TreeTest, ContainerBoxes) {
    SVGElement* group = add(*root, ElementID::G);
    EXPECT_EQ(group->fillBoundingBox().w, 0.0f);
    EXPECT_EQ(group->fillBoundingBox().h, 0.0f);
    EXPECT_TRUE(group->fillBoundingBox().isValid());

    SVGElement* image = add(*group, ElementID::Image);
    set(*image, PropertyID::X, "1");
    set(*image, PropertyID::Y, "2");
    set(*image, PropertyID::Width, "10");
    set(*image, PropertyID::Height, "20");
    set(*image, PropertyID::Transform, "translate(5 5)");
    SVGElement* hidden = add(*group, ElementID::Image);
    set(*hidden, PropertyID::Width, "1000");
    set(*hidden, PropertyID::Height, "1000");
    hidden->display = 1;
    SVGElement* defs = add(*group, ElementID::Defs);
    SVGElement* inDefs = add(*defs, ElementID::Image);
    set(*inDefs, PropertyID::Width, "500");
    set(*inDefs, PropertyID::Height, "500");

    const Rect box = group->fillBoundingBox();
    EXPECT_FLOAT_EQ(box.x, 6.0f);
    EXPECT_FLOAT_EQ(box.y, 7.0f);
    EXPECT_FLOAT_EQ(box.w, 10.0f);
    EXPECT_FLOAT_EQ(box.h, 20.0f);
    const Rect stroke = group->strokeBoundingBox();
    EXPECT_FLOAT_EQ(stroke.w, 10.0f);
}

TEST_F(TreeTest, PaintBoxIntersectsObjectBoundingBoxClip) {
    SVGElement* group = add(*root, ElementID::G);
    SVGElement* image = add(*group, ElementID::Image);
    set(*image, PropertyID::Width, "100");
    set(*image, PropertyID::Height, "100");
    SVGElement* clip = add(*root, ElementID::ClipPath);
    set(*clip, PropertyID::ClipPathUnits, "objectBoundingBox");
    SVGElement* clipContent = add(*clip, ElementID::Image);
    set(*clipContent, PropertyID::Width, "0.5");
    set(*clipContent, PropertyID::Height, "0.25");
    group->clipper = clip;
    const Rect box = group->paintBoundingBox();
    EXPECT_FLOAT_EQ(box.w, 50.0f);
    EXPECT_FLOAT_EQ(box.h, 25.0f);
    // Cached until layout resets it.
    set(*image, PropertyID::Width, "10");
    EXPECT_FLOAT_EQ(group->paintBoundingBox().w, 50.0f);
}

TEST_F(TreeTest, PaintBoxOfLongClipChainIsRefusedNotOverflowed) {
    SVGElement* group = add(*root, ElementID::G);
    SVGElement* previous = group;
    for (int i = 0; i < 5000; ++i) {
        SVGElement* clip = add(*root, ElementID::ClipPath);
        previous->clipper = clip;
        previous = clip;
    }
    group->paintBoundingBox();
    ASSERT_FALSE(document.reasons().empty());
    EXPECT_EQ(document.reasons().front(), "unsupported_complexity");
}

TEST_F(TreeTest, LocalTransforms) {
    SVGElement* use = add(*root, ElementID::Use);
    set(*use, PropertyID::X, "10");
    set(*use, PropertyID::Transform, "scale(2)");
    const Point p = use->localTransform().mapPoint(1, 1);
    EXPECT_FLOAT_EQ(p.x, 22.0f);  // scale(2) of (1 + 10, 1)
    EXPECT_FLOAT_EQ(p.y, 2.0f);

    SVGElement* svg = add(*root, ElementID::Svg);
    set(*svg, PropertyID::X, "5");
    set(*svg, PropertyID::Width, "100");
    set(*svg, PropertyID::Height, "50");
    set(*svg, PropertyID::ViewBox, "0 0 10 10");
    const Point q = svg->localTransform().mapPoint(10, 10);
    EXPECT_FLOAT_EQ(q.x, 5.0f + 25.0f + 50.0f);  // meet scale 5, centred: dx = 25
    EXPECT_FLOAT_EQ(q.y, 50.0f);

    // The root ignores x and y.
    set(*root, PropertyID::X, "7");
    EXPECT_FLOAT_EQ(root->localTransform().mapPoint(0, 0).x, 0.0f);
    // A zero-sized viewBox leaves the identity.
    set(*svg, PropertyID::ViewBox, "0 0 0 10");
    EXPECT_FLOAT_EQ(svg->localTransform().mapPoint(10, 10).x, 15.0f);
}

TEST_F(TreeTest, LengthResolution) {
    SVGElement* group = add(*root, ElementID::G);
    const LengthContext context(*group);
    // No viewBox at the root: percentages refer to 300 x 150.
    EXPECT_FLOAT_EQ(context.valueForLength(Length(50, LengthUnit::Percent), LengthDirection::Horizontal), 150.0f);
    EXPECT_FLOAT_EQ(context.valueForLength(Length(50, LengthUnit::Percent), LengthDirection::Vertical), 75.0f);
    EXPECT_NEAR(context.valueForLength(Length(100, LengthUnit::Percent), LengthDirection::Diagonal),
                std::sqrt(300.0f * 300.0f + 150.0f * 150.0f) / 1.4142135f, 1e-3f);
    EXPECT_FLOAT_EQ(context.valueForLength(Length(2, LengthUnit::Em), LengthDirection::Horizontal), 24.0f);
    EXPECT_FLOAT_EQ(context.valueForLength(Length(2, LengthUnit::Ex), LengthDirection::Horizontal), 12.0f);
    const LengthContext box(*group, Units::ObjectBoundingBox);
    EXPECT_FLOAT_EQ(box.valueForLength(Length(50, LengthUnit::Percent), LengthDirection::Horizontal), 0.5f);

    set(*root, PropertyID::ViewBox, "0 0 40 20");
    EXPECT_FLOAT_EQ(context.valueForLength(Length(50, LengthUnit::Percent), LengthDirection::Horizontal), 20.0f);

    // A nested svg without viewBox resolves its own size against the viewport above it.
    SVGElement* nested = add(*root, ElementID::Svg);
    set(*nested, PropertyID::Width, "50%");
    SVGElement* inner = add(*nested, ElementID::G);
    const ViewportSize size = viewportSize(*inner);
    EXPECT_FLOAT_EQ(size.width, 20.0f);
    EXPECT_FLOAT_EQ(size.height, 20.0f);
}

TEST_F(TreeTest, DeeplyNestedPercentagesResolveInLinearTime) {
    SVGElement* parent = root;
    for (int i = 0; i < 1000; ++i) {
        SVGElement* svg = add(*parent, ElementID::Svg);
        set(*svg, PropertyID::Width, "100%");
        set(*svg, PropertyID::Height, "100%");
        parent = svg;
    }
    const ViewportSize size = viewportSize(*add(*parent, ElementID::G));
    EXPECT_FLOAT_EQ(size.width, 300.0f);
    EXPECT_FLOAT_EQ(size.height, 150.0f);
}

TEST_F(TreeTest, NestedPercentagesResolveOutermostFirst) {
    // Each level halves the width; a wrong order or a lost level changes the result.
    const int depths[] = {1, 7, 8, 9, 12, 40};
    for (const int depth : depths) {
        SVGElement* parent = root;
        for (int i = 0; i < depth; ++i) {
            SVGElement* svg = add(*parent, ElementID::Svg);
            set(*svg, PropertyID::Width, "50%");
            set(*svg, PropertyID::Height, i % 2 == 0 ? "10em" : "200%");
            parent = svg;
        }
        const ViewportSize size = viewportSize(*add(*parent, ElementID::G));
        EXPECT_FLOAT_EQ(size.width, 300.0f / std::pow(2.0f, static_cast<float>(depth))) << depth;
        EXPECT_FLOAT_EQ(size.height, depth % 2 == 1 ? 120.0f : 240.0f) << depth;
    }
}

TEST(ViewBoxArithmetic, TransformClipAndFit) {
    SVGPreserveAspectRatio meet(PropertyID::PreserveAspectRatio);
    const Rect viewBox(0, 0, 10, 20);
    Transform t = viewBoxTransform(meet, viewBox, 100, 100);
    EXPECT_FLOAT_EQ(t.a(), 5.0f);
    EXPECT_FLOAT_EQ(t.e(), 25.0f);
    EXPECT_FLOAT_EQ(t.f(), 0.0f);

    SVGPreserveAspectRatio slice(PropertyID::PreserveAspectRatio);
    ASSERT_TRUE(slice.parse("xMaxYMax slice"));
    t = viewBoxTransform(slice, viewBox, 100, 100);
    EXPECT_FLOAT_EQ(t.a(), 10.0f);
    EXPECT_FLOAT_EQ(t.e(), 0.0f);
    EXPECT_FLOAT_EQ(t.f(), -100.0f);
    const Rect clip = viewBoxClipRect(slice, viewBox, 100, 100);
    EXPECT_FLOAT_EQ(clip.y, 10.0f);
    EXPECT_FLOAT_EQ(clip.h, 10.0f);

    SVGPreserveAspectRatio none(PropertyID::PreserveAspectRatio);
    ASSERT_TRUE(none.parse("none"));
    t = viewBoxTransform(none, Rect(1, 2, 10, 20), 100, 100);
    EXPECT_FLOAT_EQ(t.a(), 10.0f);
    EXPECT_FLOAT_EQ(t.d(), 5.0f);
    EXPECT_FLOAT_EQ(t.e(), -10.0f);
    EXPECT_FLOAT_EQ(t.f(), -10.0f);
    const Rect stretchedClip = viewBoxClipRect(none, Rect(1, 2, 10, 20), 100, 100);
    EXPECT_FLOAT_EQ(stretchedClip.x, 1.0f);
    EXPECT_FLOAT_EQ(stretchedClip.y, 2.0f);
    EXPECT_FLOAT_EQ(stretchedClip.w, 10.0f);
    EXPECT_FLOAT_EQ(stretchedClip.h, 20.0f);

    Rect destination(0, 0, 100, 50);
    Rect source(0, 0, 10, 10);
    fitToViewport(meet, destination, source);
    EXPECT_FLOAT_EQ(destination.x, 25.0f);
    EXPECT_FLOAT_EQ(destination.w, 50.0f);
    EXPECT_FLOAT_EQ(destination.h, 50.0f);

    SVGPreserveAspectRatio sliceMid(PropertyID::PreserveAspectRatio);
    ASSERT_TRUE(sliceMid.parse("xMidYMid slice"));
    destination = Rect(0, 0, 100, 50);
    source = Rect(0, 0, 10, 10);
    fitToViewport(sliceMid, destination, source);
    EXPECT_FLOAT_EQ(source.h, 5.0f);
    EXPECT_FLOAT_EQ(source.y, 2.5f);
    EXPECT_FLOAT_EQ(destination.w, 100.0f);
}

TEST(TreeTeardown, DeepTreeIsDestroyedWithoutRecursion) {
    // Far deeper than any document the reader accepts: only an iterative teardown survives it.
    auto document = std::make_unique<Document>();
    auto root = makeNode<SVGRootElement>(*document);
    SVGElement* parent = root.get();
    document->resetRoot(std::move(root));
    for (int i = 0; i < 200000; ++i)
        parent = addChild(*parent, createElement(*document, ElementID::G));
    addChild(*parent, makeNode<SVGTextNode>(*document, "leaf"));
    document.reset();
    SUCCEED();
}

}  // namespace
}  // namespace pavrix_svg

namespace pavrix_svg {
namespace {

// Each marker's content carries the next marker, so its box leads into the next one's: the box
// recursion is refused at a bounded depth instead of overflowing the stack.
TEST(BoxNesting, LongMarkerChainIsRefusedNotOverflowed) {
    const int count = 20000;
    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg'><defs>";
    for (int i = 0; i < count; ++i) {
        svg += "<marker id='m" + std::to_string(i) + "'><path d='M0 0 L1 0'";
        if (i + 1 < count)
            svg += " marker-start='url(#m" + std::to_string(i + 1) + ")'";
        svg += "/></marker>";
    }
    svg += "</defs><path d='M0 0 L10 0' marker-start='url(#m0)'/></svg>";
    std::unique_ptr<Document> document = loadDocumentFromString(svg);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->reasons().empty());
    SVGRootElement* root = document->rootElement(true);
    ASSERT_NE(root, nullptr);
    root->paintBoundingBox();
    ASSERT_FALSE(document->reasons().empty());
    EXPECT_EQ(document->reasons().front(), "unsupported_complexity");
}

TEST(BoxNesting, ShortMarkerChainIsMeasured) {
    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg'><defs>";
    for (int i = 0; i < 100; ++i) {
        svg += "<marker id='m" + std::to_string(i) + "' markerUnits='userSpaceOnUse'><path d='M0 0 L1 0'";
        if (i + 1 < 100)
            svg += " marker-start='url(#m" + std::to_string(i + 1) + ")'";
        svg += "/></marker>";
    }
    svg += "</defs><path d='M0 0 L10 0' marker-start='url(#m0)'/></svg>";
    std::unique_ptr<Document> document = loadDocumentFromString(svg);
    ASSERT_NE(document, nullptr);
    SVGRootElement* root = document->rootElement(true);
    ASSERT_NE(root, nullptr);
    const Rect box = root->paintBoundingBox();
    EXPECT_TRUE(document->reasons().empty());
    EXPECT_TRUE(box.isValid());
}

}  // namespace
}  // namespace pavrix_svg
