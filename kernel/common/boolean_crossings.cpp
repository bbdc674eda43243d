#include "kernel/common/boolean_crossings.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "kernel/exact/face_arithmetic.h"

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

// A sloped edge, lower end first; `x` is its x at the bottom of the scanbeam being swept.
struct SweptEdge {
    std::int64_t bottom_y;
    std::int64_t top_y;
    double bottom_x;
    double top_x;
    double slope;  // x per unit of y
    double x;

    // Exact at both ends, so that edges meeting at a vertex tie there.
    double x_at(std::int64_t y) const noexcept {
        return y == top_y ? top_x : bottom_x + static_cast<double>(y - bottom_y) * slope;
    }
};

struct LevelEdge {
    std::int64_t y;
    double left;
    double right;
};

// The edges of one group of paths whose x ranges overlap.
struct EdgeGroup {
    std::vector<SweptEdge> sloped;
    std::vector<LevelEdge> level;

    void add(const Path64& path) {
        const Point64* from = &path.back();
        for (const Point64& to : path) {
            if (from->y == to.y) {
                const auto a = static_cast<double>(from->x);
                const auto b = static_cast<double>(to.x);
                level.push_back({to.y, std::min(a, b), std::max(a, b)});
            } else {
                const Point64& bottom = from->y < to.y ? *from : to;
                const Point64& top = from->y < to.y ? to : *from;
                const auto bottom_x = static_cast<double>(bottom.x);
                const auto top_x = static_cast<double>(top.x);
                sloped.push_back({bottom.y, top.y, bottom_x, top_x,
                                  (top_x - bottom_x) / static_cast<double>(top.y - bottom.y), bottom_x});
            }
            from = &to;
        }
    }
};

// Entries of `sorted` (by x) whose x lies strictly between the level edge's ends.
template <typename Entry, typename XOf>
std::uint64_t edges_between(const std::vector<Entry>& sorted, const LevelEdge& edge, XOf x_of) {
    const auto begin = std::upper_bound(sorted.begin(), sorted.end(), edge.left,
                                        [&](double x, const Entry& entry) { return x < x_of(entry); });
    const auto end = std::lower_bound(begin, sorted.end(), edge.right,
                                      [&](const Entry& entry, double x) { return x_of(entry) < x; });
    return static_cast<std::uint64_t>(end - begin);
}

