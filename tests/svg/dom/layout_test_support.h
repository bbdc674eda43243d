#pragma once

// Shared helpers of the layout tests: parse a document, find elements by id, lay it out, build
// the layout state of one element.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/layout/element_layout.h"
#include "svg/dom/layout_state.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg::layout_test {

struct LaidOutDocument {
    std::unique_ptr<Document> document;

    SVGRootElement& root() const { return *document->rootElement(); }

    template <typename Element = SVGElement>
    Element& get(std::string_view id) const {
        SVGElement* element = getElementById(root(), id);
        if (element == nullptr)
            throw std::runtime_error("no element with id " + std::string(id));
        auto* typed = dynamic_cast<Element*>(element);
        if (typed == nullptr)
            throw std::runtime_error("element " + std::string(id) + " has another class");
        return *typed;
    }
};

// Parses and lays out; reasons the reader adds (text, paint servers) do not stop the layout.
inline LaidOutDocument layOut(std::string_view svg) {
    LaidOutDocument result{loadDocumentFromString(svg)};
    if (!result.document || result.document->rootElement() == nullptr)
        throw std::runtime_error("document did not parse");
    layoutIfNeeded(*result.document->rootElement());
    return result;
}

inline std::string wrap(std::string_view content, std::string_view rootAttributes = "") {
    std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" ";
    text += rootAttributes;
    text += ">";
    text += content;
    text += "</svg>";
    return text;
}

namespace detail {
inline void buildStates(const std::vector<SVGElement*>& chain, std::size_t index, const SVGLayoutState& parent,
                        const std::function<void(const SVGLayoutState&)>& use) {
    const SVGLayoutState state(parent, chain[index]);
    if (index + 1 == chain.size())
        use(state);
    else
        buildStates(chain, index + 1, state, use);
}
}  // namespace detail

// Calls `use` with the layout state of `element`, built down from the root.
inline void withState(SVGElement& element, const std::function<void(const SVGLayoutState&)>& use) {
    std::vector<SVGElement*> chain;
    for (SVGElement* current = &element; current != nullptr; current = current->parent())
        chain.insert(chain.begin(), current);
    const SVGLayoutState rootParent = initLayoutState();
    detail::buildStates(chain, 0, rootParent, use);
}

}  // namespace pavrix_svg::layout_test
