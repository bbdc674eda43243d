#include "svg/dom/svg_element.h"
#include "svg/exact/path_data_reading.h"

#include "svg/dom/box_nesting.h"
#include "svg/dom/build_path.h"
#include "svg/dom/document.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

SVGElement::SVGElement(Document& document, ElementID id)
    : SVGNode(document),
      m_id(id),
      m_serial(document.nextElementSerial()),
      m_attributes(&document.arena()),
      m_properties(&document.arena()),
      m_children(&document.arena()) {}

SVGElement::~SVGElement() {
    if (m_children.empty())
        return;
    // Detach every descendant into one work list first, so that each node is destroyed with an
    // empty children list and destruction never recurses, whatever the depth.
    NodeList pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<SVGNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->isElement()) {
            NodeList& children = static_cast<SVGElement&>(*node).m_children;
            for (auto& child : children)
                pending.push_back(std::move(child));
            children.clear();
        }
    }
}

SVGProperty* SVGElement::findProperty(PropertyID id) const noexcept {
    for (auto it = m_properties.rbegin(); it != m_properties.rend(); ++it) {
        if ((*it)->id() == id)
            return *it;
    }
    return nullptr;
}

SVGRootElement* SVGElement::rootElement() const noexcept {
    return document().rootElement(false);
}

void SVGElement::markForLayout() const noexcept {
    if (SVGRootElement* root = rootElement())
        root->computedWidth = -1.0f;
}

SVGNode* addChild(SVGElement& parent, std::unique_ptr<SVGNode> node) {
    SVGNode* added = node.get();
    added->setParent(&parent);
    parent.m_children.push_back(std::move(node));
    if (added->isElement()) {
        auto* element = static_cast<SVGElement*>(added);
        element->m_previousElementSibling = parent.m_lastElementChild;
        if (parent.m_lastElementChild != nullptr)
            parent.m_lastElementChild->m_nextElementSibling = element;
        else
            parent.m_firstElementChild = element;
        parent.m_lastElementChild = element;
    }
    return added;
}

Transform SVGElement::localTransform() const {
    return Transform::Identity;
}

namespace {

// Elements that never contribute to their container's boxes.
bool contributesToContainerBox(const SVGElement& child) noexcept {
    switch (child.id()) {
    case ElementID::ClipPath:
    case ElementID::Defs:
    case ElementID::LinearGradient:
    case ElementID::Marker:
    case ElementID::Mask:
    case ElementID::Pattern:
    case ElementID::RadialGradient:
    case ElementID::Stop:
    case ElementID::Symbol:
        return false;
    default:
        return child.display != 1;
    }
}

template <typename ChildBox>
Rect containerBox(const SVGElement& element, ChildBox childBox) {
    // Markers inside the content lead back here through their own boxes.
    const BoxNestingScope nesting(element);
    if (nesting.refused())
        return Rect::Empty;
    Rect box = Rect::Invalid;
    for (SVGElement* child = element.firstElementChild(); child != nullptr; child = child->nextElementSibling()) {
        if (contributesToContainerBox(*child))
            box = box.united(child->localTransform().mapRect(childBox(*child)));
    }
    return box.isValid() ? box : Rect::Empty;
}

}  // namespace

Rect SVGElement::fillBoundingBox() const {
    return containerBox(*this, [](const SVGElement& child) { return child.fillBoundingBox(); });
}

Rect SVGElement::strokeBoundingBox() const {
    return containerBox(*this, [](const SVGElement& child) { return child.strokeBoundingBox(); });
}

void SVGElement::build() {
    const build_path::Scope scope(*this);
    // Index loop: a use's build appends its expansion to its own list, never to this one, but
    // the loop must not depend on that.
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i]->isElement())
            static_cast<SVGElement&>(*m_children[i]).build();
    }
}

void SVGElement::render(const SVGRenderState&) {}

void* SVGNode::operator new(std::size_t bytes, Document& document) {
    return document.arena().allocate(bytes, __STDCPP_DEFAULT_NEW_ALIGNMENT__);
}

std::unique_ptr<SVGNode> SVGTextNode::clone(bool) const {
    markDocumentForLayout();
    return makeNode<SVGTextNode>(document(), m_text);
}

void SVGTextNode::setText(std::string text) {
    m_text = std::move(text);
    markDocumentForLayout();
}

void SVGTextNode::markDocumentForLayout() const noexcept {
    if (SVGRootElement* root = document().rootElement(false))
        root->computedWidth = -1.0f;
}

}  // namespace pavrix_svg