// Sweeps one group upward, level by level: the active edges are kept in their order at the
// beam's bottom, and each is placed by its x at the top with an insertion that moves it past
// exactly the edges it crosses inside the beam.
std::uint64_t sweep_group(EdgeGroup& group, std::uint64_t found, std::uint64_t stop_above) {
    constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
    auto& sloped = group.sloped;
    auto& level = group.level;
    std::sort(sloped.begin(), sloped.end(),
              [](const SweptEdge& a, const SweptEdge& b) { return a.bottom_y < b.bottom_y; });
    std::sort(level.begin(), level.end(), [](const LevelEdge& a, const LevelEdge& b) { return a.y < b.y; });
    struct Starting {
        SweptEdge edge;
        double top_x;
    };
    std::vector<SweptEdge> active;
    std::vector<SweptEdge> next;
    std::vector<Starting> starting;
    std::size_t next_sloped = 0;
    std::size_t next_level = 0;
    std::int64_t lowest_active_top = kNone;  // the lowest top above the current level
    std::int64_t y =
        std::min(sloped.empty() ? kNone : sloped.front().bottom_y, level.empty() ? kNone : level.front().y);
    while (y != kNone) {
        starting.clear();
        std::int64_t top = lowest_active_top;
        for (; next_sloped < sloped.size() && sloped[next_sloped].bottom_y == y; ++next_sloped) {
            starting.push_back({sloped[next_sloped], 0.0});
            top = std::min(top, sloped[next_sloped].top_y);
        }
        if (next_sloped < sloped.size())
            top = std::min(top, sloped[next_sloped].bottom_y);
        const std::size_t first_level = next_level;
        while (next_level < level.size() && level[next_level].y == y)
            ++next_level;
        if (next_level < level.size())
            top = std::min(top, level[next_level].y);
        for (Starting& entry : starting)
            entry.top_x = top == kNone ? entry.edge.x : entry.edge.x_at(top);
        std::sort(starting.begin(), starting.end(), [](const Starting& a, const Starting& b) {
            return a.edge.x < b.edge.x || (a.edge.x == b.edge.x && a.top_x < b.top_x);
        });
        for (std::size_t i = first_level; i < next_level; ++i)
            found += edges_between(active, level[i], [](const SweptEdge& e) { return e.x; }) +
                     edges_between(starting, level[i], [](const Starting& e) { return e.edge.x; });
        if (found > stop_above || top == kNone)
            break;
        // Edges ending at y leave; the others, merged with those starting at y by their order at y
        // (ties by their order at the top), are placed by their x at the top.
        next.clear();
        lowest_active_top = kNone;
        const auto place = [&](SweptEdge edge, double top_x) {
            edge.x = top_x;
            if (edge.top_y > top)
                lowest_active_top = std::min(lowest_active_top, edge.top_y);
            std::size_t at = next.size();
            next.push_back(edge);
            for (; at > 0 && next[at - 1].x > top_x; --at)
                next[at] = next[at - 1];
            next[at] = edge;
            found += next.size() - 1 - at;
        };
        std::size_t s = 0;
        for (const SweptEdge& edge : active) {
            if (edge.top_y <= y)
                continue;
            const double top_x = edge.x_at(top);
            for (; s < starting.size() &&
                   (starting[s].edge.x < edge.x || (starting[s].edge.x == edge.x && starting[s].top_x < top_x));
                 ++s)
                place(starting[s].edge, starting[s].top_x);
            place(edge, top_x);
        }
        for (; s < starting.size(); ++s)
            place(starting[s].edge, starting[s].top_x);
        if (found > stop_above)
            break;
        active.swap(next);
        y = top;
    }
    return found;
}

// A path's box, for cutting the paths into groups that cannot cross each other.
struct PathSpan {
    std::int64_t xmin;
    std::int64_t ymin;
    std::int64_t xmax;
    std::int64_t ymax;
    const Path64* path;
};

using SpanRange = std::pair<std::size_t, std::size_t>;

// Cuts spans[first, end) where no box reaches across a gap along one axis; appends the parts and
// returns their count (1 when there is no gap).
template <typename Low, typename High>
std::size_t cut_at_gaps(std::vector<PathSpan>& spans, SpanRange range, Low low, High high,
                        std::vector<SpanRange>& parts) {
    const auto begin = spans.begin() + static_cast<std::ptrdiff_t>(range.first);
    const auto end = spans.begin() + static_cast<std::ptrdiff_t>(range.second);
    std::sort(begin, end, [&](const PathSpan& a, const PathSpan& b) { return low(a) < low(b); });
    std::size_t count = 0;
    for (std::size_t first = range.first; first < range.second; ++count) {
        std::int64_t reach = high(spans[first]);
        std::size_t last = first + 1;
        for (; last < range.second && low(spans[last]) <= reach; ++last)
            reach = std::max(reach, high(spans[last]));
        parts.emplace_back(first, last);
        first = last;
    }
    return count;
}

}  // namespace

