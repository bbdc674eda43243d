#include "kernel/composite/alpha_component.h"

#include <cstring>
#include <unordered_map>
#include <utility>

#include "kernel/common/parallel_tasks.h"

namespace pavrix_svg_core {
namespace {

struct TilePiece {
    Clipper2Lib::Paths64 paths;
    int depth = 0;
};

AlphaComponent component_from_template(const AlphaComponent& templ, Clipper2Lib::Paths64 paths) {
    AlphaComponent component;
    set_indexed_paths(component, std::move(paths));
    component.r = templ.r;
    component.g = templ.g;
    component.b = templ.b;
    component.alpha = templ.alpha;
    component.contributors = templ.contributors;
    return component;
}

Clipper2Lib::Paths64 clip_to_rect(const Clipper2Lib::Paths64& paths, const Clipper2Lib::Rect64& rect,
                                  ComplexityBudget& budget) {
    charge_clipper_input(budget, paths);
    Clipper2Lib::RectClip64 clipper(rect);
    Clipper2Lib::Paths64 result = clipper.Execute(paths);
    charge_clipper_output(budget, result);
    return result;
}

constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;
constexpr std::uint64_t kHashMixConstant = 0x9e3779b97f4a7c15ull;

template <typename Value>
std::uint64_t fnv1a(Value value) noexcept {
    unsigned char bytes[sizeof(Value)];
    std::memcpy(bytes, &value, sizeof(Value));
    std::uint64_t hash = kFnvOffsetBasis;
    for (const unsigned char byte : bytes) {
        hash ^= byte;
        hash *= kFnvPrime;
    }
    return hash;
}

std::uint64_t hash_double(double value) noexcept {
    return fnv1a(value == 0.0 ? 0.0 : value);
}

void mix(std::uint64_t& hash, std::uint64_t value) noexcept {
    hash ^= value + kHashMixConstant + (hash << 6) + (hash >> 2);
}

bool same_contributors(const std::vector<Contributor>& a, const std::vector<Contributor>& b) noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].draw_index != b[i].draw_index || a[i].source_index != b[i].source_index ||
            a[i].source_kind != b[i].source_kind || a[i].weight != b[i].weight) {
            return false;
        }
    }
    return true;
}

bool same_key(const AlphaComponent& a, const AlphaComponent& b) noexcept {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.alpha == b.alpha &&
           same_contributors(a.contributors, b.contributors);
}

}  // namespace

AlphaComponent paint_template(const ReplayRegion& region) {
    const double opacity = region.color[3];
    AlphaComponent paint;
    paint.alpha = opacity;
    paint.r = region.color[0] * opacity;
    paint.g = region.color[1] * opacity;
    paint.b = region.color[2] * opacity;
    paint.contributors = region.contributors;
    return paint;
}

AlphaComponentList region_components(const ReplayRegion& region, ComplexityBudget& budget) {
    AlphaComponentList components;
    const double opacity = region.color[3];
    // Not greater than zero includes NaN: such paint shows nothing rather than poisoning the
    // colours of everything it overlaps.
    if (region.paths.empty() || !(opacity > 0.0))
        return components;
    const AlphaComponent templ = paint_template(region);
    for (const Clipper2Lib::Paths64& polygon : region.exported_components) {
        tile_component(templ, polygon, 0, components, budget);
    }
    return components;
}

