#pragma once

// Flat-colour pieces of translucent paint (premultiplied colour, alpha and the paints that
// make them up) and the operations that cut, key and merge them.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/common/complexity_budget.h"
#include "kernel/bounds/indexed_path_set.h"
#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

// The area (paths, box and index) comes first so that a component is an IndexedPathSet.
struct AlphaComponent : IndexedPathSet {
    double r = 0.0;  // premultiplied by alpha
    double g = 0.0;
    double b = 0.0;
    double alpha = 0.0;
    std::vector<Contributor> contributors;
};

using AlphaComponentList = std::vector<AlphaComponent>;

// Tiles of up to this many points keep every later boolean small; artwork with huge single
// polygons (maps, scanned traces) would otherwise make each overlap test touch all of them.
inline constexpr std::uint64_t kAlphaTilePointLimit = 512;
// Halving stops after this many levels: 2^16 tiles per polygon is more than any artwork needs
// and bounds the work a pathological polygon can cause.
inline constexpr int kAlphaTileMaxDepth = 15;

// A region's colour at its paint opacity, premultiplied, with its contributors and no paths.
AlphaComponent paint_template(const ReplayRegion& region);

// The components of one painted region: one template (colour, opacity, contributors) tiled
// over each exported polygon. Empty for a region without paths or with opacity <= 0.
AlphaComponentList region_components(const ReplayRegion& region, ComplexityBudget& budget);

// Appends `paths` with the template's colour to `out`, halving the box by RectClip64 while a
// piece has more than kAlphaTilePointLimit points.
void tile_component(const AlphaComponent& templ, Clipper2Lib::Paths64 paths, int depth, AlphaComponentList& out,
                    ComplexityBudget& budget);

// One premultiplied channel (or alpha) of source-over, with rest = 1 - the upper alpha. Every road
// blends through this one expression, so that all round alike.
inline double over_channel(double rest, double below, double above) noexcept {
    return rest * below + above;
}

// Scales colour, alpha and contributor weights by a group's opacity (1 leaves them untouched).
// False when the opacity is not above 0 (NaN included): nothing of the component shows.
bool apply_opacity(AlphaComponent& component, double opacity) noexcept;

// FNV-1a based key over alpha, colour and contributors (-0.0 hashed as 0.0).
std::uint64_t component_key_hash(const AlphaComponent& component) noexcept;

// Moves the paths of `source` to the end of `target`; ComplexityLimitError
// "alpha_compositor_paths" when the count would pass what a vector can hold.
void append_compositor_paths(Clipper2Lib::Paths64& target, Clipper2Lib::Paths64& source);

// Drops empty and fully transparent components and merges those with equal colour, alpha and
// contributors into the first of them; the keys are hashed on up to `workers` threads.
AlphaComponentList merge_equal_components(AlphaComponentList components, std::uint32_t workers = 1);

}  // namespace pavrix_svg_core
