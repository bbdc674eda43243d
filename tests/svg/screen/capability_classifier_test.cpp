#include "svg/screen/capability_classifier.h"
#include "svg/screen/color_syntax_check.h"

#include <gtest/gtest.h>

#include <string>

namespace pavrix_svg {
namespace {

struct Case {
    const char* name;
    std::string value;
    bool known;
    bool styleElement;
    bool imageElement;
    bool css;
    const char* reason;
    bool needsColorCheck;
};

// Attribute on an ordinary element.
Case attr(const char* name, std::string value, bool known, const char* reason, bool check = false) {
    return Case{name, std::move(value), known, false, false, false, reason, check};
}

Case styleAttr(const char* name, std::string value, const char* reason) {
    return Case{name, std::move(value), false, true, false, false, reason, false};
}

Case imageAttr(const char* name, std::string value, const char* reason) {
    return Case{name, std::move(value), true, false, true, false, reason, false};
}

Case css(const char* name, std::string value, bool known, const char* reason, bool check = false) {
    return Case{name, std::move(value), known, false, false, true, reason, check};
}

class ClassifierRules : public ::testing::TestWithParam<Case> {};

TEST_P(ClassifierRules, Verdict) {
    const Case& c = GetParam();
    const CapabilityVerdict verdict =
        checkAttributeCapability(c.name, c.value, c.known, c.styleElement, c.imageElement, c.css);
    EXPECT_EQ(verdict.reason, c.reason) << c.name << "=\"" << c.value << "\"";
    EXPECT_EQ(verdict.needsColorCheck, c.needsColorCheck) << c.name << "=\"" << c.value << "\"";
}

INSTANTIATE_TEST_SUITE_P(StyleElement, ClassifierRules,
                         ::testing::Values(styleAttr("media", "screen", "unsupported_css_media"),
                                           styleAttr("media", " all ", ""), styleAttr("media", "", ""),
                                           styleAttr("type", "text/plain", "unsupported_css_type"),
                                           styleAttr("type", "text/css", ""),
                                           styleAttr("scoped", "", "unsupported_css_scope"),
                                           attr("media", "screen", false, ""),  // only on style elements
                                           attr("scoped", "", false, "")));

INSTANTIATE_TEST_SUITE_P(
    Resources, ClassifierRules,
    ::testing::Values(attr("systemLanguage", "en", false, "unsupported_conditional_processing"),
                      attr("requiredFeatures", "", false, "unsupported_conditional_processing"),
                      attr("requiredExtensions", "x", false, "unsupported_conditional_processing"),
                      attr("pathLength", "10", false, "unsupported_path_length"),
                      // Every image href is refused first, local files and embedded payloads alike.
                      imageAttr("href", "#a", "unsupported_image"),
                      imageAttr("xlink:href", "a.png", "unsupported_image"),
                      imageAttr("href", "/etc/passwd", "unsupported_image"),
                      imageAttr("href", "data:image/png;base64,AAAA", "unsupported_image"),
                      imageAttr("href", "", "unsupported_image"), imageAttr("width", "10", ""),
                      attr("xml:base", "http://x/", false, "unsupported_external_resource"),
                      attr("href", "#a", true, ""), attr("href", "  #a", true, ""), attr("href", "", true, ""),
                      attr("href", " \t", true, ""), attr("href", "a.png", true, "unsupported_external_resource"),
                      attr("xlink:href", " a.svg#x", true, "unsupported_external_resource"),
                      attr("fill", "url(a.svg#x)", true, "unsupported_external_resource"),
                      attr("fill", "URL( 'a.svg#x')", true, "unsupported_external_resource"),
                      attr("filter", "url(http://x/f)", true, "unsupported_external_resource"),
                      attr("foo", "uRl(\"x\")", false, "unsupported_external_resource"),
                      // Only the first url( counts.
                      attr("foo", "url(#a) url(b.svg)", false, ""),
                      attr("onload", "url(a.js)", false, "unsupported_external_resource"),
                      attr("marker-start", "url(#m)", true, "")));

INSTANTIATE_TEST_SUITE_P(CssDeclarations, ClassifierRules,
                         ::testing::Values(css("width", "10", false, "unsupported_css_property"),
                                           css("transform", "none", false, "unsupported_css_property"),
                                           css("transform", "inherit", false, "unsupported_css_property"),
                                           css("offset-path", "none", false, "unsupported_css_property"),
                                           css("motion-path", "none", false, "unsupported_css_property"),
                                           css("all", "initial", false, "unsupported_css_property"),
                                           css("foo", "bar", false, ""), css("fill", "red", true, "", true),
                                           css("fill", "inherit", true, ""),
                                           attr("width", "10", true, "")));  // an attribute, not a declaration

INSTANTIATE_TEST_SUITE_P(Inherit, ClassifierRules,
                         ::testing::Values(attr("fill", "inherit", true, ""), attr("stroke", " inherit ", true, ""),
                                           attr("clip-path", "inherit", true, ""),
                                           attr("fill-rule", "inherit", true, ""),
                                           // Without a PropertyID "inherit" is an ordinary value.
                                           attr("vector-effect", "inherit", false, "unsupported_vector_effect")));

INSTANTIATE_TEST_SUITE_P(FloatRange, ClassifierRules,
                         ::testing::Values(attr("x", "3.5e38", true, "unsupported_input_precision"),
                                           attr("x", "1e-39", true, "unsupported_input_precision"),
                                           attr("x", "0", true, ""), attr("x", "2e-38", true, ""),
                                           attr("x", "3.4e38", true, ""), attr("rx", "1e999", true, ""),
                                           attr("d", "M0 0 L1e39 0", true, "unsupported_input_precision"),
                                           attr("transform", "scale(1e-40)", true, "unsupported_input_precision"),
                                           attr("viewBox", "0 0 1e40 1", true, "unsupported_input_precision"),
                                           attr("stroke-width", "1e39", true, "unsupported_input_precision"),
                                           attr("width", "2em", true, ""),
                                           attr("opacity", "1e-50", true, "")));  // not a geometry attribute

INSTANTIATE_TEST_SUITE_P(
    Colours, ClassifierRules,
    ::testing::Values(attr("fill", "url(#g)", true, "unsupported_paint_server"),
                      attr("stroke", "url( '#g' ) red", true, "unsupported_paint_server"),
                      attr("stop-color", "url(#a)", true, "unsupported_paint_server"),
                      attr("fill", "", true, "unsupported_color_syntax"),
                      attr("fill", "   ", true, "unsupported_color_syntax"), attr("stroke", "none", true, ""),
                      attr("color", "none", true, "", true),  // "none" is no colour keyword for color
                      attr("color", "currentColor", true, ""), attr("fill", "currentcolor", true, "", true),
                      attr("fill", "red", true, "", true), attr("flood-color", "red", false, "", true),
                      attr("lighting-color", "#fff", false, "", true)));

INSTANTIATE_TEST_SUITE_P(
    Keywords, ClassifierRules,
    ::testing::Values(
        attr("vector-effect", "non-scaling-stroke", true, ""), attr("vector-effect", " none", true, ""),
        attr("vector-effect", "fixed-position", true, "unsupported_vector_effect"),
        attr("paint-order", "normal", false, ""), attr("paint-order", "stroke", false, "unsupported_paint_order"),
        attr("filter", "none", false, ""), attr("filter", "blur(2px)", false, "unsupported_filter"),
        attr("backdrop-filter", "blur(2px)", false, "unsupported_filter"), attr("mask", "none", true, ""),
        attr("mask", "url(#m)", true, "unsupported_mask"), attr("mix-blend-mode", "normal", false, ""),
        attr("mix-blend-mode", "multiply", false, "unsupported_blend_mode"), attr("isolation", "auto", false, ""),
        attr("isolation", "isolate", false, "unsupported_blend_mode"), attr("color-interpolation", "sRGB", false, ""),
        attr("color-interpolation", "linearRGB", false, "unsupported_color_interpolation"),
        attr("onload", "alert(1)", false, "unsupported_script"), attr("on", "", false, "unsupported_script"),
        attr("o", "", false, ""), attr("clip-path", "none", true, ""), attr("clip-path", "url(#c)", true, ""),
        attr("clip-path", " url ( \"#c\" ) ", true, ""), attr("clip-path", "url('#a b')", true, ""),
        attr("clip-path", "url(#)", true, "unsupported_clip_path"),
        attr("clip-path", "url(#c) x", true, "unsupported_clip_path"),
        attr("clip-path", "url('#c)", true, "unsupported_clip_path"),
        attr("clip-path", "URL(#c)", true, "unsupported_clip_path"),
        attr("clip-path", "circle(5px)", true, "unsupported_clip_path"), attr("fill-rule", "evenodd", true, ""),
        attr("fill-rule", "EVENODD", true, "unsupported_property_value"), attr("clip-rule", "nonzero", true, ""),
        attr("display", "inline", true, ""), attr("display", "block", true, "unsupported_property_value"),
        attr("visibility", "collapse", true, ""), attr("overflow", "scroll", true, "unsupported_property_value"),
        attr("stroke-linecap", "square", true, ""),
        attr("stroke-linejoin", "miter-clip", true, "unsupported_property_value"),
        attr("pointer-events", "visibleFill", true, ""),
        attr("pointer-events", "foo", true, "unsupported_property_value")));

INSTANTIATE_TEST_SUITE_P(
    StrokeValues, ClassifierRules,
    ::testing::Values(attr("stroke-width", "-1", true, "unsupported_property_value"),
                      attr("stroke-width", "1px", true, ""), attr("stroke-width", " 1% ", true, ""),
                      attr("stroke-width", "2em", true, ""),
                      attr("stroke-width", "1 px", true, "unsupported_property_value"),
                      attr("stroke-width", "1PX", true, "unsupported_property_value"),
                      attr("stroke-width", "", true, "unsupported_property_value"),
                      attr("stroke-dashoffset", "-1px", true, ""), attr("stroke-dasharray", "5, 3 2", true, ""),
                      attr("stroke-dasharray", "5px 3mm", true, ""), attr("stroke-dasharray", "none", true, ""),
                      attr("stroke-dasharray", "5,,3", true, "unsupported_property_value"),
                      attr("stroke-dasharray", "5,", true, "unsupported_property_value"),
                      attr("stroke-dasharray", ",5", true, "unsupported_property_value"),
                      attr("stroke-dasharray", "5 -3", true, "unsupported_property_value"),
                      attr("stroke-dasharray", "", true, "unsupported_property_value"),
                      attr("stroke-miterlimit", "0.5", true, "unsupported_property_value"),
                      attr("stroke-miterlimit", "1", true, ""),
                      attr("stroke-miterlimit", "4px", true, "unsupported_property_value")));

INSTANTIATE_TEST_SUITE_P(Opacity, ClassifierRules,
                         ::testing::Values(attr("opacity", "50%", true, ""),
                                           attr("opacity", "0.5.5", true, "unsupported_property_value"),
                                           attr("opacity", "abc", true, "unsupported_property_value"),
                                           attr("opacity", "-2", true, ""),  // no range imposed
                                           attr("fill-opacity", "1e999", true, "unsupported_property_value"),
                                           attr("stroke-opacity", "0.25", true, ""),
                                           attr("stop-opacity", "0.5", true, "unsupported_partial_alpha"),
                                           attr("stop-opacity", "50%", true, "unsupported_partial_alpha"),
                                           attr("stop-opacity", "0.5.5", true, "unsupported_property_value"),
                                           attr("stop-opacity", "1", true, ""), attr("stop-opacity", "100%", true, ""),
                                           attr("stop-opacity", "0", true, ""), attr("stop-opacity", "-0.5", true, ""),
                                           attr("stop-opacity", "1.0e0", true, ""),
                                           attr("stop-opacity", "10e-1", true, ""), attr("foo", "bar", false, "")));

TEST(CapabilityNames, Deferrable) {
    EXPECT_TRUE(isDeferrableAttribute("fill"));
    EXPECT_TRUE(isDeferrableAttribute("x"));  // an unsupported CSS property name
    EXPECT_TRUE(isDeferrableAttribute("requiredFeatures"));
    EXPECT_TRUE(isDeferrableAttribute("pathLength"));
    EXPECT_TRUE(isDeferrableAttribute("filter"));
    EXPECT_FALSE(isDeferrableAttribute("id"));
    EXPECT_FALSE(isDeferrableAttribute("onload"));
    EXPECT_FALSE(isDeferrableAttribute("xml:base"));
    EXPECT_FALSE(isDeferrableAttribute("href"));
    EXPECT_TRUE(isDeferrableCssName("foo", true));
    EXPECT_FALSE(isDeferrableCssName("foo", false));
    EXPECT_TRUE(isDeferrableCssName("all", false));
    EXPECT_TRUE(isDeferrableCssName("offset-path", false));
    EXPECT_TRUE(isDeferrableCssName("color-interpolation", false));
    EXPECT_FALSE(isDeferrableCssName("requiredFeatures", false));
}

TEST(CapabilityNames, Tables) {
    EXPECT_TRUE(isUnsupportedCssPropertyName("stroke-alignment"));
    EXPECT_TRUE(isUnsupportedCssPropertyName("motion-"));
    EXPECT_FALSE(isUnsupportedCssPropertyName("offset"));
    EXPECT_FALSE(isUnsupportedCssPropertyName("fill"));
    EXPECT_TRUE(isNumericGeometryAttribute("stroke-miterlimit"));
    EXPECT_TRUE(isNumericGeometryAttribute("viewBox"));
    EXPECT_FALSE(isNumericGeometryAttribute("viewbox"));
    EXPECT_FALSE(isNumericGeometryAttribute("opacity"));
}

TEST(ColorSyntaxCheck, RunsWhenAsked) {
    EXPECT_EQ(capabilityReason("fill", "red", true, false, false, false), "");
    EXPECT_EQ(capabilityReason("fill", " #fff ", true, false, false, false), "");
    EXPECT_EQ(capabilityReason("fill", "notacolor", true, false, false, false), "unsupported_color_syntax");
    EXPECT_EQ(capabilityReason("fill", "red blue", true, false, false, false), "unsupported_color_syntax");
    EXPECT_EQ(capabilityReason("fill", "url(#g)", true, false, false, false), "unsupported_paint_server");
    // No check asked: the value is not given to the colour parser.
    EXPECT_EQ(capabilityReason("foo", "notacolor", false, false, false, false), "");
    EXPECT_FALSE(colorParsesWhole(""));
}

}  // namespace
}  // namespace pavrix_svg
