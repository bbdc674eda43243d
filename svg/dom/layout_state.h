#pragma once

// Computed style of one element during the layout pass. A state is built from the parent's
// state and the element's attribute list (which already holds the CSS results), lives on the
// stack of the recursive layout and is never copied: text views in it point into the
// attribute values of the element or of one of its ancestors, which outlive the pass.

#include <cstdint>
#include <string_view>
#include <vector>

#include "svg/exact/alpha_classification.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {

class SVGElement;

// A paint value as written: the paint-server id (empty without url) and the colour
// (0xAARRGGBB) used without a server or as its fallback. A currentColor paint is inherited as
// the keyword: each element takes its own `color` for it.
struct LayoutPaint {
    std::string_view serverId;
    std::uint32_t color = 0;
    bool isCurrentColor = false;
};

// Byte values of the keyword properties (keyword tables of the layout pass).
namespace layout_keyword {
inline constexpr std::uint8_t kDisplayNone = 1;
inline constexpr std::uint8_t kVisibilityVisible = 0;
inline constexpr std::uint8_t kOverflowHidden = 1;
inline constexpr std::uint8_t kPointerEventsAuto = 1;

inline constexpr std::uint8_t kBaselineShiftBaseline = 0;
inline constexpr std::uint8_t kBaselineShiftSub = 1;
inline constexpr std::uint8_t kBaselineShiftSuper = 2;
inline constexpr std::uint8_t kBaselineShiftLength = 3;

// alignment-baseline values; dominant-baseline maps onto them for text layout.
inline constexpr std::uint8_t kAlignAuto = 0;
inline constexpr std::uint8_t kAlignBaseline = 1;
inline constexpr std::uint8_t kAlignBeforeEdge = 2;
inline constexpr std::uint8_t kAlignTextBeforeEdge = 3;
inline constexpr std::uint8_t kAlignMiddle = 4;
inline constexpr std::uint8_t kAlignCentral = 5;
inline constexpr std::uint8_t kAlignAfterEdge = 6;
inline constexpr std::uint8_t kAlignTextAfterEdge = 7;
inline constexpr std::uint8_t kAlignIdeographic = 8;
inline constexpr std::uint8_t kAlignAlphabetic = 9;
inline constexpr std::uint8_t kAlignHanging = 10;
inline constexpr std::uint8_t kAlignMathematical = 11;

inline constexpr std::uint8_t kDominantAuto = 0;
inline constexpr std::uint8_t kDominantUseScript = 1;
inline constexpr std::uint8_t kDominantNoChange = 2;
inline constexpr std::uint8_t kDominantResetSize = 3;

inline constexpr std::uint8_t kTextAnchorStart = 0;
inline constexpr std::uint8_t kTextAnchorMiddle = 1;
inline constexpr std::uint8_t kTextAnchorEnd = 2;

inline constexpr std::uint8_t kDirectionRtl = 1;
inline constexpr std::uint8_t kMaskTypeAlpha = 1;
inline constexpr std::uint8_t kVectorEffectNonScalingStroke = 1;
}  // namespace layout_keyword

struct SVGLayoutState {
    // The state of `element`, whose parent's state is `parent`.
    SVGLayoutState(const SVGLayoutState& parent, SVGElement* element);

    SVGLayoutState(const SVGLayoutState&) = delete;
    SVGLayoutState& operator=(const SVGLayoutState&) = delete;

    const SVGLayoutState* parent = nullptr;
    SVGElement* element = nullptr;

    LayoutPaint fill{{}, 0xff000000u};
    LayoutPaint stroke{{}, 0u};
    std::uint32_t color = 0xff000000u;
    std::uint32_t stopColor = 0xff000000u;  // reset

    float opacity = 1.0f;  // reset
    float fillOpacity = 1.0f;
    float strokeOpacity = 1.0f;
    double opacityExact = 1.0;  // reset
    double colorAlphaExact = 1.0;
    double fillAlphaExact = 1.0;
    double strokeAlphaExact = 0.0;
    double fillOpacityExact = 1.0;
    double strokeOpacityExact = 1.0;

