#include <limits>

#include "svg/dom/document.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg {

namespace {

std::uint64_t mapBytes(const DeferredCapabilityMap& map) noexcept {
    std::uint64_t bytes = 0;
    for (const auto& [key, entry] : map) {
        const std::uint64_t add = key.size() + entry.reason.size() + kDeferredCapabilityEntryOverhead;
        if (bytes > std::numeric_limits<std::uint64_t>::max() - add)
            return std::numeric_limits<std::uint64_t>::max();
        bytes += add;
    }
    return bytes;
}

}  // namespace

bool recordDeferredCapability(SVGElement& element, std::int32_t specificity, std::string_view name,
                              std::string_view reason) {
    Document& document = element.document();
    std::shared_ptr<DeferredCapabilityMap>& map = element.deferredCapabilityMap();
    if (map && map.use_count() > 1) {
        if (!document.chargeDeferredCapability(map->size(), mapBytes(*map))) {
            document.addReason("unsupported_complexity");
            return false;
        }
        map = std::make_shared<DeferredCapabilityMap>(*map);
    }
    if (!map)
        map = std::make_shared<DeferredCapabilityMap>();
    const auto found = map->find(name);
    if (found != map->end()) {
        DeferredCapability& entry = found->second;
        if (specificity < entry.specificity)
            return false;
        if (reason.size() > entry.reason.size() &&
            !document.chargeDeferredCapability(0, reason.size() - entry.reason.size())) {
            document.addReason("unsupported_complexity");
            return false;
        }
        entry.specificity = specificity;
        entry.reason.assign(reason);
        return true;
    }
    if (!document.chargeDeferredCapability(1, reason.size() + name.size() + kDeferredCapabilityEntryOverhead)) {
        document.addReason("unsupported_complexity");
        return false;
    }
    map->emplace(std::string(name), DeferredCapability{specificity, std::string(reason)});
    return true;
}

const DeferredCapabilityMap& deferredCapabilities(const SVGElement& element) noexcept {
    static const DeferredCapabilityMap empty;
    const auto& map = element.deferredCapabilityMap();
    return map ? *map : empty;
}

void shareDeferredCapabilities(const SVGElement& source, SVGElement& copy) noexcept {
    copy.deferredCapabilityMap() = source.deferredCapabilityMap();
}

}  // namespace pavrix_svg
