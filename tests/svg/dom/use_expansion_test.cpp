#include <cstdint>
#include <random>
#include <vector>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/element_tree.h"
#include "svg/dom/use_expansion_check.h"

namespace pavrix_svg {
namespace {

using Attributes = std::initializer_list<std::pair<PropertyID, std::string_view>>;

class UseTest : public ::testing::Test {
protected:
    UseTest() {
        auto root = makeNode<SVGRootElement>(document);
        this->root = root.get();
        document.resetRoot(std::move(root));
    }

    // Builds as the reader does: attributes at specificity 1, ids registered.
    SVGElement* add(SVGElement& parent, ElementID kind, Attributes attributes = {}) {
        SVGElement* element = addChild(parent, createElement(document, kind));
        for (const auto& [id, value] : attributes) {
            if (id == PropertyID::Id)
                registerElementId(*root, value, *element);
            setAttribute(*element, 1, id, value);
        }
        return element;
    }

    SVGUseElement* use(SVGElement& parent, std::string_view href, Attributes more = {}) {
        auto* element = static_cast<SVGUseElement*>(add(parent, ElementID::Use, {{PropertyID::Href, href}}));
        for (const auto& [id, value] : more) {
            if (id == PropertyID::Id)
                registerElementId(*root, value, *element);
            setAttribute(*element, 1, id, value);
        }
        return element;
    }

    bool hasReason(std::string_view code) const {
        for (const std::string& reason : document.reasons()) {
            if (reason == code)
                return true;
        }
        return false;
    }

