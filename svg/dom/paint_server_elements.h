#pragma once

#include <cstdint>
#include <memory>

#include "graphics/canvas_paint.h"
#include "graphics/rect.h"
#include "graphics/transform.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {

// Paint servers: gradients and patterns that put a non-solid paint on the canvas.
class SVGPaintElement : public SVGElement {
public:
    SVGPaintElement(Document& document, ElementID id);

    bool isPaintElement() const override { return true; }
    // Sets the canvas paint of the state for the painted element; false when nothing paints.
    virtual bool applyPaint(const SVGRenderState& state, float opacity) const = 0;
};

class SVGGradientElement : public SVGPaintElement, public SVGURIReference {
public:
    SVGGradientElement(Document& document, ElementID id);

    const SVGTransform& gradientTransform() const noexcept { return m_gradientTransform; }
    const SVGEnumeration<Units>& gradientUnits() const noexcept { return m_gradientUnits; }
    const SVGEnumeration<SpreadMethod>& spreadMethod() const noexcept { return m_spreadMethod; }

private:
    SVGTransform m_gradientTransform{PropertyID::GradientTransform};
    SVGEnumeration<Units> m_gradientUnits{PropertyID::GradientUnits, Units::ObjectBoundingBox};
    SVGEnumeration<SpreadMethod> m_spreadMethod{PropertyID::SpreadMethod, SpreadMethod::Pad};
};

class SVGLinearGradientElement final : public SVGGradientElement {
public:
    explicit SVGLinearGradientElement(Document& document);
    bool applyPaint(const SVGRenderState& state, float opacity) const override;

    const SVGLength& x1() const noexcept { return m_x1; }
    const SVGLength& y1() const noexcept { return m_y1; }
    const SVGLength& x2() const noexcept { return m_x2; }
    const SVGLength& y2() const noexcept { return m_y2; }

private:
    SVGLength m_x1{PropertyID::X1, LengthDirection::Horizontal, LengthNegativeMode::Allow, 0.0f, LengthUnit::Percent};
    SVGLength m_y1{PropertyID::Y1, LengthDirection::Vertical, LengthNegativeMode::Allow, 0.0f, LengthUnit::Percent};
    SVGLength m_x2{PropertyID::X2, LengthDirection::Horizontal, LengthNegativeMode::Allow, 100.0f, LengthUnit::Percent};
    SVGLength m_y2{PropertyID::Y2, LengthDirection::Vertical, LengthNegativeMode::Allow, 0.0f, LengthUnit::Percent};
};

class SVGRadialGradientElement final : public SVGGradientElement {
public:
    explicit SVGRadialGradientElement(Document& document);
    bool applyPaint(const SVGRenderState& state, float opacity) const override;

    const SVGLength& cx() const noexcept { return m_cx; }
    const SVGLength& cy() const noexcept { return m_cy; }
    const SVGLength& r() const noexcept { return m_r; }
    const SVGLength& fx() const noexcept { return m_fx; }
    const SVGLength& fy() const noexcept { return m_fy; }

private:
    SVGLength m_cx{PropertyID::Cx, LengthDirection::Horizontal, LengthNegativeMode::Allow, 50.0f, LengthUnit::Percent};
    SVGLength m_cy{PropertyID::Cy, LengthDirection::Vertical, LengthNegativeMode::Allow, 50.0f, LengthUnit::Percent};
    SVGLength m_r{PropertyID::R, LengthDirection::Diagonal, LengthNegativeMode::Forbid, 50.0f, LengthUnit::Percent};
    SVGLength m_fx{PropertyID::Fx, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_fy{PropertyID::Fy, LengthDirection::Vertical, LengthNegativeMode::Allow};
};

class SVGPatternElement final : public SVGPaintElement, public SVGURIReference, public SVGFitToViewBox {
public:
    explicit SVGPatternElement(Document& document);
    bool applyPaint(const SVGRenderState& state, float opacity) const override;

