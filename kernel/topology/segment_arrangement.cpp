#include "kernel/topology/segment_arrangement.h"

#include <numeric>

namespace pavrix_svg_core {

RoutingGroups::RoutingGroups(std::size_t ring_count)
    : parent(ring_count), size(ring_count, 1), contact(ring_count, false), dirty(ring_count, false) {
    std::iota(parent.begin(), parent.end(), std::size_t{0});
}

std::size_t RoutingGroups::find(std::size_t ring) {
    std::size_t root = ring;
    while (parent[root] != root) {
        root = parent[root];
    }
    while (parent[ring] != root) {
        const std::size_t next = parent[ring];
        parent[ring] = root;
        ring = next;
    }
    return root;
}

void union_groups(RoutingGroups& groups, std::size_t i, std::size_t j) {
    const std::size_t root_i = groups.find(i);
    const std::size_t root_j = groups.find(j);
    if (root_i == root_j) {
        return;
    }
    const bool i_goes_under = groups.size[root_i] < groups.size[root_j];
    const std::size_t survivor = i_goes_under ? root_j : root_i;
    const std::size_t absorbed = i_goes_under ? root_i : root_j;
    groups.parent[absorbed] = survivor;
    groups.size[survivor] += groups.size[absorbed];
    groups.contact[survivor] = groups.contact[survivor] || groups.contact[absorbed];
    groups.dirty[survivor] = true;
    ++groups.unions;
}

template SegmentArrangement build_arrangement<std::int64_t>(const Clipper2Lib::Paths64&, RoutingGroups*);
template void find_arrangement_contacts<std::int64_t>(SegmentArrangement&, std::uint32_t, const std::vector<bool>*);
template Clipper2Lib::Paths64 extract_arrangement<std::int64_t>(SegmentArrangement&, std::uint32_t);

}  // namespace pavrix_svg_core
