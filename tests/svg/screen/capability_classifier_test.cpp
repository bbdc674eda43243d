#include "svg/screen/capability_classifier.h"
#include "svg/screen/color_syntax_check.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace pavrix_svg {
namespace {

// Rows default to an attribute on an ordinary element; the helpers below set the other owners.
struct Case {
    const char* name;
    std::string value;
    bool known;
    const char* reason;
    bool needsColorCheck = false;
    bool styleElement = false;
    bool imageElement = false;
    bool css = false;
};

const auto styleAttr = [](const char* n, std::string v, const char* r) { return Case{n, v, false, r, false, true}; };
const auto imageAttr = [](const char* n, std::string v, const char* r) {
    return Case{n, v, true, r, false, false, true};
};
const auto css = [](const char* n, std::string v, bool known, const char* r, bool check = false) {
    return Case{n, v, known, r, check, false, false, true};
};

class ClassifierRules : public ::testing::TestWithParam<Case> {};

TEST_P(ClassifierRules, Verdict) {
    const Case& c = GetParam();
    SCOPED_TRACE(std::string(c.name) + "=\"" + c.value + "\"");
    const CapabilityVerdict verdict =
        checkAttributeCapability(c.name, c.value, c.known, c.styleElement, c.imageElement, c.css);
    EXPECT_EQ(verdict.reason, c.reason);
    EXPECT_EQ(verdict.needsColorCheck, c.needsColorCheck);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ClassifierRules,
    ::testing::Values(
        // Style elements.
        styleAttr("media", "screen", "unsupported_css_media"), styleAttr("media", " all ", ""),
        styleAttr("media", "", ""), styleAttr("type", "text/plain", "unsupported_css_type"),
        styleAttr("type", "text/css", ""), styleAttr("scoped", "", "unsupported_css_scope"),
        Case{"media", "screen", false, ""},  // only on style elements
        Case{"scoped", "", false, ""},
        // Resources.
        Case{"systemLanguage", "en", false, "unsupported_conditional_processing"},
        Case{"requiredFeatures", "", false, "unsupported_conditional_processing"},
        Case{"requiredExtensions", "x", false, "unsupported_conditional_processing"},
        Case{"pathLength", "10", false, "unsupported_path_length"},
        // Every image href is refused first, local files and embedded payloads alike.
        imageAttr("href", "#a", "unsupported_image"), imageAttr("xlink:href", "a.png", "unsupported_image"),
        imageAttr("href", "/etc/passwd", "unsupported_image"),
        imageAttr("href", "data:image/png;base64,AAAA", "unsupported_image"),
        imageAttr("href", "", "unsupported_image"), imageAttr("width", "10", ""),
        Case{"xml:base", "http://x/", false, "unsupported_external_resource"}, Case{"href", "#a", true, ""},
        Case{"href", "  #a", true, ""}, Case{"href", "", true, ""}, Case{"href", " \t", true, ""},
        Case{"href", "a.png", true, "unsupported_external_resource"},
        Case{"xlink:href", " a.svg#x", true, "unsupported_external_resource"},
        Case{"fill", "url(a.svg#x)", true, "unsupported_external_resource"},
        Case{"fill", "URL( 'a.svg#x')", true, "unsupported_external_resource"},
        Case{"filter", "url(http://x/f)", true, "unsupported_external_resource"},
        Case{"foo", "uRl(\"x\")", false, "unsupported_external_resource"},
        // Only the first url( counts.
        Case{"foo", "url(#a) url(b.svg)", false, ""},
        Case{"onload", "url(a.js)", false, "unsupported_external_resource"}, Case{"marker-start", "url(#m)", true, ""},
        // CSS declarations.
        css("width", "10", false, "unsupported_css_property"),
        css("transform", "none", false, "unsupported_css_property"),
        css("transform", "inherit", false, "unsupported_css_property"),
        css("offset-path", "none", false, "unsupported_css_property"),
        css("motion-path", "none", false, "unsupported_css_property"),
        css("all", "initial", false, "unsupported_css_property"), css("foo", "bar", false, ""),
        // The presentation attribute of the same property; other unknown attributes pass.
        Case{"transform-origin", "10 10", false, "unsupported_css_property"}, Case{"transform-box", "x", false, ""},
        css("fill", "red", true, "", true), css("fill", "inherit", true, ""),
        Case{"width", "10", true, ""},  // an attribute, not a declaration
        // Inherit.
        Case{"fill", "inherit", true, ""}, Case{"stroke", " inherit ", true, ""},
        Case{"clip-path", "inherit", true, ""}, Case{"fill-rule", "inherit", true, ""},
        Case{"fill", "INHERIT", true, ""}, Case{"opacity", "Inherit", true, ""},
        // Without a PropertyID "inherit" is an ordinary value.
        Case{"vector-effect", "inherit", false, "unsupported_vector_effect"},
        // Float range.
        Case{"x", "3.5e38", true, "unsupported_input_precision"},
        Case{"x", "1e-39", true, "unsupported_input_precision"}, Case{"x", "0", true, ""}, Case{"x", "2e-38", true, ""},
        Case{"x", "3.4e38", true, ""}, Case{"rx", "1e999", true, ""},
        Case{"d", "M0 0 L1e39 0", true, "unsupported_input_precision"},
        Case{"transform", "scale(1e-40)", true, "unsupported_input_precision"},
        Case{"viewBox", "0 0 1e40 1", true, "unsupported_input_precision"},
        Case{"stroke-width", "1e39", true, "unsupported_input_precision"}, Case{"width", "2em", true, ""},
        Case{"opacity", "1e-50", true, ""},  // not a geometry attribute
        // Colours.
        Case{"fill", "url(#g)", true, "unsupported_paint_server"},
        Case{"stroke", "url( '#g' ) red", true, "unsupported_paint_server"},
        Case{"stop-color", "url(#a)", true, "unsupported_paint_server"},
        Case{"fill", "", true, "unsupported_color_syntax"}, Case{"fill", "   ", true, "unsupported_color_syntax"},
        Case{"stroke", "none", true, ""},
        Case{"color", "none", true, "", true},  // "none" is no colour keyword for color
        Case{"color", "currentColor", true, ""}, Case{"fill", "currentcolor", true, ""},
        Case{"fill", "red", true, "", true}, Case{"flood-color", "red", false, "", true},
        Case{"lighting-color", "#fff", false, "", true},
        // Keywords.
        Case{"vector-effect", "non-scaling-stroke", true, ""}, Case{"vector-effect", " none", true, ""},
        Case{"vector-effect", "fixed-position", true, "unsupported_vector_effect"},
        Case{"paint-order", "normal", false, ""}, Case{"paint-order", "stroke", false, "unsupported_paint_order"},
        Case{"filter", "none", false, ""}, Case{"filter", "blur(2px)", false, "unsupported_filter"},
        Case{"backdrop-filter", "blur(2px)", false, "unsupported_filter"}, Case{"mask", "none", true, ""},
        Case{"mask", "url(#m)", true, "unsupported_mask"}, Case{"mix-blend-mode", "normal", false, ""},
        Case{"mix-blend-mode", "multiply", false, "unsupported_blend_mode"}, Case{"isolation", "auto", false, ""},
        Case{"isolation", "isolate", false, "unsupported_blend_mode"}, Case{"color-interpolation", "sRGB", false, ""},
        Case{"color-interpolation", "linearRGB", false, "unsupported_color_interpolation"},
        Case{"onload", "alert(1)", false, "unsupported_script"}, Case{"on", "", false, "unsupported_script"},
        Case{"o", "", false, ""}, Case{"clip-path", "none", true, ""}, Case{"clip-path", "url(#c)", true, ""},
        Case{"clip-path", " url ( \"#c\" ) ", true, ""}, Case{"clip-path", "url('#a b')", true, ""},
        Case{"clip-path", "url(#)", true, "unsupported_clip_path"},
        Case{"clip-path", "url(#c) x", true, "unsupported_clip_path"},
        Case{"clip-path", "url('#c)", true, "unsupported_clip_path"}, Case{"clip-path", "URL(#c)", true, ""},
        Case{"clip-path", "NONE", true, ""}, Case{"clip-path", "circle(5px)", true, "unsupported_clip_path"},
        Case{"fill-rule", "evenodd", true, ""}, Case{"fill-rule", "EVENODD", true, ""},
        Case{"clip-rule", "nonzero", true, ""}, Case{"display", "inline", true, ""},
        Case{"display", "block", true, "unsupported_property_value"}, Case{"visibility", "collapse", true, ""},
        Case{"overflow", "scroll", true, "unsupported_property_value"}, Case{"stroke-linecap", "square", true, ""},
        Case{"stroke-linecap", "ROUND", true, ""}, Case{"fill", "None", true, ""},
        Case{"stroke", "CURRENTCOLOR", true, ""}, Case{"vector-effect", "Non-Scaling-Stroke", true, ""},
        Case{"pointer-events", "ALL", true, ""}, Case{"stroke-dasharray", "NONE", true, ""},
        Case{"stroke-linejoin", "miter-clip", true, "unsupported_property_value"},
        Case{"pointer-events", "visibleFill", true, ""},
        Case{"pointer-events", "foo", true, "unsupported_property_value"},
        // Stroke values.
        Case{"stroke-width", "-1", true, "unsupported_property_value"}, Case{"stroke-width", "1px", true, ""},
        Case{"stroke-width", " 1% ", true, ""}, Case{"stroke-width", "2em", true, ""},
        Case{"stroke-width", "1 px", true, "unsupported_property_value"},
        Case{"stroke-width", "1PX", true, "unsupported_property_value"},
        Case{"stroke-width", "", true, "unsupported_property_value"}, Case{"stroke-dashoffset", "-1px", true, ""},
        Case{"stroke-dasharray", "5, 3 2", true, ""}, Case{"stroke-dasharray", "5px 3mm", true, ""},
        Case{"stroke-dasharray", "none", true, ""},
        Case{"stroke-dasharray", "5,,3", true, "unsupported_property_value"},
        Case{"stroke-dasharray", "5,", true, "unsupported_property_value"},
        Case{"stroke-dasharray", ",5", true, "unsupported_property_value"},
        Case{"stroke-dasharray", "5 -3", true, "unsupported_property_value"},
        Case{"stroke-dasharray", "", true, "unsupported_property_value"},
        Case{"stroke-miterlimit", "0.5", true, "unsupported_property_value"}, Case{"stroke-miterlimit", "1", true, ""},
        Case{"stroke-miterlimit", "4px", true, "unsupported_property_value"},
        // Opacity.
        Case{"opacity", "50%", true, ""}, Case{"opacity", "0.5.5", true, "unsupported_property_value"},
        Case{"opacity", "abc", true, "unsupported_property_value"},
        Case{"opacity", "-2", true, ""},  // no range imposed
        Case{"fill-opacity", "1e999", true, "unsupported_property_value"}, Case{"stroke-opacity", "0.25", true, ""},
        Case{"stop-opacity", "0.5", true, "unsupported_partial_alpha"},
        Case{"stop-opacity", "50%", true, "unsupported_partial_alpha"},
        Case{"stop-opacity", "0.5.5", true, "unsupported_property_value"}, Case{"stop-opacity", "1", true, ""},
        Case{"stop-opacity", "100%", true, ""}, Case{"stop-opacity", "0", true, ""},
        Case{"stop-opacity", "-0.5", true, ""}, Case{"stop-opacity", "1.0e0", true, ""},
        Case{"stop-opacity", "10e-1", true, ""}, Case{"foo", "bar", false, ""}));

TEST(CapabilityNames, DeferrableAndTables) {
    const auto expectAll = [](auto predicate, std::initializer_list<const char*> names, bool expected) {
        for (const char* name : names)
            EXPECT_EQ(predicate(name), expected) << name;
    };
    // "x" is an unsupported CSS property name.
    expectAll(isDeferrableAttribute, {"fill", "x", "requiredFeatures", "pathLength", "filter"}, true);
    expectAll(isDeferrableAttribute, {"id", "onload", "xml:base", "href"}, false);
    EXPECT_TRUE(isDeferrableCssName("foo", true));
    const auto deferrableNonProperty = [](const char* name) { return isDeferrableCssName(name, false); };
    expectAll(deferrableNonProperty, {"all", "offset-path", "color-interpolation"}, true);
    expectAll(deferrableNonProperty, {"foo", "requiredFeatures"}, false);
    expectAll(isUnsupportedCssPropertyName, {"stroke-alignment", "motion-"}, true);
    expectAll(isUnsupportedCssPropertyName, {"offset", "fill"}, false);
    expectAll(isNumericGeometryAttribute, {"stroke-miterlimit", "viewBox"}, true);
    expectAll(isNumericGeometryAttribute, {"viewbox", "opacity"}, false);
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