    const SVGLength& x() const noexcept { return m_x; }
    const SVGLength& y() const noexcept { return m_y; }
    const SVGLength& width() const noexcept { return m_width; }
    const SVGLength& height() const noexcept { return m_height; }
    const SVGTransform& patternTransform() const noexcept { return m_patternTransform; }
    const SVGEnumeration<Units>& patternUnits() const noexcept { return m_patternUnits; }
    const SVGEnumeration<Units>& patternContentUnits() const noexcept { return m_patternContentUnits; }

private:
    SVGLength m_x{PropertyID::X, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_y{PropertyID::Y, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLength m_width{PropertyID::Width, LengthDirection::Horizontal, LengthNegativeMode::Forbid};
    SVGLength m_height{PropertyID::Height, LengthDirection::Vertical, LengthNegativeMode::Forbid};
    SVGTransform m_patternTransform{PropertyID::PatternTransform};
    SVGEnumeration<Units> m_patternUnits{PropertyID::PatternUnits, Units::ObjectBoundingBox};
    SVGEnumeration<Units> m_patternContentUnits{PropertyID::PatternContentUnits, Units::UserSpaceOnUse};
};

class SVGStopElement final : public SVGElement {
public:
    explicit SVGStopElement(Document& document);
    void layoutElement(const SVGLayoutState& state) override;

    const SVGNumberPercentage& offset() const noexcept { return m_offset; }

    std::uint32_t stopColor = 0xff000000u;  // 0xAARRGGBB, from the layout state
    float stopOpacity = 1.0f;

private:
    SVGNumberPercentage m_offset{PropertyID::Offset, 0.0f};
};

// For each gradient attribute, the element of the href chain that provides it (the server
// itself when none does).
struct GradientAttributes {
    const SVGGradientElement* gradientTransform = nullptr;
    const SVGGradientElement* gradientUnits = nullptr;
    const SVGGradientElement* spreadMethod = nullptr;
    const SVGElement* stops = nullptr;  // first element of the chain with a stop child
    // Geometry: only from an element of the server's own kind.
    const SVGLinearGradientElement* x1 = nullptr;
    const SVGLinearGradientElement* y1 = nullptr;
    const SVGLinearGradientElement* x2 = nullptr;
    const SVGLinearGradientElement* y2 = nullptr;
    const SVGRadialGradientElement* cx = nullptr;
    const SVGRadialGradientElement* cy = nullptr;
    const SVGRadialGradientElement* r = nullptr;
    const SVGRadialGradientElement* fx = nullptr;  // null when no element sets fx
    const SVGRadialGradientElement* fy = nullptr;  // null when no element sets fy
};

struct PatternAttributes {
    const SVGPatternElement* x = nullptr;
    const SVGPatternElement* y = nullptr;
    const SVGPatternElement* width = nullptr;
    const SVGPatternElement* height = nullptr;
    const SVGPatternElement* patternTransform = nullptr;
    const SVGPatternElement* patternUnits = nullptr;
    const SVGPatternElement* patternContentUnits = nullptr;
    const SVGPatternElement* viewBox = nullptr;
    const SVGPatternElement* preserveAspectRatio = nullptr;
    const SVGPatternElement* content = nullptr;  // first element of the chain with an element child; may stay null
};

GradientAttributes collectGradientAttributes(const SVGLinearGradientElement& gradient);
GradientAttributes collectRadialGradientAttributes(const SVGRadialGradientElement& gradient);
PatternAttributes collectPatternAttributes(const SVGPatternElement& pattern);

// The stop children of `holder` in document order, their alpha scaled by opacity.
GradientStops buildGradientStops(const SVGElement* holder, float opacity);

class Canvas;

// What a paint server needs of the render state it paints under. The state belongs to the
// render pass in the recorder, which installs these hooks; without them nothing paints.
struct PaintTarget {
    Canvas* canvas = nullptr;              // receives the paint
    Rect fillBox{0.0f, 0.0f, 0.0f, 0.0f};  // of the painted element; objectBoundingBox units map onto it
    Transform transform;                   // user space to device
};

struct PaintServerHooks {
    PaintTarget (*target)(const SVGRenderState& state) = nullptr;
    // Whether `element` is the element of the state or of a state above it.
    bool (*chainRenders)(const SVGRenderState& state, const SVGElement& element) = nullptr;
    // Draws the children of `holder` onto `canvas` under `transform`, in a layer state below `parent`.
    void (*renderContent)(const SVGElement& holder, const std::shared_ptr<Canvas>& canvas, const Transform& transform,
                          const SVGRenderState& parent) = nullptr;
};

// The table must outlive every render; it is read through an atomic pointer.
void setPaintServerHooks(const PaintServerHooks* hooks) noexcept;

}  // namespace pavrix_svg
