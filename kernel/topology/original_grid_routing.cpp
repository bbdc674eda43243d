#include "kernel/topology/original_grid_routing.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "kernel/exact/face_arithmetic.h"
#include "kernel/common/parallel_tasks.h"

namespace pavrix_svg_core {

namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

// Sign of n1/d1 - n2/d2 for positive denominators, exact.
int compare_rationals(std::int64_t n1, std::int64_t d1, std::int64_t n2, std::int64_t d2) noexcept {
    return FaceArithmetic<std::int64_t>::sign(FaceArithmetic<std::int64_t>::cross(n1, n2, d1, d2));
}

Int128 dot_from(const Point64& origin, const Point64& v, const Point64& w) noexcept {
    return FaceArithmetic<std::int64_t>::dot(v.x - origin.x, v.y - origin.y, w.x - origin.x, w.y - origin.y);
}

bool point_before(const Point64& p, const Point64& q) noexcept {
    return p.x != q.x ? p.x < q.x : p.y < q.y;
}

void check_routing_coordinates(const Paths64& rings) {
    for (const Path64& ring : rings) {
        for (const Point64& point : ring) {
            if (point.x <= -kMaxRoutingCoordinate || point.x >= kMaxRoutingCoordinate ||
                point.y <= -kMaxRoutingCoordinate || point.y >= kMaxRoutingCoordinate) {
                throw std::range_error("Original-grid routing coordinate out of range");
            }
        }
    }
}

// For a check of routed rings, whose traced rings are not used: every segment that repeats an
// earlier one (either direction) only unions its ring with the earlier one's and is dropped.
// Routed rings run through the same hot pixels many times, so repeats are most segments, and
// they would meet the same others with the same results (crossings round the exact point, so
// the direction does not matter). Ring ranges are kept consistent with the kept segments.
void drop_repeated_segments(SegmentArrangement& arrangement, RoutingGroups& groups) {
    FlatIdMap<std::pair<std::size_t, std::size_t>> first_of(arrangement.segments.size());
    std::size_t kept = 0;
    for (std::size_t ring = 0; ring < arrangement.ring_segment_first.size(); ++ring) {
        const std::size_t begin = arrangement.ring_segment_first[ring];
        const std::size_t end = arrangement.ring_segment_end[ring];
        arrangement.ring_segment_first[ring] = kept;
        for (std::size_t s = begin; s < end; ++s) {
            const auto segment = arrangement.segments[s];
            const std::pair<std::size_t, std::size_t> key{std::min(segment.tail, segment.head),
                                                          std::max(segment.tail, segment.head)};
            const auto [index, inserted] = first_of.insert(key, kept);
            if (!inserted) {
                union_groups(groups, arrangement.segments[index].ring, segment.ring);
                continue;
            }
            arrangement.segment_boxes[kept] = arrangement.segment_boxes[s];
            arrangement.segments[kept++] = segment;
        }
        arrangement.ring_segment_end[ring] = kept;
    }
    arrangement.segments.resize(kept);
    arrangement.segment_boxes.resize(kept);
}

}  // namespace

bool segment_crosses_cell(ParameterInterval& interval, std::int64_t a, std::int64_t b, std::int64_t c) {
    if (b == 0) {
        return a == c;
    }
    // The cell is [c - 1/2, c + 1/2]; its lower end belongs to it only for c > 0, its upper
    // end only for c < 0. In t, with denominators 2|b|: (2(c - a) -+ 1) / (2b).
    const std::int64_t twice_offset = 2 * (c - a);
    const std::int64_t below = twice_offset - 1;
    const std::int64_t above = twice_offset + 1;
    const std::int64_t denominator = b > 0 ? 2 * b : -2 * b;
    std::int64_t lower = below;
    std::int64_t upper = above;
    bool lower_included = c > 0;
    bool upper_included = c < 0;
    if (b < 0) {
        lower = -above;
        upper = -below;
        std::swap(lower_included, upper_included);
    }
    const int lower_order = compare_rationals(lower, denominator, interval.lower_numerator, interval.lower_denominator);
    if (lower_order > 0) {
        interval.lower_numerator = lower;
        interval.lower_denominator = denominator;
        interval.lower_included = lower_included;
    } else if (lower_order == 0) {
        interval.lower_included = interval.lower_included && lower_included;
    }
    const int upper_order = compare_rationals(upper, denominator, interval.upper_numerator, interval.upper_denominator);
    if (upper_order < 0) {
        interval.upper_numerator = upper;
        interval.upper_denominator = denominator;
        interval.upper_included = upper_included;
    } else if (upper_order == 0) {
        interval.upper_included = interval.upper_included && upper_included;
    }
    const int order = compare_rationals(interval.lower_numerator, interval.lower_denominator, interval.upper_numerator,
                                        interval.upper_denominator);
    return order < 0 || (order == 0 && interval.lower_included && interval.upper_included);
}

