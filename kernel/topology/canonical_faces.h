#pragma once

// Canonical faces: closed rings whose edges meet only at shared vertices become simple loops of
// the covered region (exteriors counter-clockwise, holes clockwise, y axis up).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/topology/box_tree.h"
#include "kernel/exact/face_arithmetic.h"
#include "kernel/topology/ring_parity.h"
#include "kernel/topology/vertex_id_map.h"

namespace pavrix_svg_core {

// One traced loop: ring (first point not repeated), inclusive bounds, twice its signed area.
template <typename Scalar>
struct BasicFaceLoop {
    std::vector<Clipper2Lib::Point<Scalar>> ring;
    FaceBox<Scalar> box;
    typename FaceArithmetic<Scalar>::Area area{};
};

using FaceLoop = BasicFaceLoop<std::int64_t>;

// Strict weak order on direction vectors, counter-clockwise from the positive x axis; equal
// directions shorter first. The zero vector sorts first.
template <typename Scalar>
bool compare_direction_exact(const Clipper2Lib::Point<Scalar>& a, const Clipper2Lib::Point<Scalar>& b) noexcept;

// Fewer than three points, or every point on one line.
template <typename Scalar>
bool ring_is_degenerate(const std::vector<Clipper2Lib::Point<Scalar>>& ring) noexcept;

// Cuts a traced ring at repeated vertices; appends the loops with non-zero area that are not
// degenerate, in the order in which they close (the part through the first point last).
template <typename Scalar>
void split_face_ring(const std::vector<Clipper2Lib::Point<Scalar>>& ring, std::vector<BasicFaceLoop<Scalar>>& loops);

// Which winding numbers of the rings count as covered.
enum class CoverageRule {
    positive,  // the rings' own orientation decides
    non_zero,  // any winding, as a non-zero union takes it
};

// The loops bounding the covered region of `rings`. Throws runtime_error
// "canonical_face_did_not_close:paths=<ring count>" when a traced walk cannot close. The
// per-vertex, per-component and per-ring steps of large inputs run on up to `workers` threads,
// with the same result for every worker count.
template <typename Scalar>
std::vector<BasicFaceLoop<Scalar>> extract_canonical_faces(
    const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings, CoverageRule rule = CoverageRule::positive,
    std::uint32_t workers = 1);

// ---- Definitions (templates; the int64 instantiation is compiled once in canonical_faces.cpp).

template <typename Scalar>
bool compare_direction_exact(const Clipper2Lib::Point<Scalar>& a, const Clipper2Lib::Point<Scalar>& b) noexcept {
    using Arithmetic = FaceArithmetic<Scalar>;
    const bool upper_a = a.y > 0 || (a.y == 0 && a.x >= 0);
    const bool upper_b = b.y > 0 || (b.y == 0 && b.x >= 0);
    if (upper_a != upper_b) {
        return upper_a;
    }
    const int turn = Arithmetic::sign(Arithmetic::cross(a.x, a.y, b.x, b.y));
    if (turn != 0) {
        return turn > 0;
    }
    return Arithmetic::compare(Arithmetic::dot(a.x, a.y, a.x, a.y), Arithmetic::dot(b.x, b.y, b.x, b.y)) < 0;
}

template <typename Scalar>
bool ring_is_degenerate(const std::vector<Clipper2Lib::Point<Scalar>>& ring) noexcept {
    const std::size_t count = ring.size();
    if (count < 3) {
        return true;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (face_orientation(ring[(i + count - 2) % count], ring[(i + count - 1) % count], ring[i]) != 0) {
            return false;
        }
    }
    return true;
}

// Rings of at most this many points are cut at repeated vertices by a scan of the points walked.
inline constexpr std::size_t kSplitScanPoints = 16;

template <typename Scalar>
void split_face_ring(const std::vector<Clipper2Lib::Point<Scalar>>& ring, std::vector<BasicFaceLoop<Scalar>>& loops) {
    using Arithmetic = FaceArithmetic<Scalar>;
    const std::size_t count = ring.size();
    if (count == 0) {
        return;
    }
    std::vector<Clipper2Lib::Point<Scalar>> stack;
    stack.reserve(count);
    // Small rings, nearly all of a coverage's holes, look points up along the stack: a hash map
    // per ring costs more than the scan.
    const bool scan = count <= kSplitScanPoints;
    std::optional<VertexIdMap<Scalar>> positions;
    if (!scan) {
        positions.emplace(count);
    }
    const auto position_of = [&](const Clipper2Lib::Point<Scalar>& point) {
        if (!scan) {
            return positions->find(point);
        }
        const auto found = std::find(stack.begin(), stack.end(), point);
        return found == stack.end() ? VertexIdMap<Scalar>::npos : static_cast<std::size_t>(found - stack.begin());
    };
    // The first point is walked once more at the end, closing the loop through it.
    for (std::size_t k = 0; k <= count; ++k) {
        const auto& point = ring[k == count ? 0 : k];
        const std::size_t position = position_of(point);
        if (position == VertexIdMap<Scalar>::npos) {
            if (!scan) {
                positions->insert(point, stack.size());
            }
            stack.push_back(point);
            continue;
        }
        BasicFaceLoop<Scalar> loop;
        loop.ring.assign(stack.begin() + static_cast<std::ptrdiff_t>(position), stack.end());
        loop.area = Arithmetic::doubled_area(loop.ring);
        if (Arithmetic::area_sign(loop.area) != 0 && !ring_is_degenerate(loop.ring)) {
            loop.box = ring_box(loop.ring);
            loops.push_back(std::move(loop));
        }
        if (!scan) {
            for (std::size_t above = position + 1; above < stack.size(); ++above) {
                positions->erase(stack[above]);
            }
        }
        stack.resize(position + 1);
    }
}

template <typename Scalar>
std::vector<BasicFaceLoop<Scalar>> extract_canonical_faces(
    const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings, CoverageRule rule, std::uint32_t workers) {
    using Arithmetic = FaceArithmetic<Scalar>;
    using Point = Clipper2Lib::Point<Scalar>;
    constexpr std::size_t none = static_cast<std::size_t>(-1);

    // 1. Vertices in first-seen order and the net traversal count of every undirected edge.
    std::size_t total_points = 0;
    for (const auto& ring : rings) {
        total_points += ring.size();
    }
    VertexTable<Scalar> vertices{{}, VertexIdMap<Scalar>(total_points)};
    vertices.points.reserve(total_points);
    struct EdgeEntry {
        std::size_t lower;
        std::size_t higher;
        std::int64_t count;
    };
    std::vector<EdgeEntry> entries;
    FlatIdMap<std::pair<std::size_t, std::size_t>> entry_ids(total_points);
    for (const auto& ring : rings) {
        if (ring.empty()) {
            continue;
        }
        const std::size_t first = vertices.intern(ring[0]);
        std::size_t tail = first;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const std::size_t head = i + 1 < ring.size() ? vertices.intern(ring[i + 1]) : first;
            if (head != tail) {
                const std::pair<std::size_t, std::size_t> key{std::min(tail, head), std::max(tail, head)};
                const auto [index, inserted] = entry_ids.insert(key, entries.size());
                if (inserted) {
                    entries.push_back({key.first, key.second, 0});
                }
                entries[index].count += tail < head ? 1 : -1;
            }
            tail = head;
        }
    }
    const std::vector<Point>& points = vertices.points;
    const std::size_t vertex_count = points.size();

