#include "kernel/composite/translucent_clusters.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>

#include "kernel/bounds/packed_grid_bounds_index.h"
#include "kernel/common/kernel_errors.h"
#include "kernel/common/parallel_tasks.h"
#include "kernel/composite/alpha_composite_over.h"
#include "kernel/replay/replay_workers.h"

namespace pavrix_svg_core {
namespace {

constexpr std::uint64_t kNoNode = std::numeric_limits<std::uint64_t>::max();

// Touching boxes looked at per region (on average) before the cut into runs is given up for one
// run: the paint of an icon sheet touches the few paints of its own icon, while art where most
// paint overlaps most other paint is one run anyway, and listing its pairs would take square time.
constexpr std::uint64_t kRunPairsPerRegion = 64;

// What the compositor reads of a region: its exported polygons when it has them.
IntBox area_box(const ReplayRegion& region) {
    if (region.paths.empty())
        return {};
    if (region.exported_components.empty())
        return region.bbox;
    IntBox box;
    for (const Clipper2Lib::Paths64& polygon : region.exported_components) {
        const IntBox part = box_paths_bounds(polygon);
        if (part.valid) {
            grow_int_box(box, {part.xmin, part.ymin});
            grow_int_box(box, {part.xmax, part.ymax});
        }
    }
    return box;
}

// The regions painted by a node's leaves: [first, last], none when `first` is kNoNode.
struct LeafSpan {
    std::uint64_t first = kNoNode;
    std::uint64_t last = 0;
};

// Leaf spans of every node and, per group, the positions of its children that paint anything.
// False unless the program is a tree from node 0 whose leaves name regions in increasing order,
// as the replay builds it; anything else is composited whole, where it fails as it always did.
bool program_spans(const std::vector<PaintProgramNode>& program, std::size_t region_count, std::vector<LeafSpan>& spans,
                   std::vector<std::vector<std::uint64_t>>& painting_children) {
    if (program.empty())
        return false;
    spans.assign(program.size(), {});
    painting_children.assign(program.size(), {});
    std::vector<bool> visited(program.size(), false);
    struct Frame {
        std::uint64_t node;
        std::uint64_t next_child;
    };
    std::vector<Frame> stack{{0, 0}};
    visited[0] = true;
    std::uint64_t next_region = 0;  // leaves must come in increasing region order
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const PaintProgramNode& node = program[frame.node];
        if (node.is_group == 0) {
            if (node.index >= region_count || node.index < next_region)
                return false;
            next_region = node.index + 1;
            spans[frame.node] = {node.index, node.index};
            stack.pop_back();
            continue;
        }
        if (frame.next_child < node.children.size()) {
            const std::uint64_t child = node.children[frame.next_child++];
            if (child >= program.size() || visited[child])
                return false;
            visited[child] = true;
            stack.push_back({child, 0});
            continue;
        }
        LeafSpan& span = spans[frame.node];
        for (std::uint64_t position = 0; position < node.children.size(); ++position) {
            const LeafSpan& child = spans[node.children[position]];
            if (child.first == kNoNode)
                continue;
            painting_children[frame.node].push_back(position);
            if (span.first == kNoNode)
                span.first = child.first;
            span.last = child.last;
        }
        stack.pop_back();
    }
    return true;
}

// Builds the restriction of the program to the leaves of regions [lo, hi], halving every child
// range exactly as the compositor does, with an explicit stack (groups nest as the input does).
class RunProgramBuilder {
public:
    RunProgramBuilder(const std::vector<PaintProgramNode>& program, const std::vector<LeafSpan>& spans,
                      const std::vector<std::vector<std::uint64_t>>& painting_children, std::uint64_t lo,
                      std::uint64_t hi)
        : program_(program), spans_(spans), painting_children_(painting_children), lo_(lo), hi_(hi) {}

    std::vector<PaintProgramNode> build() {
        out_.push_back({1, 0, 1.0, {}});  // the root
        if (touches(spans_[0]))
            steps_.push_back({Kind::node, 0, 0, 0});
        else
            values_.push_back(kNoNode);
        while (!steps_.empty()) {
            const Step step = steps_.back();
            steps_.pop_back();
            run_step(step);
        }
        if (values_.back() != kNoNode)
            out_[0].children.push_back(values_.back());
        return std::move(out_);
    }

private:
    enum class Kind { node, child_range, combine, group_opacity };
    struct Step {
        Kind kind;
        std::uint64_t node;
        std::uint64_t first;
        std::uint64_t end;
    };