bool segment_meets_cells(ParameterInterval& interval, std::int64_t a, std::int64_t b, std::int64_t low,
                         std::int64_t high) {
    if (b == 0) {
        return low <= a && a <= high;
    }
    // The cells span [low - 1/2, high + 1/2], both ends kept: a conservative test for pruning.
    // In t, with denominators 2|b|: (2(low - a) - 1) / (2b) and (2(high - a) + 1) / (2b).
    const std::int64_t below = 2 * (low - a) - 1;
    const std::int64_t above = 2 * (high - a) + 1;
    const std::int64_t denominator = b > 0 ? 2 * b : -2 * b;
    const std::int64_t lower = b > 0 ? below : -above;
    const std::int64_t upper = b > 0 ? above : -below;
    if (compare_rationals(lower, denominator, interval.lower_numerator, interval.lower_denominator) > 0) {
        interval.lower_numerator = lower;
        interval.lower_denominator = denominator;
    }
    if (compare_rationals(upper, denominator, interval.upper_numerator, interval.upper_denominator) < 0) {
        interval.upper_numerator = upper;
        interval.upper_denominator = denominator;
    }
    return compare_rationals(interval.lower_numerator, interval.lower_denominator, interval.upper_numerator,
                             interval.upper_denominator) <= 0;
}

std::vector<CellHit> query_cell_hits(const BoxTree& tree, const Path64& hot_pixels, const Point64& edge_start,
                                     const Point64& edge_end) {
    std::vector<CellHit> hits;
    const FaceBox<std::int64_t> edge_box{std::min(edge_start.x, edge_end.x), std::min(edge_start.y, edge_end.y),
                                         std::max(edge_start.x, edge_end.x), std::max(edge_start.y, edge_end.y)};
    // A node is opened only when the edge itself passes its cells, not merely its box: a long
    // diagonal edge's box holds far more hot pixels than the edge passes, and testing them all
    // made routing quadratic in the crossings of dense rings.
    auto edge_meets = [&](const FaceBox<std::int64_t>& box) {
        if (!face_boxes_meet(box, edge_box)) {
            return false;
        }
        ParameterInterval interval;
        return segment_meets_cells(interval, edge_start.x, edge_end.x - edge_start.x, box.xmin, box.xmax) &&
               segment_meets_cells(interval, edge_start.y, edge_end.y - edge_start.y, box.ymin, box.ymax);
    };
    tree.walk(edge_meets, [&](std::size_t item) {
        const Point64& pixel = hot_pixels[item];
        ParameterInterval interval;
        if (segment_crosses_cell(interval, edge_start.x, edge_end.x - edge_start.x, pixel.x) &&
            segment_crosses_cell(interval, edge_start.y, edge_end.y - edge_start.y, pixel.y)) {
            hits.push_back({pixel, dot_from(edge_start, pixel, edge_end)});
        }
    });
    return hits;
}

