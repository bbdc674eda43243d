#pragma once

// Every element class of the document tree.
#include "svg/element_factory.h"
#include "svg/geometry_element.h"
#include "svg/graphics_elements.h"
#include "svg/image_element.h"
#include "svg/marker_element.h"
#include "svg/mask_element.h"
#include "svg/paint_server_elements.h"
#include "svg/shape_elements.h"
#include "svg/svg_element.h"
#include "svg/svg_node.h"
#include "svg/svg_svg_element.h"
#include "svg/text_elements.h"
#include "svg/use_element.h"