    bool touches(const LeafSpan& span) const noexcept {
        return span.first != kNoNode && span.first <= hi_ && span.last >= lo_;
    }

    // Whether children [first, end) of `group` paint a region of the run: painting children's
    // spans increase with their position, so two searches find those that reach into the run.
    bool range_touches(std::uint64_t group, std::uint64_t first, std::uint64_t end) const {
        const std::vector<std::uint64_t>& painting = painting_children_[group];
        const std::vector<std::uint64_t>& children = program_[group].children;
        const auto reaching = std::partition_point(painting.begin(), painting.end(), [&](std::uint64_t position) {
            return spans_[children[position]].last < lo_;
        });
        const auto beyond = std::partition_point(
            reaching, painting.end(), [&](std::uint64_t position) { return spans_[children[position]].first <= hi_; });
        const auto from = std::lower_bound(reaching, beyond, first);
        return from != beyond && *from < end;
    }

    std::uint64_t add(PaintProgramNode node) {
        out_.push_back(std::move(node));
        return out_.size() - 1;
    }

    void run_step(const Step& step) {
        switch (step.kind) {
        case Kind::node: {
            const PaintProgramNode& node = program_[step.node];
            if (node.is_group == 0) {
                values_.push_back(add({0, node.index, 1.0, {}}));
            } else {
                steps_.push_back({Kind::group_opacity, step.node, 0, 0});
                steps_.push_back({Kind::child_range, step.node, 0, node.children.size()});
            }
            break;
        }
        case Kind::child_range: {
            const std::uint64_t count = step.end - step.first;
            if (count == 0 || !range_touches(step.node, step.first, step.end)) {
                values_.push_back(kNoNode);
            } else if (count == 1) {
                steps_.push_back({Kind::node, program_[step.node].children[step.first], 0, 0});
            } else {
                const std::uint64_t mid = step.first + count / 2;
                steps_.push_back({Kind::combine, 0, 0, 0});
                steps_.push_back({Kind::child_range, step.node, mid, step.end});
                steps_.push_back({Kind::child_range, step.node, step.first, mid});
            }
            break;
        }
        case Kind::combine: {
            // A half without paint in the run composites to nothing: the other half stands alone.
            const std::uint64_t above = values_.back();
            values_.pop_back();
            const std::uint64_t below = values_.back();
            values_.pop_back();
            if (below == kNoNode || above == kNoNode)
                values_.push_back(below == kNoNode ? above : below);
            else
                values_.push_back(add({1, 0, 1.0, {below, above}}));
            break;
        }
        case Kind::group_opacity: {
            // Opacity exactly 1 changes nothing; any other value is applied to the run's part.
            const double opacity = program_[step.node].opacity;
            if (values_.back() != kNoNode && !(opacity == 1.0))
                values_.back() = add({1, 0, opacity, {values_.back()}});
            break;
        }
        }
    }

    const std::vector<PaintProgramNode>& program_;
    const std::vector<LeafSpan>& spans_;
    const std::vector<std::vector<std::uint64_t>>& painting_children_;
    std::uint64_t lo_;
    std::uint64_t hi_;
    std::vector<Step> steps_;
    std::vector<std::uint64_t> values_;
    std::vector<PaintProgramNode> out_;
};

}  // namespace

