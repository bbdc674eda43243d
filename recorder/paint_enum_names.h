#pragma once

// Python-facing names of the paint enumerations. Bytes outside a table read
// as "unknown"; the fill rule reads "evenodd" only for 1.

#include <string_view>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

constexpr std::string_view paintCommandKindName(PaintCommandKind kind) noexcept {
    switch (kind) {
    case PaintCommandKind::fill:
        return "fill";
    case PaintCommandKind::stroke:
        return "stroke";
    case PaintCommandKind::clip_begin:
        return "clip_begin";
    case PaintCommandKind::clip_end:
        return "clip_end";
    case PaintCommandKind::group_begin:
        return "group_begin";
    case PaintCommandKind::group_end:
        return "group_end";
    }
    return "unknown";
}

constexpr std::string_view pathVerbName(PathVerb verb) noexcept {
    switch (verb) {
    case PathVerb::move_to:
        return "move_to";
    case PathVerb::line_to:
        return "line_to";
    case PathVerb::cubic_to:
        return "cubic_to";
    case PathVerb::close:
        return "close";
    }
    return "unknown";
}

constexpr std::string_view lineCapName(LineCap cap) noexcept {
    switch (cap) {
    case LineCap::butt:
        return "butt";
    case LineCap::round:
        return "round";
    case LineCap::square:
        return "square";
    }
    return "unknown";
}

constexpr std::string_view lineJoinName(LineJoin join) noexcept {
    switch (join) {
    case LineJoin::miter:
        return "miter";
    case LineJoin::round:
        return "round";
    case LineJoin::bevel:
        return "bevel";
    }
    return "unknown";
}

constexpr std::string_view paintFillRuleName(PaintFillRule rule) noexcept {
    return rule == PaintFillRule::evenodd ? "evenodd" : "nonzero";
}

}  // namespace pavrix_svg_core
