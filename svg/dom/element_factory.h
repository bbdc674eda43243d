#pragma once

#include <memory>

#include "svg/dom/element_id.h"

namespace pavrix_svg {

class Document;
class SVGElement;

// A new element of the class for the id (Circle to Use); null for any other id. Takes a serial
// from the document, which may throw std::length_error("svg_element_capacity").
std::unique_ptr<SVGElement> createElement(Document& document, ElementID id);

}  // namespace pavrix_svg
