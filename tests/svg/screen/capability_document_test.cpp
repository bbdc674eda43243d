#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace pavrix_svg {
namespace {

bool hasReason(const Document& document, const std::string& reason) {
    const auto& reasons = document.reasons();
    return std::find(reasons.begin(), reasons.end(), reason) != reasons.end();
}

// An image href naming a local file is refused and never stored, so nothing reads the file.
TEST(CapabilityDocument, ImageHrefIsNeverSet) {
    for (const char* href : {"/etc/passwd", "image.png", "#local", "data:image/png;base64,AAAA"}) {
        const std::string text =
            std::string("<svg xmlns='http://www.w3.org/2000/svg'><image width='5' href='") + href + "'/></svg>";
        const std::unique_ptr<Document> document = loadDocumentFromString(text);
        ASSERT_TRUE(document) << href;
        EXPECT_TRUE(hasReason(*document, "unsupported_image")) << href;
        const SVGElement* root = document->rootElement();
        ASSERT_NE(root, nullptr);
        const SVGElement* image = root->firstElementChild();
        ASSERT_NE(image, nullptr);
        EXPECT_FALSE(hasAttribute(*image, PropertyID::Href)) << href;
    }
}

TEST(CapabilityDocument, ReasonsReachTheDocument) {
    const std::unique_ptr<Document> document = loadDocumentFromString(
        "<svg xmlns='http://www.w3.org/2000/svg'><rect width='10' height='10' x='3.5e38' onclick='x'/>"
        "<path d='M0 0 L1 1' fill='url(a.svg#p)'/></svg>");
    ASSERT_TRUE(document);
    EXPECT_TRUE(hasReason(*document, "unsupported_script"));
    // Deferred to the elements, not reported at once.
    EXPECT_FALSE(hasReason(*document, "unsupported_input_precision"));
    EXPECT_FALSE(hasReason(*document, "unsupported_external_resource"));
    const SVGElement* rect = document->rootElement()->firstElementChild();
    ASSERT_NE(rect, nullptr);
    EXPECT_FALSE(deferredCapabilities(*rect).empty());
}

}  // namespace
}  // namespace pavrix_svg
