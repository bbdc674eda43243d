#pragma once

#include <cstdint>

namespace pavrix_svg {

class SVGElement;

// Box computations recurse once per container level and once per clip path, mask or marker they
// follow, and references can chain so that the levels multiply. One count per thread bounds the
// whole recursion; past the cap the document is refused and the box is not computed further.
class BoxNestingScope {
public:
    // Twice the element depth the reader allows: a full-depth tree plus a full-depth reference.
    static constexpr std::uint32_t kMaxNesting = 2048;

    // Enters one level; past the cap adds "unsupported_complexity" to the element's document.
    explicit BoxNestingScope(const SVGElement& element);
    ~BoxNestingScope();
    BoxNestingScope(const BoxNestingScope&) = delete;
    BoxNestingScope& operator=(const BoxNestingScope&) = delete;

    // True when this level is past the cap: the caller answers without recursing.
    bool refused() const noexcept { return m_refused; }

private:
    bool m_refused = false;
};

}  // namespace pavrix_svg
