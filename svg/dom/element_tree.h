#pragma once

// Every element class of the document tree.
#include "svg/dom/element_factory.h"
#include "svg/dom/geometry_element.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/image_element.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/mask_element.h"
#include "svg/dom/paint_server_elements.h"
#include "svg/dom/shape_elements.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_node.h"
#include "svg/dom/svg_svg_element.h"
#include "svg/dom/text_elements.h"
#include "svg/dom/use_element.h"
