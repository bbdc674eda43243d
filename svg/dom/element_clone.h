#pragma once

#include <cstdint>
#include <memory>

#include "svg/dom/element_id.h"

namespace pavrix_svg {

class SVGElement;

// Depth of an element in its tree; the root (an element without parent) is at depth 1.
std::uint64_t elementDepth(const SVGElement& element) noexcept;

// What copying the element's attribute values costs the clone byte cap: size + 1 each, saturating.
std::uint64_t attributeCopyBytes(const SVGElement& element) noexcept;

// A new element of kind `id` carrying the source's attributes (parsed again) and sharing its
// deferred capabilities. Charged to the document's clone counters; null, with
// "unsupported_complexity" on the document, when a cap is reached.
std::unique_ptr<SVGElement> cloneElementShallow(const SVGElement& source, ElementID id);

// Deep-copies the source's children (except a use's expansion child) into copy, which sits at
// copyDepth. Iterative; false, with "unsupported_complexity" on the document, when a clone cap
// or the element depth limit is reached.
bool cloneSubtree(const SVGElement& source, SVGElement& copy, std::uint64_t copyDepth);

// cloneSubtree for a copy already in its tree, at the depth it sits.
bool cloneChildren(const SVGElement& source, SVGElement& copy);

}  // namespace pavrix_svg