std::uint64_t predicted_crossings(const Paths64& subject, const Paths64* clip, std::uint64_t stop_above) {
    std::vector<PathSpan> spans;
    for (const Paths64* paths : std::array<const Paths64*, 2>{&subject, clip}) {
        if (paths == nullptr)
            continue;
        for (const Path64& path : *paths) {
            if (path.size() < 2)
                continue;
            PathSpan span{path[0].x, path[0].y, path[0].x, path[0].y, &path};
            for (const Point64& point : path) {
                span.xmin = std::min(span.xmin, point.x);
                span.ymin = std::min(span.ymin, point.y);
                span.xmax = std::max(span.xmax, point.x);
                span.ymax = std::max(span.ymax, point.y);
            }
            spans.push_back(span);
        }
    }
    // Groups of paths whose boxes no gap separates, cut alternately across x and y until neither
    // cuts: side by side artwork is swept piece by piece, each between its own levels only.
    std::uint64_t found = 0;
    EdgeGroup group;
    std::vector<SpanRange> pending{{0, spans.size()}};
    std::vector<SpanRange> parts;
    // Cutting that peels one path at a time would take quadratic time; past this many sorted
    // spans per span the groups left are swept as they are.
    constexpr std::size_t kCutPassesPerSpan = 32;
    std::size_t cut_budget = kCutPassesPerSpan * spans.size();
    while (!pending.empty() && found <= stop_above) {
        const SpanRange range = pending.back();
        pending.pop_back();
        const std::size_t size = range.second - range.first;
        const bool may_cut = cut_budget >= 2 * size;
        cut_budget -= may_cut ? 2 * size : 0;
        const auto cut = [&](auto low, auto high) {
            parts.clear();
            return cut_at_gaps(spans, range, low, high, parts) > 1;
        };
        if (may_cut && (cut([](const PathSpan& s) { return s.xmin; }, [](const PathSpan& s) { return s.xmax; }) ||
                        cut([](const PathSpan& s) { return s.ymin; }, [](const PathSpan& s) { return s.ymax; }))) {
            pending.insert(pending.end(), parts.begin(), parts.end());
            continue;
        }
        group.sloped.clear();
        group.level.clear();
        for (std::size_t i = range.first; i < range.second; ++i)
            group.add(*spans[i].path);
        found = sweep_group(group, found, stop_above);
    }
    return found;
}

bool crossings_may_pass(const Paths64& subject, const Paths64* clip, std::uint64_t cap) {
    using Arithmetic = FaceArithmetic<std::int64_t>;
    // At the cap, cap / pairs of all edge pairs cross; this many hits are expected there. Past
    // kMaxSamples (booleans of some 10^5 edges) fewer are: a crossing count only a few times
    // the cap may then go unseen, one far past it may not.
    constexpr std::uint64_t kHitsAtCap = 16;
    constexpr std::uint64_t kMinSamples = 64;
    constexpr std::uint64_t kMaxSamples = std::uint64_t{1} << 21;
    std::vector<const Path64*> paths;
    std::vector<std::uint64_t> first_edge{0};
    for (const Paths64* operand : std::array<const Paths64*, 2>{&subject, clip}) {
        if (operand == nullptr)
            continue;
        for (const Path64& path : *operand) {
            if (path.size() >= 2) {
                paths.push_back(&path);
                first_edge.push_back(first_edge.back() + path.size());
            }
        }
    }
    const std::uint64_t n = first_edge.back();
    if (n < 2 || cap == 0)
        return n >= 2;
    const long double pairs = static_cast<long double>(n) * static_cast<long double>(n - 1) / 2;
    const auto samples = static_cast<std::uint64_t>(
        std::clamp<long double>(kHitsAtCap * pairs / static_cast<long double>(cap), kMinSamples, kMaxSamples));
    std::uint64_t state = 0x9e3779b97f4a7c15ULL ^ n;  // splitmix64, seeded by the size only
    const auto random_edge = [&]() -> std::pair<const Point64&, const Point64&> {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        const std::uint64_t k = (z ^ (z >> 31)) % n;
        const auto at = std::upper_bound(first_edge.begin(), first_edge.end(), k) - first_edge.begin() - 1;
        const Path64& path = *paths[static_cast<std::size_t>(at)];
        const std::size_t i = k - first_edge[static_cast<std::size_t>(at)];
        return {path[i], path[i + 1 == path.size() ? 0 : i + 1]};
    };
    const auto side = [](const Point64& a, const Point64& b, const Point64& c) {
        return Arithmetic::sign(Arithmetic::cross(b.x - a.x, b.y - a.y, c.x - a.x, c.y - a.y));
    };
    std::uint64_t hits = 0;
    for (std::uint64_t i = 0; i < samples; ++i) {
        const auto [a, b] = random_edge();
        const auto [c, d] = random_edge();
        hits += side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
    }
    // The hits stand for hits / samples of all pairs; a quarter of the cap leaves room for chance.
    return hits > 0 && static_cast<long double>(hits) * pairs / static_cast<long double>(samples) >
                           static_cast<long double>(cap) / 4;
}

}  // namespace pavrix_svg_core