    // 2. Half-edges 2k (lower to higher, weight w) and 2k + 1 of every entry with w != 0.
    std::vector<std::size_t> kept;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (entries[index].count != 0) {
            kept.push_back(index);
        }
    }
    const std::size_t half_count = 2 * kept.size();
    auto tail_of = [&](std::size_t h) {
        const EdgeEntry& entry = entries[kept[h / 2]];
        return (h & 1) == 0 ? entry.lower : entry.higher;
    };
    auto head_of = [&](std::size_t h) { return tail_of(h ^ 1); };
    auto weight_of = [&](std::size_t h) {
        const std::int64_t count = entries[kept[h / 2]].count;
        return (h & 1) == 0 ? count : -count;
    };
    auto direction_of = [&](std::size_t h) {
        const Point& from = points[tail_of(h)];
        const Point& to = points[head_of(h)];
        return Point(to.x - from.x, to.y - from.y);
    };
    auto by_direction = [&](std::size_t a, std::size_t b) {
        return compare_direction_exact(direction_of(a), direction_of(b));
    };

    // 3. Outgoing half-edges of every vertex in direction order; the successor of the twin of
    // o[i] is o[i - 1], which keeps the face on the left.
    std::vector<std::size_t> out_offsets(vertex_count + 1, 0);
    for (std::size_t h = 0; h < half_count; ++h) {
        ++out_offsets[tail_of(h) + 1];
    }
    for (std::size_t v = 0; v < vertex_count; ++v) {
        out_offsets[v + 1] += out_offsets[v];
    }
    std::vector<std::size_t> outgoing(half_count);
    {
        std::vector<std::size_t> fill(out_offsets.begin(), out_offsets.end() - 1);
        for (std::size_t h = 0; h < half_count; ++h) {
            outgoing[fill[tail_of(h)]++] = h;
        }
    }
    std::vector<std::size_t> successor(half_count, none);
    run_parallel_ranges(vertex_count, workers, [&](std::size_t first, std::size_t end_vertex) {
        for (std::size_t v = first; v < end_vertex; ++v) {
            const auto begin = outgoing.begin() + static_cast<std::ptrdiff_t>(out_offsets[v]);
            const auto end = outgoing.begin() + static_cast<std::ptrdiff_t>(out_offsets[v + 1]);
            std::stable_sort(begin, end, by_direction);
            const std::size_t m = out_offsets[v + 1] - out_offsets[v];
            for (std::size_t i = 0; i < m; ++i) {
                successor[begin[static_cast<std::ptrdiff_t>(i)] ^ 1] =
                    begin[static_cast<std::ptrdiff_t>((i + m - 1) % m)];
            }
        }
    });

    // 4. Connected components, each represented by the vertex that started it.
    std::vector<std::size_t> component(vertex_count, none);
    std::vector<std::size_t> representative;
    {
        std::vector<std::size_t> stack;
        for (std::size_t v = 0; v < vertex_count; ++v) {
            if (out_offsets[v] == out_offsets[v + 1] || component[v] != none) {
                continue;
            }
            const std::size_t id = representative.size();
            representative.push_back(v);
            component[v] = id;
            stack.push_back(v);
            while (!stack.empty()) {
                const std::size_t u = stack.back();
                stack.pop_back();
                for (std::size_t i = out_offsets[u]; i < out_offsets[u + 1]; ++i) {
                    const std::size_t w = head_of(outgoing[i]);
                    if (component[w] == none) {
                        component[w] = id;
                        stack.push_back(w);
                    }
                }
            }
        }
    }
    const std::size_t component_count = representative.size();

    // 5. Faces: orbits of the successor permutation; the most negative one of each component is
    // its outer face.
    std::vector<std::size_t> face_of(half_count, none);
    std::vector<std::size_t> face_offsets{0};
    std::vector<std::size_t> face_half_edges;
    face_half_edges.reserve(half_count);
    std::vector<typename Arithmetic::Area> face_area;
    std::vector<std::size_t> outer_face(component_count, none);
    {
        std::vector<Point> face_ring;
        for (std::size_t start = 0; start < half_count; ++start) {
            if (face_of[start] != none) {
                continue;
            }
            const std::size_t face = face_area.size();
            face_ring.clear();
            std::size_t h = start;
            do {
                face_of[h] = face;
                face_half_edges.push_back(h);
                face_ring.push_back(points[tail_of(h)]);
                h = successor[h];
            } while (h != start);
            face_offsets.push_back(face_half_edges.size());
            face_area.push_back(Arithmetic::doubled_area(face_ring));
            const std::size_t owner = component[tail_of(start)];
            if (outer_face[owner] == none ||
                Arithmetic::compare_area(face_area[face], face_area[outer_face[owner]]) < 0) {
                outer_face[owner] = face;
            }
        }
    }
    const std::size_t face_count = face_area.size();

    // 6. Winding depth of each component's outer face. Components do not cross, so a component's
    // vertex lies in the smallest bounded face of another component that contains it, or in no
    // face at all (depth 0); its outer face takes that face's depth. A ray summing the edges of
    // all other components would give the same number, but costs quadratic time on deep nesting.
    std::vector<std::size_t> face_component(face_count);
    for (std::size_t face = 0; face < face_count; ++face) {
        face_component[face] = component[tail_of(face_half_edges[face_offsets[face]])];
    }
    std::vector<Point> face_points(face_half_edges.size());
    for (std::size_t i = 0; i < face_half_edges.size(); ++i) {
        face_points[i] = points[tail_of(face_half_edges[i])];
    }
    std::vector<std::size_t> bounded;  // faces of positive area
    std::vector<FaceBox<Scalar>> bounded_boxes;
    for (std::size_t face = 0; face < face_count; ++face) {
        if (Arithmetic::area_sign(face_area[face]) > 0) {
            bounded.push_back(face);
            bounded_boxes.push_back(
                ring_box(face_points.data() + face_offsets[face], face_offsets[face + 1] - face_offsets[face]));
        }
    }
    const BasicBoxTree<Scalar> face_tree = build_box_tree(bounded_boxes, workers);
    const std::vector<std::size_t> area_rank = dense_ranks(bounded.size(), [&](std::size_t a, std::size_t b) {
        return Arithmetic::compare_area(face_area[bounded[a]], face_area[bounded[b]]) < 0;
    });
    auto smaller_face = [&](std::size_t a, std::size_t b) { return area_rank[a] < area_rank[b]; };
    std::vector<std::size_t> node_smallest;
    std::vector<std::size_t> node_largest;
    rank_box_tree_nodes(face_tree, smaller_face, node_smallest, node_largest);
    std::vector<std::size_t> enclosing_face(component_count, none);
    {
        // A coverage with many holes tests each hole's vertex against one large outer face.
        std::vector<RingParityTest<Scalar>> parity_tests = make_ring_parity_tests<Scalar>(
            bounded.size(),
            [&](std::size_t item) {
                const std::size_t face = bounded[item];
                return std::pair{face_points.data() + face_offsets[face], face_offsets[face + 1] - face_offsets[face]};
            },
            workers > 1);
        run_parallel_ranges(component_count, workers, [&](std::size_t first, std::size_t end) {
            std::vector<std::size_t> stack;
            for (std::size_t c = first; c < end; ++c) {
                const Point& origin = points[representative[c]];
                const std::size_t found = find_smallest_enclosing(
                    face_tree, node_smallest, node_largest, FaceBox<Scalar>{origin.x, origin.y, origin.x, origin.y},
                    none, smaller_face,
                    [&](std::size_t item) {
                        const std::size_t face = bounded[item];
                        return face_component[face] != c && parity_tests[item].parity(origin) > 0;
                    },
                    stack);
                enclosing_face[c] = found == none ? none : bounded[found];
            }
        });
    }

    // 7. Components from the outside in; each is flooded from its outer face: crossing h lowers
    // the depth by its weight.
    std::vector<std::int64_t> depth(face_count, 0);
    std::vector<bool> depth_known(face_count, false);
    {
        std::vector<std::size_t> inner_offsets(component_count + 2, 0);
        auto slot_of = [&](std::size_t c) {
            return enclosing_face[c] == none ? component_count : face_component[enclosing_face[c]];
        };
        for (std::size_t c = 0; c < component_count; ++c) {
            ++inner_offsets[slot_of(c) + 1];
        }
        for (std::size_t slot = 0; slot <= component_count; ++slot) {
            inner_offsets[slot + 1] += inner_offsets[slot];
        }
        std::vector<std::size_t> inner(component_count);
        std::vector<std::size_t> fill(inner_offsets.begin(), inner_offsets.end() - 1);
        for (std::size_t c = 0; c < component_count; ++c) {
            inner[fill[slot_of(c)]++] = c;
        }
        std::vector<std::size_t> components(inner.begin() + static_cast<std::ptrdiff_t>(inner_offsets[component_count]),
                                            inner.end());
        std::vector<std::size_t> stack;
        while (!components.empty()) {
            const std::size_t c = components.back();
            components.pop_back();
            const std::size_t outer = outer_face[c];
            depth[outer] = enclosing_face[c] == none ? 0 : depth[enclosing_face[c]];
            depth_known[outer] = true;
            stack.push_back(outer);
            while (!stack.empty()) {
                const std::size_t face = stack.back();
                stack.pop_back();
                for (std::size_t i = face_offsets[face]; i < face_offsets[face + 1]; ++i) {
                    const std::size_t h = face_half_edges[i];
                    const std::size_t across = face_of[h ^ 1];
                    if (!depth_known[across]) {
                        depth[across] = depth[face] - weight_of(h);
                        depth_known[across] = true;
                        stack.push_back(across);
                    }
                }
            }
            for (std::size_t i = inner_offsets[c]; i < inner_offsets[c + 1]; ++i) {
                components.push_back(inner[i]);
            }
        }
    }

    // 8. Boundary edges between covered and uncovered faces, covered side on the left.
    auto covered = [&](std::size_t face) {
        return rule == CoverageRule::positive ? depth[face] > 0 : depth[face] != 0;
    };
    std::vector<std::size_t> boundary;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const bool left_covered = covered(face_of[2 * k]);
        const bool right_covered = covered(face_of[2 * k + 1]);
        if (left_covered != right_covered) {
            boundary.push_back(left_covered ? 2 * k : 2 * k + 1);
        }
    }

    // 9. Boundary edges leaving each vertex, in direction order.
    std::vector<std::size_t> boundary_offsets(vertex_count + 1, 0);
    for (const std::size_t h : boundary) {
        ++boundary_offsets[tail_of(h) + 1];
    }
    for (std::size_t v = 0; v < vertex_count; ++v) {
        boundary_offsets[v + 1] += boundary_offsets[v];
    }
    std::vector<std::size_t> boundary_out(boundary.size());
    {
        std::vector<std::size_t> fill(boundary_offsets.begin(), boundary_offsets.end() - 1);
        for (const std::size_t h : boundary) {
            boundary_out[fill[tail_of(h)]++] = h;
        }
    }
    run_parallel_ranges(vertex_count, workers, [&](std::size_t first, std::size_t end) {
        for (std::size_t v = first; v < end; ++v) {
            std::stable_sort(boundary_out.begin() + static_cast<std::ptrdiff_t>(boundary_offsets[v]),
                             boundary_out.begin() + static_cast<std::ptrdiff_t>(boundary_offsets[v + 1]), by_direction);
        }
    });
    auto boundary_successor = [&](std::size_t h) {
        const std::size_t v = head_of(h);
        const auto begin = boundary_out.begin() + static_cast<std::ptrdiff_t>(boundary_offsets[v]);
        const auto end = boundary_out.begin() + static_cast<std::ptrdiff_t>(boundary_offsets[v + 1]);
        if (begin == end) {
            return none;
        }
        const Point& from = points[tail_of(h)];
        const Point& at = points[v];
        const Point back(from.x - at.x, from.y - at.y);
        const auto position = std::lower_bound(begin, end, back, [&](std::size_t candidate, const Point& reference) {
            return compare_direction_exact(direction_of(candidate), reference);
        });
        return position == begin ? *(end - 1) : *(position - 1);
    };

    // 10. Trace the boundary into closed rings, then cut each at repeated vertices (on the
    // workers) and gather the loops in tracing order.
    std::vector<std::vector<Point>> traced;
    {
        std::vector<bool> visited(half_count, false);
        for (const std::size_t start : boundary) {
            if (visited[start]) {
                continue;
            }
            std::vector<Point>& ring = traced.emplace_back();
            std::size_t h = start;
            while (true) {
                visited[h] = true;
                ring.push_back(points[tail_of(h)]);
                const std::size_t next = boundary_successor(h);
                if (next == start) {
                    break;
                }
                if (next == none || visited[next]) {
                    throw std::runtime_error("canonical_face_did_not_close:paths=" + std::to_string(rings.size()));
                }
                h = next;
            }
        }
    }
    const std::size_t runs = (traced.size() + kParallelRunItems - 1) / kParallelRunItems;
    std::vector<std::vector<BasicFaceLoop<Scalar>>> run_loops(std::max<std::size_t>(runs, 1));
    run_parallel_ranges(traced.size(), workers, [&](std::size_t first, std::size_t end) {
        std::vector<BasicFaceLoop<Scalar>>& out = run_loops[first / kParallelRunItems];
        for (std::size_t r = first; r < end; ++r) {
            split_face_ring(traced[r], out);
        }
    });
    std::vector<BasicFaceLoop<Scalar>> loops = std::move(run_loops.front());
    for (std::size_t run = 1; run < run_loops.size(); ++run) {
        for (auto& loop : run_loops[run]) {
            loops.push_back(std::move(loop));
        }
    }
    return loops;
}

extern template bool compare_direction_exact<std::int64_t>(const Clipper2Lib::Point64&,
                                                           const Clipper2Lib::Point64&) noexcept;
extern template bool ring_is_degenerate<std::int64_t>(const Clipper2Lib::Path64&) noexcept;
extern template void split_face_ring<std::int64_t>(const Clipper2Lib::Path64&, std::vector<FaceLoop>&);
extern template std::vector<FaceLoop> extract_canonical_faces<std::int64_t>(const Clipper2Lib::Paths64&, CoverageRule,
                                                                            std::uint32_t);

}  // namespace pavrix_svg_core
