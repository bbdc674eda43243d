#pragma once

#include <cstdint>
#include <string>

namespace pavrix_svg {

class SVGElement;

// The ancestors of the element being built, kept while the build pass recurses, so that a use
// can test its ancestors' ids and its depth without walking up the tree each time.
namespace build_path {

// RAII entry of one element into the pass; the outermost entry seeds the path with the real
// ancestors of the element it starts at.
class Scope {
public:
    explicit Scope(const SVGElement& element);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    std::string m_id;
    bool m_outermost = false;
};

// True while a build pass runs on this thread.
bool active() noexcept;
// Elements on the path (the ancestors of a child about to be built).
std::uint64_t depth() noexcept;
// Whether an element on the path carries this id attribute (for "", one without an id).
bool containsId(const std::string& id);

}  // namespace build_path

}  // namespace pavrix_svg