    Document document;
    SVGRootElement* root = nullptr;
};

TEST_F(UseTest, ExpandsTargetAsLastChild) {
    SVGElement* group = add(*root, ElementID::G, {{PropertyID::Id, "a"}});
    add(*group, ElementID::Rect, {{PropertyID::Width, "5"}});
    addChild(*group, makeNode<SVGTextNode>(document, "t"));
    SVGUseElement* u = use(*root, "#a");
    root->build();
    ASSERT_NE(u->expansionChild(), nullptr);
    EXPECT_EQ(u->lastElementChild(), u->expansionChild());
    const SVGElement& copy = *u->expansionChild();
    EXPECT_EQ(copy.id(), ElementID::G);
    EXPECT_NE(&copy, group);
    ASSERT_EQ(copy.children().size(), 2u);
    EXPECT_EQ(findAttribute(*copy.firstElementChild(), PropertyID::Width), "5");
    EXPECT_TRUE(copy.children()[1]->isTextNode());
    // Copies take serials in document order after the originals.
    EXPECT_GT(copy.serial(), u->serial());
    EXPECT_EQ(copy.firstElementChild()->serial(), copy.serial() + 1);
    EXPECT_EQ(document.clonedElements(), 3u);
    EXPECT_TRUE(document.reasons().empty());
}

TEST_F(UseTest, SelfAndAncestorReferencesAreNotExpanded) {
    SVGUseElement* self = use(*root, "#self", {{PropertyID::Id, "self"}});
    SVGElement* group = add(*root, ElementID::G, {{PropertyID::Id, "outer"}});
    SVGElement* inner = add(*group, ElementID::G);
    SVGUseElement* ancestor = use(*inner, "#outer");
    root->build();
    EXPECT_EQ(self->expansionChild(), nullptr);
    EXPECT_EQ(ancestor->expansionChild(), nullptr);
    EXPECT_TRUE(document.reasons().empty());
}

TEST_F(UseTest, MutualReferencesGiveOneUnexpandedCopyEach) {
    SVGUseElement* first = use(*root, "#u2", {{PropertyID::Id, "u1"}});
    SVGUseElement* second = use(*root, "#u1", {{PropertyID::Id, "u2"}});
    root->build();
    ASSERT_NE(first->expansionChild(), nullptr);
    ASSERT_NE(second->expansionChild(), nullptr);
    ASSERT_EQ(first->expansionChild()->id(), ElementID::Use);
    EXPECT_EQ(static_cast<SVGUseElement*>(first->expansionChild())->expansionChild(), nullptr);
    EXPECT_EQ(static_cast<SVGUseElement*>(second->expansionChild())->expansionChild(), nullptr);
    EXPECT_TRUE(first->expansionChild()->children().empty());
    EXPECT_TRUE(document.reasons().empty());
}

TEST_F(UseTest, SymbolBecomesSvgWithUseSize) {
    SVGElement* symbol = add(*root, ElementID::Symbol, {{PropertyID::Id, "s"}, {PropertyID::ViewBox, "0 0 10 10"}});
    add(*symbol, ElementID::Circle, {{PropertyID::R, "3"}});
    SVGUseElement* sized = use(*root, "#s", {{PropertyID::Width, "50"}});
    SVGUseElement* plain = use(*root, "#s");
    root->build();
    ASSERT_NE(sized->expansionChild(), nullptr);
    const auto& copy = static_cast<const SVGSVGElement&>(*sized->expansionChild());
    EXPECT_EQ(copy.id(), ElementID::Svg);
    EXPECT_FLOAT_EQ(copy.width().value(), 50.0f);
    EXPECT_EQ(copy.width().unit(), LengthUnit::None);
    EXPECT_EQ(copy.height().unit(), LengthUnit::Percent);  // not overridden
    EXPECT_FLOAT_EQ(copy.viewBox().value().w, 10.0f);
    EXPECT_EQ(copy.children().size(), 1u);
    const auto& defaultCopy = static_cast<const SVGSVGElement&>(*plain->expansionChild());
    EXPECT_FLOAT_EQ(defaultCopy.width().value(), 100.0f);
    EXPECT_EQ(defaultCopy.width().unit(), LengthUnit::Percent);
}

TEST_F(UseTest, NonRenderableTargetsGiveNoCopy) {
    const ElementID kinds[] = {ElementID::LinearGradient, ElementID::RadialGradient, ElementID::Marker,
                               ElementID::Mask,           ElementID::Pattern,        ElementID::ClipPath,
                               ElementID::Defs,           ElementID::Stop,           ElementID::Style};
    std::vector<SVGUseElement*> uses;
    int n = 0;
    for (const ElementID kind : kinds) {
        const std::string id = "t" + std::to_string(n++);
        add(*root, kind, {{PropertyID::Id, id}});
        uses.push_back(use(*root, "#" + id));
    }
    root->build();
    for (SVGUseElement* u : uses)
        EXPECT_EQ(u->expansionChild(), nullptr);
}

TEST_F(UseTest, NoExpansionOnceAReasonExists) {
    add(*root, ElementID::G, {{PropertyID::Id, "a"}});
    SVGUseElement* u = use(*root, "#a");
    document.addReason("unsupported_text");
    root->build();
    EXPECT_EQ(u->expansionChild(), nullptr);
    EXPECT_EQ(document.useExpansionCheck(), Document::kUseExpansionRefused);
    EXPECT_EQ(document.reasons().size(), 1u);
}

TEST_F(UseTest, DeferredReasonsDoNotLeakBetweenCopyAndSource) {
    SVGElement* rect = add(*root, ElementID::Rect, {{PropertyID::Id, "r"}});
    ASSERT_TRUE(recordDeferredCapability(*rect, 1, "filter", "unsupported_filter"));
    SVGUseElement* u = use(*root, "#r");
    root->build();
    SVGElement* copy = u->expansionChild();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(&deferredCapabilities(*copy), &deferredCapabilities(*rect));
    ASSERT_TRUE(recordDeferredCapability(*copy, 1, "mask", "unsupported_mask"));
    ASSERT_TRUE(recordDeferredCapability(*rect, 1, "paint-order", "unsupported_paint_order"));
    EXPECT_EQ(deferredCapabilities(*rect).count("mask"), 0u);
    EXPECT_EQ(deferredCapabilities(*copy).count("paint-order"), 0u);
    EXPECT_EQ(deferredCapabilities(*copy).count("filter"), 1u);
}

TEST_F(UseTest, ExponentialBombIsRefusedQuickly) {
    // Each level uses the previous one ten times: 10^12 copies if expanded.
    SVGElement* defs = add(*root, ElementID::Defs);
    add(*defs, ElementID::Rect, {{PropertyID::Id, "l0"}, {PropertyID::Width, "1"}});
    for (int level = 1; level <= 12; ++level) {
        SVGElement* group = add(*defs, ElementID::G, {{PropertyID::Id, "l" + std::to_string(level)}});
        for (int i = 0; i < 10; ++i)
            use(*group, "#l" + std::to_string(level - 1));
    }
    SVGUseElement* top = use(*root, "#l12");
    root->build();
    EXPECT_EQ(top->expansionChild(), nullptr);
    EXPECT_TRUE(hasReason("unsupported_complexity"));
    EXPECT_EQ(document.clonedElements(), 0u);
}

TEST_F(UseTest, BombThroughDistinctPathsIsRefused) {
    // Two groups per level, each using both groups of the level below: every route to the
    // bottom has its own path of ids, so memoising by target alone would not help.
    SVGElement* defs = add(*root, ElementID::Defs);
    add(*defs, ElementID::Rect, {{PropertyID::Id, "a0"}});
    add(*defs, ElementID::Rect, {{PropertyID::Id, "b0"}});
    for (int level = 1; level <= 40; ++level) {
        const std::string below = std::to_string(level - 1);
        for (const char* name : {"a", "b"}) {
            SVGElement* group = add(*defs, ElementID::G, {{PropertyID::Id, name + std::to_string(level)}});
            use(*group, "#a" + below);
            use(*group, "#b" + below);
        }
    }
    use(*root, "#a40");
    root->build();
    EXPECT_TRUE(hasReason("unsupported_complexity"));
}

TEST_F(UseTest, ModerateFanOutIsExpandedInFull) {
    SVGElement* defs = add(*root, ElementID::Defs);
    add(*defs, ElementID::Rect, {{PropertyID::Id, "l0"}});
    for (int level = 1; level <= 3; ++level) {
        SVGElement* group = add(*defs, ElementID::G, {{PropertyID::Id, "l" + std::to_string(level)}});
        for (int i = 0; i < 10; ++i)
            use(*group, "#l" + std::to_string(level - 1));
    }
    use(*root, "#l3");
    root->build();
    EXPECT_TRUE(document.reasons().empty());
    // Originals in defs expand first (10 + 210 + 2210 copies), then the top use (2221); a
    // copied use is copied bare and expands in turn.
    EXPECT_EQ(document.clonedElements(), 4651u);
}

TEST_F(UseTest, CopiesDeeperThanTheDepthLimitAreRefused) {
    // A chain of groups nested 600 deep, used from 600 levels down: the copy would sit at 1200.
    SVGElement* parent = add(*root, ElementID::Defs);
    SVGElement* top = add(*parent, ElementID::G, {{PropertyID::Id, "deep"}});
    parent = top;
    for (int i = 0; i < 600; ++i)
        parent = add(*parent, ElementID::G);
    SVGElement* holder = root;
    for (int i = 0; i < 600; ++i)
        holder = add(*holder, ElementID::G);
    SVGUseElement* u = use(*holder, "#deep");
    root->build();
    EXPECT_EQ(u->expansionChild(), nullptr);
    EXPECT_TRUE(hasReason("unsupported_complexity"));
}

TEST(UseBombDocument, NestedUsesInOneKilobyteReturnQuickly) {
    std::string svg =
        "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'><defs>"
        "<rect id='l0' width='1' height='1'/>";
    for (int level = 1; level <= 9; ++level) {
        svg += "<g id='l" + std::to_string(level) + "'>";
        for (int i = 0; i < 10; ++i)
            svg += "<use href='#l" + std::to_string(level - 1) + "'/>";
        svg += "</g>";
    }
    svg += "</defs><use href='#l9'/></svg>";
    std::unique_ptr<Document> document = loadDocumentFromString(svg);
    ASSERT_NE(document, nullptr);
    ASSERT_FALSE(document->reasons().empty());
    EXPECT_EQ(document->reasons().front(), "unsupported_complexity");
    EXPECT_EQ(document->clonedElements(), 0u);
}

}  // namespace
}  // namespace pavrix_svg