void snap_route_pass(const Paths64& input, const Paths64& extracted, RoutingGroups& groups, Paths64& output,
                     std::vector<bool>* rebuilt, std::uint32_t workers) {
    std::vector<std::pair<std::size_t, std::size_t>> members;  // (root, ring)
    if (rebuilt != nullptr) {
        rebuilt->assign(input.size(), false);
    }
    for (std::size_t ring = 0; ring < input.size(); ++ring) {
        const std::size_t root = groups.find(ring);
        if (groups.contact[root] && groups.dirty[root]) {
            members.emplace_back(root, ring);
            if (rebuilt != nullptr) {
                (*rebuilt)[ring] = true;
            }
        }
    }
    std::stable_sort(members.begin(), members.end(), [](const auto& p, const auto& q) { return p.first < q.first; });
    std::vector<std::pair<std::size_t, std::size_t>> group_ranges;  // members of one root
    for (std::size_t begin = 0; begin < members.size();) {
        std::size_t end = begin + 1;
        while (end < members.size() && members[end].first == members[begin].first) {
            ++end;
        }
        group_ranges.emplace_back(begin, end);
        begin = end;
    }
    // Groups reroute through their own hot pixels only, so they are rebuilt side by side.
    run_parallel_tasks(group_ranges.size(), workers, [&](std::size_t group) {
        const auto [begin, end] = group_ranges[group];
        Path64 hot_pixels;
        for (std::size_t m = begin; m < end; ++m) {
            const Path64& ring = extracted[members[m].second];
            hot_pixels.insert(hot_pixels.end(), ring.begin(), ring.end());
        }
        std::sort(hot_pixels.begin(), hot_pixels.end(), point_before);
        hot_pixels.erase(std::unique(hot_pixels.begin(), hot_pixels.end()), hot_pixels.end());
        std::vector<FaceBox<std::int64_t>> pixel_boxes;
        pixel_boxes.reserve(hot_pixels.size());
        for (const Point64& pixel : hot_pixels) {
            pixel_boxes.push_back({pixel.x, pixel.y, pixel.x, pixel.y});
        }
        const BoxTree tree = build_box_tree(pixel_boxes);
        std::vector<CellHit> hits;
        for (std::size_t m = begin; m < end; ++m) {
            const std::size_t ring_index = members[m].second;
            const Path64& source = input[ring_index];
            Path64 routed;
            for (std::size_t i = 0; i < source.size(); ++i) {
                const Point64& from = source[i];
                const Point64& to = source[i + 1 == source.size() ? 0 : i + 1];
                if (from == to) {
                    continue;
                }
                hits = query_cell_hits(tree, hot_pixels, from, to);
                // Equal keys are distinct pixels at one distance along the edge; the point order
                // decides, so the route does not depend on the sort algorithm.
                std::sort(hits.begin(), hits.end(), [](const CellHit& p, const CellHit& q) {
                    const int order = compare_128(p.key, q.key);
                    return order != 0 ? order < 0 : point_before(p.point, q.point);
                });
                for (const CellHit& hit : hits) {
                    if (hit.point != to && (routed.empty() || routed.back() != hit.point)) {
                        routed.push_back(hit.point);
                    }
                }
            }
            if (routed.size() >= 2 && routed.back() == routed.front()) {
                routed.pop_back();
            }
            output[ring_index] = std::move(routed);
        }
    });
    for (const auto& [begin, end] : group_ranges) {
        groups.dirty[members[begin].first] = false;
    }
}

Paths64 route_original_grid(const Paths64& rings, bool* simple, bool* moved, std::uint32_t workers) {
    check_routing_coordinates(rings);
    RoutingGroups groups(rings.size());
    SegmentArrangement arrangement = build_arrangement(rings, &groups);
    Paths64 extracted = extract_arrangement(arrangement, workers);
    if (simple != nullptr) {
        *simple = !(arrangement.vertex_repeats_in_path || arrangement.paths_share_two_vertices ||
                    arrangement.split_vertex_shared || arrangement.degenerate_path);
    }
    if (moved != nullptr) {
        *moved = false;
    }
    if (!arrangement.split_off_line) {
        return extracted;
    }
    if (moved != nullptr) {
        *moved = true;
    }
    // Each round either merges at least one pair of groups or ends, so there are fewer rounds
    // than rings. A round's check needs only the pairs with a segment of a ring rerouted in it:
    // every other pair was met before with the same geometry (the rings that were not rerouted
    // meet only at shared vertices after the first arrangement), so it can neither join groups
    // nor split segments while no check has found a split. Once one has, every later check tests
    // every pair, since pairs that split may be met again unchanged.
    Paths64 routed = extracted;
    bool every_pair = false;
    std::vector<bool> rebuilt;
    while (true) {
        snap_route_pass(rings, extracted, groups, routed, &rebuilt, workers);
        const std::uint64_t unions_before = groups.unions;
        SegmentArrangement check = build_arrangement(routed, &groups);
        drop_repeated_segments(check, groups);
        find_arrangement_contacts(check, workers, every_pair ? nullptr : &rebuilt);
        every_pair = every_pair || !check.no_splits;
        if (groups.unions == unions_before) {
            if (!check.no_splits) {
                throw std::logic_error("Original-grid routing left an unshared contact");
            }
            return routed;
        }
    }
}

}  // namespace pavrix_svg_core