std::vector<RegionRun> independent_region_runs(const std::vector<ReplayRegion>& regions, ComplexityBudget& budget) {
    const std::size_t count = regions.size();
    std::vector<IntBox> boxes(count);
    for (std::size_t r = 0; r < count; ++r)
        boxes[r] = area_box(regions[r]);
    const PackedGridBoundsIndex index(boxes);
    // reach[r]: the last region whose box touches that of r, or r itself.
    std::vector<std::size_t> reach(count);
    const std::uint64_t pair_allowance =
        checked_size_sum(checked_size_product(count, kRunPairsPerRegion), kRunPairsPerRegion);
    std::uint64_t pairs = 0;
    for (std::size_t r = 0; r < count; ++r) {
        reach[r] = r;
        if (!boxes[r].valid)
            continue;
        const std::vector<std::uint64_t> touching = index.query(boxes[r], budget);
        pairs = checked_size_sum(pairs, touching.size());
        if (pairs > pair_allowance)
            return {{0, count}};
        for (const std::uint64_t other : touching)
            reach[r] = std::max<std::size_t>(reach[r], other);
    }
    std::vector<RegionRun> runs;
    std::size_t first = 0;
    std::size_t farthest = 0;
    bool has_area = false;
    for (std::size_t r = 0; r < count; ++r) {
        farthest = std::max(farthest, reach[r]);
        has_area = has_area || boxes[r].valid;
        if (farthest == r && has_area) {
            runs.push_back({first, r + 1});
            first = r + 1;
            has_area = false;
        }
    }
    if (first < count) {
        if (runs.empty())
            runs.push_back({first, count});
        else
            runs.back().end = count;
    }
    return runs;
}

AlphaCompositeResult alpha_composite_by_runs(const std::vector<ReplayRegion>& regions,
                                             const std::vector<PaintProgramNode>& program, const ReplayParams& params) {
    if (params.budget == nullptr)
        return alpha_composite(regions, program, params);
    ComplexityBudget& budget = *params.budget;
    const std::vector<RegionRun> runs = independent_region_runs(regions, budget);
    std::vector<LeafSpan> spans;
    std::vector<std::vector<std::uint64_t>> painting_children;
    if (runs.size() < 2 || !program_spans(program, regions.size(), spans, painting_children))
        return alpha_composite(regions, program, params);

    std::vector<AlphaCompositeResult> results(runs.size());
    std::vector<ComplexityBudget> budgets(runs.size());
    const std::uint32_t workers = replay_worker_budget(params.environment);
    // The compositor tiles a run on the workers itself: runs beyond a worker's share of the regions
    // keep every worker, one after another, and the many small ones take a worker each, so art that
    // is one large run beside a few small ones still fills the machine and threads never nest.
    const std::size_t share = std::max<std::size_t>(1, regions.size() / std::max<std::uint32_t>(workers, 1));
    std::vector<std::size_t> small_runs;
    std::vector<std::size_t> large_runs;
    for (std::size_t i = 0; i < runs.size(); ++i)
        (runs[i].end - runs[i].first > share ? large_runs : small_runs).push_back(i);
    const auto composite_run = [&](std::size_t i, std::uint64_t run_workers) {
        const std::vector<PaintProgramNode> part =
            RunProgramBuilder(program, spans, painting_children, runs[i].first, runs[i].end - 1).build();
        ReplayParams run_params = params;
        run_params.budget = &budgets[i];
        run_params.environment.replay_threads = run_workers;
        results[i] = alpha_composite(regions, part, run_params);
    };
    run_parallel_tasks(small_runs.size(), workers, [&](std::size_t k) { composite_run(small_runs[k], 1); });
    for (const std::size_t i : large_runs)
        composite_run(i, workers);

    // Runs never meet, so their visible regions and coverage rings stand side by side.
    AlphaCompositeResult joined;
    std::size_t region_total = 0;
    std::size_t coverage_total = 0;
    std::uint64_t contributor_entries = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        merge_budget(budget, budgets[i]);
        region_total = checked_size_sum(region_total, results[i].regions.size());
        coverage_total = checked_size_sum(coverage_total, results[i].coverage.size());
        for (const ReplayRegion& region : results[i].regions)
            contributor_entries = checked_size_sum(contributor_entries, region.contributors.size());
    }
    // The cap one composite of everything would have met: runs do not raise it.
    if (contributor_entries > kAlphaContributorCap)
        throw ComplexityLimitError("alpha_contributor_limit");
    joined.regions.reserve(region_total);
    joined.coverage.reserve(coverage_total);
    for (AlphaCompositeResult& result : results) {
        joined.displacement = std::max(joined.displacement, result.displacement);
        std::move(result.regions.begin(), result.regions.end(), std::back_inserter(joined.regions));
        std::move(result.coverage.begin(), result.coverage.end(), std::back_inserter(joined.coverage));
    }
    return joined;
}

}  // namespace pavrix_svg_core
