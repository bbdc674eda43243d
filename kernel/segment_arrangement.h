#pragma once

// Segment arrangement: every contact between the segments of a ring set becomes a shared vertex
// of the segments involved, so that the rings afterwards meet only at shared vertices.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/face_arithmetic.h"
#include "kernel/vertex_id_map.h"

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

// One ring per input ring, in input order, with all contacts inserted; sets the flags.
template <typename Scalar>
std::vector<std::vector<Clipper2Lib::Point<Scalar>>> extract_arrangement(BasicSegmentArrangement<Scalar>& arrangement);

extern template SegmentArrangement build_arrangement<std::int64_t>(const Clipper2Lib::Paths64&, RoutingGroups*);
extern template Clipper2Lib::Paths64 extract_arrangement<std::int64_t>(SegmentArrangement&);

}  // namespace pavrix_svg_core
