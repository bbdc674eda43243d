#pragma once

// Segment arrangement: every contact between the segments of a ring set becomes a shared vertex
// of the segments involved, so that the rings afterwards meet only at shared vertices.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/topology/box_tree.h"
#include "kernel/topology/canonical_faces.h"
#include "kernel/exact/face_arithmetic.h"
#include "kernel/common/parallel_tasks.h"
#include "kernel/topology/vertex_id_map.h"

namespace pavrix_svg_core {

// Union-find over input rings: rings that touch are routed together.
struct RoutingGroups {
    std::vector<std::size_t> parent;
    std::vector<std::size_t> size;
    std::vector<bool> contact;  // a split vertex moved off a segment of the group
    std::vector<bool> dirty;    // the group changed since it was last routed
    std::uint64_t unions = 0;

    explicit RoutingGroups(std::size_t ring_count = 0);
    // Root of `ring` with full path compression.
    std::size_t find(std::size_t ring);
};

// Merges the groups of rings i and j (the smaller under the larger; on equal sizes j's root goes
// under i's). The survivor is marked dirty and inherits either contact bit.
void union_groups(RoutingGroups& groups, std::size_t i, std::size_t j);

inline constexpr std::size_t kNoRing = static_cast<std::size_t>(-1);

// Segments whose pairs one worker task tests: enough to outweigh the task's overhead, few enough
// that a coverage of a few hundred thousand segments spreads over 16 workers.
inline constexpr std::size_t kArrangementRunSegments = 4096;

template <typename Scalar>
struct BasicSegmentArrangement {
    using Product = typename FaceArithmetic<Scalar>::Product;

    struct Segment {
        std::size_t tail = 0;
        std::size_t head = 0;
        std::size_t ring = 0;
    };
    // A vertex to insert into a segment; parameter = (v - tail) . (head - tail). Each segment's
    // own tail (parameter 0) is implied rather than stored.
    struct Split {
        std::size_t segment = 0;
        Product parameter{};
        std::size_t vertex = 0;
    };

    VertexTable<Scalar> vertices;
    std::vector<std::size_t> first_ring;   // per vertex, kNoRing when none
    std::vector<std::size_t> second_ring;  // per vertex, kNoRing when none
    std::vector<Segment> segments;
    std::vector<FaceBox<Scalar>> segment_boxes;
    std::vector<Split> splits;
    std::vector<std::size_t> ring_segment_first;  // per ring, range [first, end) of its segments
    std::vector<std::size_t> ring_segment_end;
    RoutingGroups* groups = nullptr;

