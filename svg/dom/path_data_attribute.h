#pragma once

// A `d` value read once for all its readers before an element takes it, so that the document
// reader can consult what the reading learned (the float range of its numbers) before it decides
// to store the value.

#include <cstdint>
#include <optional>
#include <string_view>

#include "graphics/path.h"
#include "svg/exact/path_data_reading.h"

namespace pavrix_svg {

class SVGElement;

struct PathDataAttribute {
    Path path;  // the float path, in the element's property storage
    PathDataReading reading;
};

// Reads a `d` value for the element without changing anything. Empty when the element has no
// path data property or the text needs each reader's own grammar: setAttribute then reads it.
std::optional<PathDataAttribute> readPathDataAttribute(SVGElement& element, std::string_view value);

// setAttribute of `d` with a reading of that same value.
bool setPathDataAttribute(SVGElement& element, std::int32_t specificity, std::string_view value,
                          PathDataAttribute&& read);

}  // namespace pavrix_svg