namespace pavrix_svg {
namespace {

TEST_F(UseTest, AncestorCheckHoldsWhenBuildStartsBelowTheRoot) {
    SVGElement* outer = add(*root, ElementID::G, {{PropertyID::Id, "outer"}});
    SVGElement* inner = add(*outer, ElementID::G);
    SVGUseElement* cyclic = use(*inner, "#outer");
    add(*root, ElementID::Rect, {{PropertyID::Id, "r"}});
    SVGUseElement* plain = use(*inner, "#r");
    inner->build();
    EXPECT_EQ(cyclic->expansionChild(), nullptr);
    EXPECT_NE(plain->expansionChild(), nullptr);
    // Outside any build pass the ancestors are walked.
    EXPECT_EQ(cloneUseTarget(*cyclic, *outer), nullptr);
    EXPECT_NE(cloneUseTarget(*cyclic, *getElementById(*root, "r")), nullptr);
}

}  // namespace
}  // namespace pavrix_svg

namespace pavrix_svg {
namespace {

TEST_F(UseTest, DeepCloneSkipsExpansionChildAndMarksLayout) {
    add(*root, ElementID::Rect, {{PropertyID::Id, "r"}});
    SVGElement* group = add(*root, ElementID::G, {{PropertyID::Fill, "red"}});
    SVGUseElement* u = use(*group, "#r");
    addChild(*u, makeNode<SVGTextNode>(document, "own"));
    root->build();
    ASSERT_NE(u->expansionChild(), nullptr);
    root->computedWidth = 5.0f;
    std::unique_ptr<SVGNode> copy = group->clone(true);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(root->computedWidth, -1.0f);
    const auto& copiedGroup = static_cast<const SVGElement&>(*copy);
    EXPECT_EQ(findAttribute(copiedGroup, PropertyID::Fill), "red");
    ASSERT_NE(copiedGroup.firstElementChild(), nullptr);
    const auto& copiedUse = static_cast<const SVGUseElement&>(*copiedGroup.firstElementChild());
    ASSERT_EQ(copiedUse.children().size(), 1u);  // the text node, not the expansion
    EXPECT_TRUE(copiedUse.children()[0]->isTextNode());
    EXPECT_EQ(copiedUse.expansionChild(), nullptr);

    std::unique_ptr<SVGNode> shallow = group->clone(false);
    EXPECT_TRUE(static_cast<const SVGElement&>(*shallow).children().empty());
}

}  // namespace
}  // namespace pavrix_svg

