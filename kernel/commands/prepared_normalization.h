#pragma once

// The grid geometry one fill, stroke or clip command lowers to: what preparation hands to the
// ordered replay.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// Why paint produced no printable area. The ids are part of the result schema.
enum class UnprintableReason : std::uint32_t {
    empty_path = 0,
    point_only = 1,
    line_only = 2,
    area_collapse = 3,
    fill_rule_cancelled = 4,
    clipped_out = 5,
    stroke_collapse = 6,
};

// One pending unprintable fragment of a command: low half the reason id, high half the subpath
// index (-1 for the whole command).
struct FragmentEntry {
    std::uint64_t packed = 0;

    static FragmentEntry make(UnprintableReason reason, std::int32_t subpath_index) noexcept {
        return FragmentEntry{static_cast<std::uint64_t>(static_cast<std::uint32_t>(reason)) |
                             (static_cast<std::uint64_t>(static_cast<std::uint32_t>(subpath_index)) << 32)};
    }
    std::uint32_t reason_id() const noexcept { return static_cast<std::uint32_t>(packed); }
    std::int32_t subpath_index() const noexcept { return static_cast<std::int32_t>(packed >> 32); }
};

struct PreparedNormalization {
    Clipper2Lib::Paths64 geometry;         // coverage after the fill-rule union; empty when nothing prints
    double lowering_error_bound = 0.0;     // source units
    double input_precision_error_x = 0.0;  // the command's error pair, source units
    double input_precision_error_y = 0.0;
    std::vector<FragmentEntry> fragments;
};

}  // namespace pavrix_svg_core
