#pragma once

#include <cstdint>
#include <forward_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/rect.h"
#include "graphics/transform.h"
#include "svg/dom/deferred_capability.h"
#include "svg/dom/element_id.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_node.h"
#include "svg/exact/exact_transform.h"

namespace pavrix_svg {

class SVGProperty;
class SVGRootElement;
struct ExactPathOperands;  // svg/exact/path_data_reading.h
class SVGRenderState;      // recorder/render_state.h
struct SVGLayoutState;     // svg/layout_state.h

// One stored value with the specificity of its source; at most one per PropertyID.
struct Attribute {
    std::int32_t specificity = 0;
    PropertyID id = PropertyID::Unknown;
    std::pmr::string value;
};

// Newest entry first. Lists, values and children live in the document's arena.
using AttributeList = std::pmr::forward_list<Attribute>;

using NodeList = std::pmr::vector<std::unique_ptr<SVGNode>>;

class SVGElement : public SVGNode {
public:
    // Takes the next serial of the document; may throw std::length_error("svg_element_capacity").
    SVGElement(Document& document, ElementID id);
    // Tears the subtree down without recursion, so deep trees cannot exhaust the stack.
    ~SVGElement() override;

    bool isElement() const override { return true; }
    std::unique_ptr<SVGNode> clone(bool deep) const override;

    // Parses a value into the element's property of that id (after the document's cost
    // checks); false when nothing was parsed.
    virtual bool parseAttribute(PropertyID id, std::string_view value);
    virtual Transform localTransform() const;
    virtual Rect fillBoundingBox() const;
    virtual Rect strokeBoundingBox() const;
    // Cached in paintBoundingBoxCache until layout resets it.
    virtual Rect paintBoundingBox() const;
    // Runs once after parsing: expands use elements, then builds the children.
    virtual void build();
    virtual void layoutElement(const SVGLayoutState& state);
    virtual void layout(const SVGLayoutState& parentState);
    // Base: renders nothing. Painting classes forward to the recorder's render hooks.
    virtual void render(const SVGRenderState& parentState);

    ElementID id() const noexcept { return m_id; }
    std::int32_t serial() const noexcept { return m_serial; }

    const NodeList& children() const noexcept { return m_children; }
    SVGElement* previousElementSibling() const noexcept { return m_previousElementSibling; }
    SVGElement* nextElementSibling() const noexcept { return m_nextElementSibling; }
    SVGElement* lastElementChild() const noexcept { return m_lastElementChild; }
    SVGElement* firstElementChild() const noexcept { return m_firstElementChild; }

    const AttributeList& attributes() const noexcept { return m_attributes; }
    AttributeList& attributes() noexcept { return m_attributes; }
    const std::shared_ptr<DeferredCapabilityMap>& deferredCapabilityMap() const noexcept {
        return m_deferredCapabilities;
    }
    std::shared_ptr<DeferredCapabilityMap>& deferredCapabilityMap() noexcept { return m_deferredCapabilities; }

    // The newest registered property of that id, or null.
    SVGProperty* findProperty(PropertyID id) const noexcept;
    // Registers one of the element's own property members (constructors only).
    void addProperty(SVGProperty& property) { m_properties.push_back(&property); }

    // The document's root (null while the root is being created).
    SVGRootElement* rootElement() const noexcept;
    // Marks the document for layout again (the root's computed width becomes -1).
    void markForLayout() const noexcept;

    // Links added by addChild only.
    friend SVGNode* addChild(SVGElement& parent, std::unique_ptr<SVGNode> node);

