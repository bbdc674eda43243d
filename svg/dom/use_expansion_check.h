#pragma once

#include <cstdint>

namespace pavrix_svg {

class Document;

// What expanding every use of a document would copy, computed before anything is expanded.
struct UseExpansionEstimate {
    bool withinCaps = true;      // false: a total passed the document's clone caps or depth limit
    std::uint64_t uses = 0;      // use elements that would be expanded, the copies' included
    std::uint64_t bytes = 0;     // attribute and text bytes (+1 each) the copies would hold
    std::uint64_t elements = 0;  // elements and text nodes the copies would add
};

// exactPathMemo memoises per (target, whole path of ids) only; the default also reuses a
// target's cost wherever the ids it depends on are on the path alike. Both give equal totals.
UseExpansionEstimate estimateUseExpansion(const Document& document, bool exactPathMemo = false);

// Document-wide verdict, computed once and cached in the document: false when any reason is
// present, or when expanding every use would pass the document's clone caps (the document then
// carries "unsupported_complexity").
bool useExpansionAllowed(Document& document);

}  // namespace pavrix_svg
