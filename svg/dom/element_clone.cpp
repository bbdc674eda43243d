#include "svg/dom/element_clone.h"

#include <limits>
#include <vector>

#include "svg/dom/document.h"
#include "svg/dom/element_factory.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/use_element.h"

namespace pavrix_svg {

namespace {

constexpr const char* kComplexity = "unsupported_complexity";

std::unique_ptr<SVGNode> cloneTextNode(const SVGTextNode& source) {
    Document& document = source.document();
    if (!document.chargeClonedElements(1) || !document.chargeCloneAttributeBytes(source.text().size() + 1)) {
        document.addReason(kComplexity);
        return nullptr;
    }
    return source.clone(false);
}

}  // namespace

std::uint64_t attributeCopyBytes(const SVGElement& element) noexcept {
    std::uint64_t bytes = 0;
    for (const Attribute& attribute : element.attributes()) {
        const std::uint64_t add = static_cast<std::uint64_t>(attribute.value.size()) + 1;
        if (bytes > std::numeric_limits<std::uint64_t>::max() - add)
            return std::numeric_limits<std::uint64_t>::max();
        bytes += add;
    }
    return bytes;
}

std::uint64_t elementDepth(const SVGElement& element) noexcept {
    std::uint64_t depth = 1;
    for (const SVGElement* ancestor = element.parent(); ancestor != nullptr; ancestor = ancestor->parent())
        ++depth;
    return depth;
}

std::unique_ptr<SVGElement> cloneElementShallow(const SVGElement& source, ElementID id) {
    Document& document = source.document();
    // Charged before anything is built, so a refused copy costs nothing more.
    if (!document.chargeClonedElements(1) || !document.chargeCloneAttributeBytes(attributeCopyBytes(source))) {
        document.addReason(kComplexity);
        return nullptr;
    }
    std::unique_ptr<SVGElement> copy = createElement(document, id);
    if (!copy)
        return nullptr;
    copyAttributes(*copy, source.attributes());
    shareDeferredCapabilities(source, *copy);
    return copy;
}

bool cloneSubtree(const SVGElement& source, SVGElement& copy, std::uint64_t copyDepth) {
    struct Frame {
        const SVGElement* source;
        SVGElement* copy;
        std::size_t next;
    };
    // Pre-order with an explicit stack: the copies take their serials in document order, as a
    // recursive copy would, without recursing.
    std::vector<Frame> stack;
    stack.push_back(Frame{&source, &copy, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const NodeList& children = frame.source->children();
        if (frame.next >= children.size()) {
            stack.pop_back();
            continue;
        }
        const SVGNode& child = *children[frame.next++];
        SVGElement* parentCopy = frame.copy;
        const SVGElement* expansion = frame.source->id() == ElementID::Use
                                          ? static_cast<const SVGUseElement*>(frame.source)->expansionChild()
                                          : nullptr;
        if (&child == expansion)
            continue;
        // Children of the frame at stack depth k sit at copyDepth + k.
        const std::uint64_t childDepth = copyDepth + stack.size();
        if (childDepth > Document::kMaxElementDepth) {
            source.document().addReason(kComplexity);
            return false;
        }
        if (child.isTextNode()) {
            std::unique_ptr<SVGNode> text = cloneTextNode(static_cast<const SVGTextNode&>(child));
            if (!text)
                return false;
            addChild(*parentCopy, std::move(text));
            continue;
        }
        if (!child.isElement())
            continue;
        const auto& element = static_cast<const SVGElement&>(child);
        std::unique_ptr<SVGElement> elementCopy = cloneElementShallow(element, element.id());
        if (!elementCopy)
            return false;
        SVGElement* added = addChild(*parentCopy, std::move(elementCopy));
        // `frame` may dangle after this push.
        stack.push_back(Frame{&element, added, 0});
    }
    return true;
}

std::unique_ptr<SVGNode> SVGElement::clone(bool deep) const {
    std::unique_ptr<SVGElement> copy = cloneElementShallow(*this, id());
    if (copy && deep && !cloneSubtree(*this, *copy, 1))
        return nullptr;
    return copy;
}

bool cloneChildren(const SVGElement& source, SVGElement& copy) {
    return cloneSubtree(source, copy, elementDepth(copy));
}

}  // namespace pavrix_svg