    // Computed and audit fields, written by layout, the attribute audit and the reader.
    mutable Rect paintBoundingBoxCache{0.0f, 0.0f, -1.0f, -1.0f};
    SVGElement* clipper = nullptr;  // only ElementID::ClipPath
    SVGElement* masker = nullptr;   // only ElementID::Mask
    float opacity = 1.0f;
    double opacityExact = 1.0;
    float fontSize = 12.0f;
    std::uint8_t display = 0;   // 1 = none
    std::uint8_t overflow = 0;  // 1 = hidden
    std::uint8_t visibility = 0;
    std::uint8_t pointerEvents = 1;
    std::uint8_t vectorEffect = 0;  // 1 = non-scaling-stroke
    // Saturating counts (0xFFFFFFFF at most), hence unsigned.
    std::uint32_t relativePathOperationCount = 0;
    std::uint32_t transformOperationCount = 0;
    double pathInputPrecisionError = 0.0;
    double pathInputPrecisionErrorX = 0.0;
    double pathInputPrecisionErrorY = 0.0;
    std::uint8_t pathHasLoweredCurve = 0;
    std::uint8_t strokeDirectionInputAmbiguous = 0;
    std::uint8_t isolatedStrokeDirectionInputAmbiguous = 0;
    std::vector<std::uint8_t> subpathAreaPotential;
    // The numbers of the `d` value for the exact path builder, when it was read in one pass with
    // the others; null means the builder reads the value itself.
    std::unique_ptr<ExactPathOperands> exactPathOperands;
    double transformLinearPrecisionError = 0.0;
    double transformTranslationPrecisionError = 0.0;
    // The `transform` value in double, when it was read in one pass with the float matrix;
    // empty means the render pass parses the value itself.
    std::optional<ExactTransform> exactTransform;
    std::uint8_t fillPartialAlpha = 0;
    std::uint8_t strokePartialAlpha = 0;
    double fillOpacityExact = 1.0;
    double strokeOpacityExact = 0.0;
    // Set by the reader once character data of non-zero length was read directly inside.
    std::uint8_t hasCharacterData = 0;

private:
    ElementID m_id;
    std::int32_t m_serial;
    AttributeList m_attributes;
    std::shared_ptr<DeferredCapabilityMap> m_deferredCapabilities;
    std::pmr::vector<SVGProperty*> m_properties;  // newest last
    NodeList m_children;
    SVGElement* m_previousElementSibling = nullptr;
    SVGElement* m_nextElementSibling = nullptr;
    SVGElement* m_lastElementChild = nullptr;
    SVGElement* m_firstElementChild = nullptr;
};

// Appends the node, sets its parent and, for an element, links it after the last element child.
SVGNode* addChild(SVGElement& parent, std::unique_ptr<SVGNode> node);

template <typename Node>
Node* addChild(SVGElement& parent, std::unique_ptr<Node> node) {
    return static_cast<Node*>(addChild(parent, std::unique_ptr<SVGNode>(std::move(node))));
}

// --- Attribute storage ---------------------------------------------------------------------

// The stored value (valid until it is replaced), or an empty view.
std::string_view findAttribute(const SVGElement& element, PropertyID id) noexcept;
bool hasAttribute(const SVGElement& element, PropertyID id) noexcept;
// By attribute or CSS property name; unknown names give the empty string.
std::string_view getAttribute(const SVGElement& element, std::string_view name) noexcept;

// Stores the value unless a stronger one is stored (false then, nothing parsed); equal or higher
// specificity parses and replaces. A value that fails to parse is still stored.
bool setAttribute(SVGElement& element, std::int32_t specificity, PropertyID id, std::string_view value);
// setAttribute for every entry of the list, oldest first, keeping each specificity.
void copyAttributes(SVGElement& target, const AttributeList& source);

// Stores a deferred reason under a name unless a stronger entry exists; a map shared with
// copies is copied first. False, nothing changed, on a lower specificity or a failed charge
// (the document then carries "unsupported_complexity").
bool recordDeferredCapability(SVGElement& element, std::int32_t specificity, std::string_view name,
                              std::string_view reason);
// The element's map, or one shared empty map.
const DeferredCapabilityMap& deferredCapabilities(const SVGElement& element) noexcept;
// The copy shares the source's map until either records into it.
void shareDeferredCapabilities(const SVGElement& source, SVGElement& copy) noexcept;

// "#id" looked up in the document's id map; null for anything else.
SVGElement* resolveLocalReference(std::string_view value, const Document& document) noexcept;

}  // namespace pavrix_svg