void tile_component(const AlphaComponent& templ, Clipper2Lib::Paths64 paths, int depth, AlphaComponentList& out,
                    ComplexityBudget& budget) {
    // Depth first, first half before second, as halving by hand would visit them.
    std::vector<TilePiece> pending;
    pending.push_back({std::move(paths), depth});
    while (!pending.empty()) {
        TilePiece piece = std::move(pending.back());
        pending.pop_back();
        const IntBox box = box_paths_bounds(piece.paths);
        const std::int64_t width = box.valid ? box.xmax - box.xmin : 0;
        const std::int64_t height = box.valid ? box.ymax - box.ymin : 0;
        const std::uint64_t points = total_point_count(piece.paths);
        if (points <= kAlphaTilePointLimit || piece.depth > kAlphaTileMaxDepth || (width <= 1 && height <= 1)) {
            out.push_back(component_from_template(templ, std::move(piece.paths)));
            continue;
        }
        Clipper2Lib::Rect64 first_half;
        Clipper2Lib::Rect64 second_half;
        if (width < height || width < 2) {
            const std::int64_t cut = box.ymin + height / 2;
            first_half = Clipper2Lib::Rect64(box.xmin, box.ymin, box.xmax, cut);
            second_half = Clipper2Lib::Rect64(box.xmin, cut, box.xmax, box.ymax);
        } else {
            const std::int64_t cut = box.xmin + width / 2;
            first_half = Clipper2Lib::Rect64(box.xmin, box.ymin, cut, box.ymax);
            second_half = Clipper2Lib::Rect64(cut, box.ymin, box.xmax, box.ymax);
        }
        Clipper2Lib::Paths64 first = clip_to_rect(piece.paths, first_half, budget);
        Clipper2Lib::Paths64 second = clip_to_rect(piece.paths, second_half, budget);
        if (!second.empty())
            pending.push_back({std::move(second), piece.depth + 1});
        if (!first.empty())
            pending.push_back({std::move(first), piece.depth + 1});
    }
}

bool apply_opacity(AlphaComponent& component, double opacity) noexcept {
    if (opacity == 1.0)
        return true;
    if (!(opacity > 0.0))
        return false;
    component.r *= opacity;
    component.g *= opacity;
    component.b *= opacity;
    component.alpha *= opacity;
    for (Contributor& contributor : component.contributors)
        contributor.weight *= opacity;
    return true;
}

std::uint64_t component_key_hash(const AlphaComponent& component) noexcept {
    std::uint64_t hash = hash_double(component.alpha);
    mix(hash, hash_double(component.r));
    mix(hash, hash_double(component.g));
    mix(hash, hash_double(component.b));
    mix(hash, component.contributors.size());
    for (const Contributor& contributor : component.contributors) {
        mix(hash, fnv1a(contributor.draw_index));
        mix(hash, fnv1a(contributor.source_index));
        mix(hash, fnv1a(contributor.source_kind));
        mix(hash, hash_double(contributor.weight));
    }
    return hash;
}

void append_compositor_paths(Clipper2Lib::Paths64& target, Clipper2Lib::Paths64& source) {
    if (source.size() > target.max_size() - target.size())
        throw ComplexityLimitError("alpha_compositor_paths");
    target.reserve(target.size() + source.size());
    for (auto& path : source)
        target.push_back(std::move(path));
    source.clear();
}

AlphaComponentList merge_equal_components(AlphaComponentList components, std::uint32_t workers) {
    std::vector<std::uint64_t> keys(components.size());
    run_parallel_ranges(components.size(), workers, [&](std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i)
            keys[i] = component_key_hash(components[i]);
    });
    AlphaComponentList merged;
    std::unordered_multimap<std::uint64_t, std::size_t> by_key;
    for (std::size_t i = 0; i < components.size(); ++i) {
        AlphaComponent& component = components[i];
        if (component.paths.empty() || !(component.alpha > 0.0))
            continue;
        const std::uint64_t key = keys[i];
        bool joined = false;
        const auto [first, last] = by_key.equal_range(key);
        for (auto it = first; it != last; ++it) {
            AlphaComponent& target = merged[it->second];
            if (!same_key(target, component))
                continue;
            append_compositor_paths(target.paths, component.paths);
            if (component.box.valid) {
                grow_int_box(target.box, {component.box.xmin, component.box.ymin});
                grow_int_box(target.box, {component.box.xmax, component.box.ymax});
            }
            // The old index covers only the target's own first paths.
            target.index.reset();
            joined = true;
            break;
        }
        if (joined)
            continue;
        by_key.emplace(key, merged.size());
        merged.push_back(std::move(component));
    }
    return merged;
}

}  // namespace pavrix_svg_core