    AlphaClass fillAlphaClass{0, 0};
    AlphaClass strokeAlphaClass{1, 0};
    AlphaClass colorAlphaClass{0, 0};
    AlphaClass fillOpacityAlphaClass{0, 0};
    AlphaClass strokeOpacityAlphaClass{0, 0};

    float stopOpacity = 1.0f;  // reset

    float miterLimit = 4.0f;
    std::string_view miterLimitText = "4";
    float fontSize = 12.0f;
    Length letterSpacing{0.0f, LengthUnit::None};
    Length wordSpacing{0.0f, LengthUnit::None};
    std::uint8_t baselineShiftKind = layout_keyword::kBaselineShiftBaseline;  // reset
    Length baselineShift{0.0f, LengthUnit::None};                             // reset
    Length strokeWidth{1.0f, LengthUnit::None};
    std::string_view strokeWidthText = "1";
    Length strokeDashoffset{0.0f, LengthUnit::None};
    std::string_view strokeDashoffsetText = "0";
    std::string_view strokeDasharrayText = "none";

    std::uint8_t lineCap = 0;
    std::uint8_t lineJoin = 0;
    std::uint8_t fillRule = 0;
    std::uint8_t clipRule = 0;
    std::uint8_t fontBold = 0;
    std::uint8_t fontItalic = 0;
    std::uint8_t alignmentBaseline = 0;  // reset
    std::uint8_t dominantBaseline = 0;
    std::uint8_t textAnchor = 0;
    std::uint8_t whiteSpace = 0;
    std::uint8_t writingMode = 0;
    std::uint8_t textOrientation = 0;
    std::uint8_t direction = 0;
    std::uint8_t display = 0;  // reset
    std::uint8_t visibility = 0;
    std::uint8_t overflow = 0;  // reset: hidden on viewport elements below the root
    std::uint8_t pointerEvents = layout_keyword::kPointerEventsAuto;
    std::uint8_t maskType = 0;      // reset
    std::uint8_t vectorEffect = 0;  // reset

    std::string_view maskId;      // reset
    std::string_view clipPathId;  // reset
    std::string_view markerStartId;
    std::string_view markerMidId;
    std::string_view markerEndId;
    std::string_view fontFamily;

    // Dash lengths as written (unresolved), inherited without copying.
    const std::vector<Length>& strokeDasharray() const noexcept { return *m_strokeDasharray; }

private:
    friend SVGLayoutState initLayoutState();
    struct RootParentTag {};
    explicit SVGLayoutState(RootParentTag) noexcept;

    void applyAttributes();
    // "inherit": the parent's computed value, the initial one at the root.
    void takeParentValue(PropertyID property) noexcept;

    // Only filled when this element sets stroke-dasharray; m_strokeDasharray points either
    // here or into an ancestor's state, which outlives this one.
    std::vector<Length> m_ownDasharray;
    const std::vector<Length>* m_strokeDasharray;
};

// The state the root element is laid out under: every field at its initial value.
SVGLayoutState initLayoutState();

// "url(#id)" or "url('#id')" / "url(\"#id\")" with optional white space. On success `id` is the
// id and `value` is advanced past ")"; otherwise false and both unchanged.
bool parseUrlReference(std::string_view& value, std::string_view& id) noexcept;

LayoutPaint parsePaint(std::string_view value, const SVGLayoutState& state, std::uint32_t fallbackColor) noexcept;
std::uint32_t parseColorOrDefault(std::string_view value, const SVGLayoutState& state,
                                  std::uint32_t defaultColor) noexcept;
AlphaClass paintAlphaClass(std::string_view value, const SVGLayoutState& state) noexcept;
double paintAlphaExact(std::string_view value, const SVGLayoutState& state) noexcept;

// "none" gives an empty list; a token that is not a non-negative length empties the list.
std::vector<Length> parseDashArray(std::string_view value);

// Byte of a keyword property for a trimmed value in any ASCII case: 0 for a value outside the
// table, 1 for pointer-events. Also 0 for a property without a keyword table.
std::uint8_t keywordValue(PropertyID property, std::string_view value) noexcept;

}  // namespace pavrix_svg
