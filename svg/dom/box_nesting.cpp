#include "svg/dom/box_nesting.h"

#include "svg/dom/document.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg {

namespace {

thread_local std::uint32_t tBoxNesting = 0;

}  // namespace

BoxNestingScope::BoxNestingScope(const SVGElement& element) {
    if (tBoxNesting >= kMaxNesting) {
        m_refused = true;
        element.document().addReason("unsupported_complexity");
        return;
    }
    ++tBoxNesting;
}

BoxNestingScope::~BoxNestingScope() {
    if (!m_refused)
        --tBoxNesting;
}

}  // namespace pavrix_svg
