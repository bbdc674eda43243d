#include "kernel/lowering/crossing_wedges.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace pavrix_svg_core {

namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

// A slot's end is followed over at most this many short edges: its corners lie on one edge's error.
constexpr std::size_t kMaxSlotEdges = 3;

struct Corner {
    Point64 at;
    double sine = 1.0;
};

bool before(const Point64& a, const Point64& b) noexcept {
    return a.x != b.x ? a.x < b.x : a.y < b.y;
}

}  // namespace

double narrowest_crossing_sine(const Paths64& input, const Paths64& output, double wide, double base) {
    std::vector<Corner> corners;
    std::vector<double> turns;
    std::vector<double> lengths;
    const double squared_base = base * base;
    for (const Path64& path : output) {
        const std::size_t n = path.size();
        if (n < 3)
            continue;
        // Signed turn at each vertex (0 for turns to the left) and the squared length of the edge after it.
        // Outer rings turn one way and holes the other, so the filled side is on the left of both: a turn to
        // the right opens a wedge outside.
        turns.assign(n, 0.0);
        lengths.assign(n, 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            const Point64& a = path[(i + n - 1) % n];
            const Point64& b = path[i];
            const Point64& c = path[(i + 1) % n];
            const double ux = static_cast<double>(b.x - a.x), uy = static_cast<double>(b.y - a.y);
            const double vx = static_cast<double>(c.x - b.x), vy = static_cast<double>(c.y - b.y);
            const double cross = ux * vy - uy * vx;
            if (cross < 0.0)
                turns[i] = std::atan2(cross, ux * vx + uy * vy);
            lengths[i] = vx * vx + vy * vy;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (!(turns[i] < 0.0))
                continue;
            // Right turns joined by edges shorter than `base` are one wedge: the end of a slot whose walls
            // the chords' error has parted.
            double turn = turns[i];
            std::size_t last = i;
            for (std::size_t k = 0;
                 k < kMaxSlotEdges && lengths[last % n] < squared_base && turns[(last + 1) % n] < 0.0; ++k) {
                ++last;
                turn += turns[last % n];
            }
            // A wedge whose sides are shorter than `base` lies within that of its mouth wherever its tip
            // goes: the grid's rounding makes many such.
            if (lengths[(i + n - 1) % n] < squared_base || lengths[last % n] < squared_base)
                continue;
            const double outside = std::numbers::pi + turn;
            const double sine = outside > 0.0 ? std::sin(0.5 * outside) : 0.0;
            if (!(sine < wide))
                continue;
            for (std::size_t j = i; j <= last; ++j)
                corners.push_back(Corner{path[j % n], sine});
        }
    }
    if (corners.empty())
        return 1.0;
    // A wedge counts where some corner of it is no input vertex: two input edges cross there.
    std::vector<std::uint8_t> on_input(corners.size(), 0);
    std::vector<std::size_t> order(corners.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return before(corners[a].at, corners[b].at); });
    for (const Path64& path : input) {
        for (const Point64& p : path) {
            auto it = std::lower_bound(order.begin(), order.end(), p,
                                       [&](std::size_t i, const Point64& q) { return before(corners[i].at, q); });
            for (; it != order.end() && corners[*it].at == p; ++it)
                on_input[*it] = 1;
        }
    }
    double narrowest = 1.0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (on_input[i] == 0)
            narrowest = std::min(narrowest, corners[i].sine);
    }
    return narrowest;
}

}  // namespace pavrix_svg_core
