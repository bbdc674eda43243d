#include "svg/dom/use_element.h"

#include "svg/dom/build_path.h"
#include "svg/dom/document.h"
#include "svg/dom/element_clone.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/render_hooks.h"
#include "svg/dom/use_expansion_check.h"

namespace pavrix_svg {

bool isUseTargetKind(ElementID id) noexcept {
    switch (id) {
    case ElementID::Circle:
    case ElementID::Ellipse:
    case ElementID::G:
    case ElementID::Image:
    case ElementID::Line:
    case ElementID::Path:
    case ElementID::Polygon:
    case ElementID::Polyline:
    case ElementID::Rect:
    case ElementID::Svg:
    case ElementID::Symbol:
    case ElementID::Text:
    case ElementID::TSpan:
    case ElementID::Use:
        return true;
    default:
        return false;
    }
}

namespace {

// Leaves the document's expansion depth however build ends.
class UseExpansionScope {
public:
    explicit UseExpansionScope(Document& document) noexcept : m_document(document) {}
    ~UseExpansionScope() { m_document.leaveUseExpansion(); }
    UseExpansionScope(const UseExpansionScope&) = delete;
    UseExpansionScope& operator=(const UseExpansionScope&) = delete;

private:
    Document& m_document;
};

}  // namespace

SVGUseElement::SVGUseElement(Document& document)
    : SVGGraphicsElement(document, ElementID::Use),
      SVGURIReference(static_cast<SVGElement&>(*this)),
      SVGViewportRect(static_cast<SVGElement&>(*this)) {}

Transform SVGUseElement::localTransform() const {
    const LengthContext context(*this);
    // multiplied(B) applies B first: content points are offset by (x, y), then transformed.
    return transform().value().multiplied(
        Transform::translated(context.valueForLength(x()), context.valueForLength(y())));
}

void SVGUseElement::build() {
    Document& document = this->document();
    if (!useExpansionAllowed(document))
        return;
    if (!document.enterUseExpansion())
        return;
    const UseExpansionScope scope(document);
    if (SVGElement* target = resolveLocalReference(href(), document)) {
        if (std::unique_ptr<SVGElement> copy = cloneUseTarget(*this, *target))
            m_expansionChild = addChild(*this, std::move(copy));
    }
    SVGElement::build();
}

void SVGUseElement::render(const SVGRenderState& parentState) {
    if (const RenderHooks* hooks = renderHooks(); hooks != nullptr && hooks->renderUse != nullptr)
        hooks->renderUse(*this, parentState);
}

std::unique_ptr<SVGElement> cloneUseTarget(SVGUseElement& use, const SVGElement& target) {
    if (&target == &use || !isUseTargetKind(target.id()))
        return nullptr;
    // A target that is an ancestor (by id) would copy itself forever. During the build pass the
    // ancestors are on the build path already; walking up per use would cost depth x uses.
    const std::string targetId(findAttribute(target, PropertyID::Id));
    const bool onPath = build_path::active();
    if (onPath) {
        if (build_path::containsId(targetId))
            return nullptr;
    } else {
        for (const SVGElement* ancestor = use.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
            if (findAttribute(*ancestor, PropertyID::Id) == targetId)
                return nullptr;
        }
    }
    Document& document = use.document();
    // Every pass over the tree recurses per level, so copies may not sink below the depth the
    // reader allows for the document itself.
    const std::uint64_t copyDepth = (onPath ? build_path::depth() : elementDepth(use) - 1) + 2;
    if (copyDepth > Document::kMaxElementDepth) {
        document.addReason("unsupported_complexity");
        return nullptr;
    }
    const ElementID kind = target.id() == ElementID::Symbol ? ElementID::Svg : target.id();
    std::unique_ptr<SVGElement> copy = cloneElementShallow(target, kind);
    if (!copy)
        return nullptr;
    if (kind == ElementID::Svg) {
        for (const PropertyID size : {PropertyID::Width, PropertyID::Height}) {
            for (const Attribute& attribute : use.attributes()) {
                if (attribute.id != size)
                    continue;
                if (!document.chargeCloneAttributeBytes(attribute.value.size() + 1)) {
                    document.addReason("unsupported_complexity");
                    return nullptr;
                }
                setAttribute(*copy, attribute.specificity, size, attribute.value);
            }
        }
    }
    if (kind != ElementID::Use && !cloneSubtree(target, *copy, copyDepth))
        return nullptr;
    return copy;
}

}  // namespace pavrix_svg