    bool no_splits = true;
    bool split_off_line = false;
    bool vertex_repeats_in_path = false;
    bool paths_share_two_vertices = false;
    bool split_vertex_shared = false;
    bool degenerate_path = false;
};

using SegmentArrangement = BasicSegmentArrangement<std::int64_t>;

template <typename Scalar>
BasicSegmentArrangement<Scalar> build_arrangement(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings,
                                                  RoutingGroups* groups = nullptr);

// Tests every pair of segments whose boxes meet (each pair once, same ring included): splits go
// into the split list, groups join, and the split flags are set. With `changed_rings` (one flag
// per ring) only pairs with a segment of a flagged ring are tested. Large arrangements are
// searched on up to `workers` threads (counting the caller), with the same result for every
// worker count.
template <typename Scalar>
void find_arrangement_contacts(BasicSegmentArrangement<Scalar>& arrangement, std::uint32_t workers = 1,
                               const std::vector<bool>* changed_rings = nullptr);

// One ring per input ring, in input order, with all contacts inserted; sets the flags.
template <typename Scalar>
std::vector<std::vector<Clipper2Lib::Point<Scalar>>> extract_arrangement(BasicSegmentArrangement<Scalar>& arrangement,
                                                                         std::uint32_t workers = 1);

// ---- Definitions (templates; the int64 instantiation is compiled once in segment_arrangement.cpp).

template <typename Scalar>
BasicSegmentArrangement<Scalar> build_arrangement(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings,
                                                  RoutingGroups* groups) {
    BasicSegmentArrangement<Scalar> arrangement;
    arrangement.groups = groups;
    std::size_t total_points = 0;
    for (const auto& ring : rings) {
        total_points += ring.size();
    }
    arrangement.vertices.ids = VertexIdMap<Scalar>(total_points);
    arrangement.vertices.points.reserve(total_points);
    arrangement.segments.reserve(total_points);
    arrangement.segment_boxes.reserve(total_points);
    std::vector<std::size_t> ids;
    for (std::size_t ring_index = 0; ring_index < rings.size(); ++ring_index) {
        const auto& ring = rings[ring_index];
        arrangement.ring_segment_first.push_back(arrangement.segments.size());
        ids.clear();
        for (const auto& point : ring) {
            const std::size_t id = arrangement.vertices.intern(point);
            if (id == arrangement.first_ring.size()) {
                arrangement.first_ring.push_back(kNoRing);
                arrangement.second_ring.push_back(kNoRing);
            }
            if (arrangement.first_ring[id] == kNoRing) {
                arrangement.first_ring[id] = ring_index;
            } else if (arrangement.first_ring[id] != ring_index && arrangement.second_ring[id] == kNoRing) {
                arrangement.second_ring[id] = ring_index;
            }
            ids.push_back(id);
        }
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const std::size_t tail = ids[i];
            const std::size_t head = ids[i + 1 == ids.size() ? 0 : i + 1];
            if (tail == head) {
                continue;
            }
            const auto& a = arrangement.vertices.points[tail];
            const auto& b = arrangement.vertices.points[head];
            arrangement.segments.push_back({tail, head, ring_index});
            arrangement.segment_boxes.push_back(
                {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
        }
        arrangement.ring_segment_end.push_back(arrangement.segments.size());
    }
    return arrangement;
}

namespace arrangement_detail {

template <typename Scalar>
void add_split(BasicSegmentArrangement<Scalar>& arrangement, std::size_t segment_index, std::size_t vertex) {
    using Arithmetic = FaceArithmetic<Scalar>;
    const auto segment = arrangement.segments[segment_index];
    if (vertex == segment.tail || vertex == segment.head) {
        return;
    }
    const auto a = arrangement.vertices.points[segment.tail];
    const auto b = arrangement.vertices.points[segment.head];
    const auto v = arrangement.vertices.points[vertex];
    if (Arithmetic::sign(Arithmetic::cross(b.x - a.x, b.y - a.y, v.x - a.x, v.y - a.y)) != 0) {
        arrangement.split_off_line = true;
        if (arrangement.groups != nullptr) {
            const std::size_t root = arrangement.groups->find(segment.ring);
            arrangement.groups->contact[root] = true;
            arrangement.groups->dirty[root] = true;
        }
    }
    arrangement.splits.push_back({segment_index, Arithmetic::dot(v.x - a.x, v.y - a.y, b.x - a.x, b.y - a.y), vertex});
    arrangement.no_splits = false;
    if (arrangement.first_ring[vertex] != segment.ring || arrangement.second_ring[vertex] != kNoRing) {
        arrangement.split_vertex_shared = true;
    }
}

// Whether `vertex`, known to lie on the segment's line, lies within the segment.
template <typename Scalar>
bool within_segment(const BasicSegmentArrangement<Scalar>& arrangement, std::size_t segment_index,
                    std::size_t vertex) noexcept {
    using Arithmetic = FaceArithmetic<Scalar>;
    const auto& segment = arrangement.segments[segment_index];
    const auto& a = arrangement.vertices.points[segment.tail];
    const auto& b = arrangement.vertices.points[segment.head];
    const auto& v = arrangement.vertices.points[vertex];
    const auto along = Arithmetic::dot(v.x - a.x, v.y - a.y, b.x - a.x, b.y - a.y);
    return Arithmetic::sign(along) >= 0 &&
           Arithmetic::compare(along, Arithmetic::dot(b.x - a.x, b.y - a.y, b.x - a.x, b.y - a.y)) <= 0;
}

// What one pair of segments that touch does to the arrangement, found without changing it, so
// that pairs can be tested on worker threads and their effects applied in the serial order.
template <typename Scalar>
struct SegmentContact {
    std::size_t first = 0;
    std::size_t second = 0;
    bool collinear = false;
    // Collinear: bit k set when the k-th end point splits (the second segment's tail and head
    // into the first, then the first's tail and head into the second).
    unsigned collinear_splits = 0;
    // Otherwise the contact vertex: an end point's id, or kNoVertex for `crossing`, a new point.
    std::size_t vertex = 0;
    Clipper2Lib::Point<Scalar> crossing{};
};

inline constexpr std::size_t kNoVertex = static_cast<std::size_t>(-1);

// The contact of segments `first` (q = a -> b) and `second` (r = c -> d), all predicates exact on
// the grid; false when they do not touch or touching changes nothing (same ring, shared ends).
template <typename Scalar>
bool find_contact(const BasicSegmentArrangement<Scalar>& arrangement, std::size_t first, std::size_t second,
                  SegmentContact<Scalar>& contact) {
    using Arithmetic = FaceArithmetic<Scalar>;
    const auto& q = arrangement.segments[first];
    const auto& r = arrangement.segments[second];
    const auto& a = arrangement.vertices.points[q.tail];
    const auto& b = arrangement.vertices.points[q.head];
    const auto& c = arrangement.vertices.points[r.tail];
    const auto& d = arrangement.vertices.points[r.head];
    const bool same_ring = q.ring == r.ring;
    const auto splits_into = [](const auto& segment, std::size_t vertex) {
        return vertex != segment.tail && vertex != segment.head;
    };
    contact = SegmentContact<Scalar>{first, second};
    auto denominator = Arithmetic::cross(b.x - a.x, b.y - a.y, d.x - c.x, d.y - c.y);
    if (Arithmetic::sign(denominator) == 0) {
        if (Arithmetic::sign(Arithmetic::cross(b.x - a.x, b.y - a.y, c.x - a.x, c.y - a.y)) != 0) {
            return false;
        }
        // Collinear: every end point inside the other segment splits it; all four are tried.
        const std::pair<std::size_t, std::size_t> tests[4] = {
            {first, r.tail}, {first, r.head}, {second, q.tail}, {second, q.head}};
        bool effect = false;
        for (unsigned k = 0; k < 4; ++k) {
            if (within_segment(arrangement, tests[k].first, tests[k].second)) {
                contact.collinear_splits |= 1U << k;
                effect = effect || !same_ring || splits_into(arrangement.segments[tests[k].first], tests[k].second);
            }
        }
        contact.collinear = true;
        return effect;
    }
    auto along_first = Arithmetic::cross(c.x - a.x, c.y - a.y, d.x - c.x, d.y - c.y);
    auto along_second = Arithmetic::cross(c.x - a.x, c.y - a.y, b.x - a.x, b.y - a.y);
    if (Arithmetic::sign(denominator) < 0) {
        denominator = Arithmetic::negate(denominator);
        along_first = Arithmetic::negate(along_first);
        along_second = Arithmetic::negate(along_second);
    }
    if (Arithmetic::sign(along_first) < 0 || Arithmetic::compare(along_first, denominator) > 0 ||
        Arithmetic::sign(along_second) < 0 || Arithmetic::compare(along_second, denominator) > 0) {
        return false;
    }
    if (Arithmetic::sign(along_first) == 0) {
        contact.vertex = q.tail;
    } else if (Arithmetic::compare(along_first, denominator) == 0) {
        contact.vertex = q.head;
    } else if (Arithmetic::sign(along_second) == 0) {
        contact.vertex = r.tail;
    } else if (Arithmetic::compare(along_second, denominator) == 0) {
        contact.vertex = r.head;
    } else {
        contact.vertex = kNoVertex;
        contact.crossing = Arithmetic::crossing_point(a, b, along_first, denominator);
        return true;
    }
    return !same_ring || splits_into(q, contact.vertex) || splits_into(r, contact.vertex);
}

// Applies a contact: the two rings' groups join, and each segment is split at the contact.
template <typename Scalar>
void apply_contact(BasicSegmentArrangement<Scalar>& arrangement, const SegmentContact<Scalar>& contact) {
    const std::size_t q_ring = arrangement.segments[contact.first].ring;
    const std::size_t r_ring = arrangement.segments[contact.second].ring;
    if (contact.collinear) {
        const auto q = arrangement.segments[contact.first];
        const auto r = arrangement.segments[contact.second];
        const std::pair<std::size_t, std::size_t> splits[4] = {
            {contact.first, r.tail}, {contact.first, r.head}, {contact.second, q.tail}, {contact.second, q.head}};
        for (unsigned k = 0; k < 4; ++k) {
            if ((contact.collinear_splits >> k) & 1U) {
                add_split(arrangement, splits[k].first, splits[k].second);
            }
        }
        if (contact.collinear_splits != 0 && arrangement.groups != nullptr) {
            union_groups(*arrangement.groups, q_ring, r_ring);
        }
        return;
    }
    if (arrangement.groups != nullptr) {
        union_groups(*arrangement.groups, q_ring, r_ring);
    }
    std::size_t vertex = contact.vertex;
    if (vertex == kNoVertex) {
        vertex = arrangement.vertices.intern(contact.crossing);
        if (vertex == arrangement.first_ring.size()) {
            arrangement.first_ring.push_back(kNoRing);
            arrangement.second_ring.push_back(kNoRing);
        }
        arrangement.no_splits = false;
    }
    add_split(arrangement, contact.first, vertex);
    add_split(arrangement, contact.second, vertex);
}

}  // namespace arrangement_detail

template <typename Scalar>
void find_arrangement_contacts(BasicSegmentArrangement<Scalar>& arrangement, std::uint32_t workers,
                               const std::vector<bool>* changed_rings) {
    // Every pair of segments whose boxes meet (each pair once, same ring included); with
    // `changed_rings`, only the pairs with a segment of a changed ring, found through a tree over
    // those segments alone. The pairs of a run of segments are tested on the workers; contacts
    // are applied run by run in segment order, so the result does not depend on the worker count.
    const std::size_t segment_count = arrangement.segments.size();
    std::vector<std::size_t> searched;  // the segments the tree holds
    std::vector<FaceBox<Scalar>> searched_boxes;
    std::vector<bool> searched_segment;
    if (changed_rings != nullptr) {
        searched_segment.assign(segment_count, false);
        for (std::size_t s = 0; s < segment_count; ++s) {
            if ((*changed_rings)[arrangement.segments[s].ring]) {
                searched.push_back(s);
                searched_boxes.push_back(arrangement.segment_boxes[s]);
                searched_segment[s] = true;
            }
        }
    }
    const std::vector<FaceBox<Scalar>>& tree_boxes =
        changed_rings != nullptr ? searched_boxes : arrangement.segment_boxes;
    const BasicBoxTree<Scalar> tree = build_box_tree(tree_boxes, workers);
    const std::size_t runs = (segment_count + kArrangementRunSegments - 1) / kArrangementRunSegments;
    std::vector<std::vector<arrangement_detail::SegmentContact<Scalar>>> contacts(runs);
    const auto find_run_contacts = [&](std::size_t run) {
        arrangement_detail::SegmentContact<Scalar> contact;
        const std::size_t end = std::min(segment_count, (run + 1) * kArrangementRunSegments);
        for (std::size_t i = run * kArrangementRunSegments; i < end; ++i) {
            tree.query(arrangement.segment_boxes[i], [&](std::size_t found) {
                std::size_t other = found;
                if (changed_rings != nullptr) {
                    other = searched[found];
                    // A pair of two searched segments is met from both; it is tested from the lower.
                    if (searched_segment[i] && other < i) {
                        return;
                    }
                    if (other < i) {
                        if (arrangement_detail::find_contact(arrangement, other, i, contact)) {
                            contacts[run].push_back(contact);
                        }
                        return;
                    }
                }
                if (other > i && arrangement_detail::find_contact(arrangement, i, other, contact)) {
                    contacts[run].push_back(contact);
                }
            });
        }
    };
    const auto apply_run_contacts = [&](std::size_t run) {
        for (const auto& contact : contacts[run]) {
            arrangement_detail::apply_contact(arrangement, contact);
        }
        contacts[run] = {};
    };
    if (workers < 2 || runs < 2) {
        for (std::size_t run = 0; run < runs; ++run) {
            find_run_contacts(run);
            apply_run_contacts(run);
        }
    } else {
        run_parallel_tasks(runs, workers, find_run_contacts);
        for (std::size_t run = 0; run < runs; ++run) {
            apply_run_contacts(run);
        }
    }
}

template <typename Scalar>
std::vector<std::vector<Clipper2Lib::Point<Scalar>>> extract_arrangement(BasicSegmentArrangement<Scalar>& arrangement,
                                                                         std::uint32_t workers) {
    using Arithmetic = FaceArithmetic<Scalar>;
    using Split = typename BasicSegmentArrangement<Scalar>::Split;

    // 1. Every contact, as a split of the segments involved.
    find_arrangement_contacts(arrangement, workers);

    // 2. Rings with their split vertices in place, in order along each segment.
    auto split_before = [](const Split& p, const Split& q) {
        if (p.segment != q.segment) {
            return p.segment < q.segment;
        }
        const int order = Arithmetic::compare(p.parameter, q.parameter);
        if (order != 0) {
            return order < 0;
        }
        return p.vertex < q.vertex;
    };
    std::sort(arrangement.splits.begin(), arrangement.splits.end(), split_before);
    const std::size_t ring_count = arrangement.ring_segment_first.size();
    std::vector<std::vector<Clipper2Lib::Point<Scalar>>> rings(ring_count);
    // Rings are assembled run by run on the workers; each run keeps its flags and the distinct
    // vertices of each of its rings (ascending), gathered in ring order afterwards.
    struct RunUsage {
        std::vector<std::size_t> vertices;
        std::vector<std::size_t> ring_ends;  // per ring of the run, the end of its vertices
        bool degenerate = false;
        bool repeats = false;
    };
    const std::size_t runs = std::max<std::size_t>(1, (ring_count + kParallelRunItems - 1) / kParallelRunItems);
    std::vector<RunUsage> run_usage(runs);
    run_parallel_ranges(ring_count, workers, [&](std::size_t first_ring, std::size_t end_ring) {
        RunUsage& usage = run_usage[first_ring / kParallelRunItems];
        std::vector<std::size_t> ring_ids;
        auto split_cursor = std::lower_bound(
            arrangement.splits.begin(), arrangement.splits.end(), arrangement.ring_segment_first[first_ring],
            [](const Split& split, std::size_t segment) { return split.segment < segment; });
        for (std::size_t ring_index = first_ring; ring_index < end_ring; ++ring_index) {
            ring_ids.clear();
            for (std::size_t s = arrangement.ring_segment_first[ring_index];
                 s < arrangement.ring_segment_end[ring_index]; ++s) {
                const auto& segment = arrangement.segments[s];
                auto append = [&](std::size_t vertex) {
                    if (vertex != segment.head && (ring_ids.empty() || ring_ids.back() != vertex)) {
                        ring_ids.push_back(vertex);
                    }
                };
                const Split tail_entry{s, typename Arithmetic::Product{}, segment.tail};
                bool tail_done = false;
                while (split_cursor != arrangement.splits.end() && split_cursor->segment == s) {
                    const Split& split = *split_cursor++;
                    if (!tail_done && split_before(tail_entry, split)) {
                        append(segment.tail);
                        tail_done = true;
                    }
                    append(split.vertex);
                }
                if (!tail_done) {
                    append(segment.tail);
                }
            }
            auto& ring = rings[ring_index];
            ring.reserve(ring_ids.size());
            for (const std::size_t vertex : ring_ids) {
                ring.push_back(arrangement.vertices.points[vertex]);
            }

            // 3. Flags about repeated and shared vertices and degenerate rings.
            usage.degenerate = usage.degenerate || ring_is_degenerate(ring);
            const std::size_t begin = usage.vertices.size();
            usage.vertices.insert(usage.vertices.end(), ring_ids.begin(), ring_ids.end());
            const auto ring_begin = usage.vertices.begin() + static_cast<std::ptrdiff_t>(begin);
            std::sort(ring_begin, usage.vertices.end());
            const auto unique_end = std::unique(ring_begin, usage.vertices.end());
            usage.repeats = usage.repeats || unique_end != usage.vertices.end();
            usage.vertices.erase(unique_end, usage.vertices.end());
            usage.ring_ends.push_back(usage.vertices.size());
        }
    });
    // (vertex, ring), each pair once, ordered by vertex and then ring: a counting sort by vertex
    // of the rings' vertices taken in ring order.
    std::vector<std::size_t> vertex_offsets(arrangement.vertices.points.size() + 1, 0);
    for (const RunUsage& usage : run_usage) {
        arrangement.degenerate_path = arrangement.degenerate_path || usage.degenerate;
        arrangement.vertex_repeats_in_path = arrangement.vertex_repeats_in_path || usage.repeats;
        for (const std::size_t vertex : usage.vertices) {
            ++vertex_offsets[vertex + 1];
        }
    }
    for (std::size_t v = 0; v + 1 < vertex_offsets.size(); ++v) {
        vertex_offsets[v + 1] += vertex_offsets[v];
    }
    std::vector<std::pair<std::size_t, std::size_t>> usage(vertex_offsets.back());
    {
        std::vector<std::size_t> fill(vertex_offsets.begin(), vertex_offsets.end() - 1);
        std::size_t ring_index = 0;
        for (const RunUsage& run : run_usage) {
            std::size_t begin = 0;
            for (const std::size_t end : run.ring_ends) {
                for (std::size_t k = begin; k < end; ++k) {
                    usage[fill[run.vertices[k]]++] = {run.vertices[k], ring_index};
                }
                begin = end;
                ++ring_index;
            }
        }
    }

    // 4. Two rings sharing two or more vertices. Stops at the first pair seen twice, so the
    // pairs recorded never exceed the number of distinct ring pairs.
    FlatIdMap<std::pair<std::size_t, std::size_t>> pairs_seen;
    for (std::size_t begin = 0; begin < usage.size() && !arrangement.paths_share_two_vertices;) {
        std::size_t end = begin + 1;
        while (end < usage.size() && usage[end].first == usage[begin].first) {
            ++end;
        }
        for (std::size_t i = begin; i < end && !arrangement.paths_share_two_vertices; ++i) {
            for (std::size_t j = i + 1; j < end; ++j) {
                if (!pairs_seen.insert({usage[i].second, usage[j].second}, 0).second) {
                    arrangement.paths_share_two_vertices = true;
                    break;
                }
            }
        }
        begin = end;
    }
    return rings;
}

extern template SegmentArrangement build_arrangement<std::int64_t>(const Clipper2Lib::Paths64&, RoutingGroups*);
extern template void find_arrangement_contacts<std::int64_t>(SegmentArrangement&, std::uint32_t,
                                                             const std::vector<bool>*);
extern template Clipper2Lib::Paths64 extract_arrangement<std::int64_t>(SegmentArrangement&, std::uint32_t);

}  // namespace pavrix_svg_core
