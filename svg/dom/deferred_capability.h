#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace pavrix_svg {

// A reason code held back for a presentation property until the element actually paints.
// An empty reason keeps the entry (and its specificity) but has no effect.
struct DeferredCapability {
    std::int32_t specificity = 0;
    std::string reason;
};

// Keyed by the attribute or CSS property name as written, compared bytewise.
using DeferredCapabilityMap = std::map<std::string, DeferredCapability, std::less<>>;

// Bytes charged per stored entry besides its key and reason, whatever the real node size.
inline constexpr std::uint64_t kDeferredCapabilityEntryOverhead = 136;

}  // namespace pavrix_svg
