#include "kernel/composite/region_union_groups.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "kernel/commands/boxes.h"
#include "kernel/bounds/packed_grid_bounds_index.h"

namespace pavrix_svg_core {
namespace {

// Union-find with full path compression and union by rank; on equal ranks the first
// operand's root wins, so results do not depend on anything but the call order.
class UnionFind {
public:
    explicit UnionFind(std::uint64_t count) : parent_(count), rank_(count, 0) {
        for (std::uint64_t i = 0; i < count; ++i)
            parent_[i] = i;
    }

    std::uint64_t find(std::uint64_t element) {
        std::uint64_t root = element;
        while (parent_[root] != root)
            root = parent_[root];
        while (parent_[element] != root) {
            const std::uint64_t next = parent_[element];
            parent_[element] = root;
            element = next;
        }
        return root;
    }

    void unite(std::uint64_t first, std::uint64_t second) {
        std::uint64_t a = find(first);
        std::uint64_t b = find(second);
        if (a == b)
            return;
        if (rank_[a] < rank_[b])
            std::swap(a, b);
        parent_[b] = a;
        if (rank_[a] == rank_[b])
            ++rank_[a];
    }

private:
    std::vector<std::uint64_t> parent_;
    std::vector<std::uint8_t> rank_;
};

// Group number of every element, numbered by first appearance of its root in element order.
std::vector<std::uint64_t> number_groups(UnionFind& sets, std::uint64_t count, std::uint64_t& group_count) {
    constexpr std::uint64_t kUnnumbered = std::numeric_limits<std::uint64_t>::max();
    std::vector<std::uint64_t> root_group(count, kUnnumbered);
    std::vector<std::uint64_t> group_of(count);
    group_count = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t root = sets.find(i);
        if (root_group[root] == kUnnumbered)
            root_group[root] = group_count++;
        group_of[i] = root_group[root];
    }
    return group_of;
}

}  // namespace

Clipper2Lib::Paths64 union_overlapping_groups(Clipper2Lib::Paths64 a, Clipper2Lib::Paths64 b,
                                              ComplexityBudget& budget) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    const std::vector<IntBox> a_boxes = per_path_bounds(a);
    const PackedGridBoundsIndex b_index(per_path_bounds(b));
    const std::uint64_t a_count = a.size();
    const std::uint64_t count = checked_size_sum(a_count, b.size());
    UnionFind sets(count);
    bool joined = false;
    if (!b_index.nodes.empty()) {
        for (std::uint64_t i = 0; i < a_count; ++i) {
            for (const std::uint64_t k : b_index.query(a_boxes[i], budget)) {
                sets.unite(i, a_count + k);
                joined = true;
            }
        }
    }
    if (!joined) {
        a.reserve(count);
        for (auto& path : b)
            a.push_back(std::move(path));
        return a;
    }

    std::uint64_t group_count = 0;
    const std::vector<std::uint64_t> group_of = number_groups(sets, count, group_count);
    std::vector<Clipper2Lib::Paths64> groups(group_count);
    for (std::uint64_t i = 0; i < count; ++i) {
        auto& path = i < a_count ? a[i] : b[i - a_count];
        groups[group_of[i]].push_back(std::move(path));
    }

    Clipper2Lib::Paths64 result;
    std::uint64_t result_size = 0;
    for (auto& group : groups) {
        if (group.size() == 1) {
            result_size = checked_size_sum(result_size, 1);
            result.push_back(std::move(group.front()));
            continue;
        }
        charge_clipper_input(budget, group);
        Clipper2Lib::Paths64 merged =
            clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, group);
        charge_clipper_output(budget, merged);
        result_size = checked_size_sum(result_size, merged.size());
        for (auto& path : merged)
            result.push_back(std::move(path));
    }
    return result;
}

std::vector<Clipper2Lib::Paths64> split_overlap_groups(Clipper2Lib::Paths64 paths, ComplexityBudget& budget) {
    std::vector<Clipper2Lib::Paths64> groups;
    if (paths.empty())
        return groups;
    if (paths.size() == 1) {
        groups.push_back(std::move(paths));
        return groups;
    }
    const std::uint64_t count = paths.size();
    std::vector<IntBox> boxes = per_path_bounds(paths);
    const PackedGridBoundsIndex index(boxes);
    UnionFind sets(count);
    if (!index.nodes.empty()) {
        for (std::uint64_t i = 0; i < count; ++i) {
            for (const std::uint64_t j : index.query(boxes[i], budget)) {
                if (j > i)
                    sets.unite(i, j);
            }
        }
    }
    std::uint64_t group_count = 0;
    const std::vector<std::uint64_t> group_of = number_groups(sets, count, group_count);
    groups.resize(group_count);
    for (std::uint64_t i = 0; i < count; ++i)
        groups[group_of[i]].push_back(std::move(paths[i]));
    return groups;
}

}  // namespace pavrix_svg_core