namespace pavrix_svg {
namespace {

// Random documents of groups, symbols, shapes and uses that reference each other (cycles,
// ancestors, chains of uses included). The estimate must not depend on how costs are
// memoised, and must count exactly what the build then copies.
TEST(UseExpansionEstimate, AgreesWithExactPathMemoAndWithTheBuild) {
    std::mt19937 random(12345);
    int accepted = 0;
    for (int round = 0; round < 1500; ++round) {
        Document document;
        auto owned = makeNode<SVGRootElement>(document);
        SVGRootElement* root = owned.get();
        document.resetRoot(std::move(owned));
        std::vector<SVGElement*> containers{root};
        int ids = 0;
        const int count = 4 + static_cast<int>(random() % 30);
        for (int i = 0; i < count; ++i) {
            SVGElement* parent = containers[random() % containers.size()];
            const ElementID kinds[] = {ElementID::G,   ElementID::G,   ElementID::Symbol, ElementID::Rect,
                                       ElementID::Use, ElementID::Use, ElementID::Use,    ElementID::Svg};
            const ElementID kind = kinds[random() % std::size(kinds)];
            SVGElement* element = addChild(*parent, createElement(document, kind));
            if (random() % 4 != 0) {
                const std::string id = "e" + std::to_string(ids++);
                registerElementId(*root, id, *element);
                setAttribute(*element, 1, PropertyID::Id, id);
            }
            if (kind == ElementID::Use) {
                setAttribute(*element, 1, PropertyID::Href, "#e" + std::to_string(random() % (count + 2)));
                if (random() % 3 == 0)
                    setAttribute(*element, 1, PropertyID::Width, "7");
            } else if (kind != ElementID::Rect) {
                containers.push_back(element);
            }
            if (random() % 5 == 0)
                addChild(*element, makeNode<SVGTextNode>(document, "t"));
        }
        const UseExpansionEstimate reused = estimateUseExpansion(document);
        const UseExpansionEstimate exact = estimateUseExpansion(document, true);
        ASSERT_EQ(reused.withinCaps, exact.withinCaps) << round;
        if (!exact.withinCaps)
            continue;
        ++accepted;
        EXPECT_EQ(reused.uses, exact.uses) << round;
        EXPECT_EQ(reused.bytes, exact.bytes) << round;
        EXPECT_EQ(reused.elements, exact.elements) << round;
        root->build();
        ASSERT_TRUE(document.reasons().empty()) << round;
        EXPECT_EQ(document.useExpansionTotal(), exact.uses) << round;
        EXPECT_EQ(document.clonedElements(), exact.elements) << round;
        EXPECT_EQ(document.cloneAttributeBytes(), exact.bytes) << round;
    }
    EXPECT_GT(accepted, 500);
}

}  // namespace
}  // namespace pavrix_svg
