#include "svg/dom/document.h"
#include "svg/exact/path_data_audit.h"
#include "svg/exact/path_data_reading.h"
#include "svg/dom/path_data_attribute.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_property.h"
#include "svg/dom/svg_svg_element.h"
#include "svg/exact/transform_audit.h"
#include "svg/exact/transform_reading.h"

namespace pavrix_svg {

namespace {

Attribute* findEntry(SVGElement& element, PropertyID id) noexcept {
    for (Attribute& attribute : element.attributes()) {
        if (attribute.id == id)
            return &attribute;
    }
    return nullptr;
}

// A path cost scan decides before the property sees the value; false when it refuses.
bool chargePathScan(SVGElement& element, const PathScanResult& scan, std::uint64_t count, std::uint64_t cost) {
    Document& document = element.document();
    if (scan.too_complex) {
        document.addReason("unsupported_complexity");
        return false;
    }
    if (!scan.valid) {
        document.addReason("unsupported_attribute_value");
        return false;
    }
    if (!document.chargePathData(count, cost)) {
        // Dropping the value silently would let a truncated document pass as supported.
        document.addReason("unsupported_complexity");
        return false;
    }
    return true;
}

// The element takes a `d` value read once for every reader.
bool takePathData(SVGElement& element, PathDataAttribute&& read) {
    element.markForLayout();
    element.exactPathOperands.reset();
    PathDataReading& reading = read.reading;
    if (!chargePathScan(element, reading.scan, reading.scan.segments, reading.scan.points))
        return false;
    static_cast<SVGPath*>(element.findProperty(PropertyID::D))->assign(std::move(read.path));
    element.relativePathOperationCount = reading.relativePathOperationCount;
    element.pathInputPrecisionError = reading.precision.error;
    element.pathInputPrecisionErrorX = reading.precision.errorX;
    element.pathInputPrecisionErrorY = reading.precision.errorY;
    element.pathHasLoweredCurve = reading.precision.hasLoweredCurve;
    element.strokeDirectionInputAmbiguous = reading.precision.strokeDirectionAmbiguous;
    element.isolatedStrokeDirectionInputAmbiguous = reading.precision.isolatedStrokeDirectionAmbiguous;
    element.subpathAreaPotential = std::move(reading.subpathAreaPotential);
    element.exactPathOperands = std::make_unique<ExactPathOperands>(std::move(reading.exact));
    return true;
}

// Stores the value unless a stronger one is stored; `parse` parses it into the element.
template <typename Parse>
bool storeAttribute(SVGElement& element, std::int32_t specificity, PropertyID id, std::string_view value, Parse parse) {
    Attribute* entry = findEntry(element, id);
    if (entry == nullptr) {
        parse();
        AttributeList& attributes = element.attributes();
        attributes.push_front(Attribute{specificity, id, std::pmr::string(value, attributes.get_allocator())});
        return true;
    }
    if (specificity < entry->specificity)
        return false;
    parse();
    entry->specificity = specificity;
    entry->value.assign(value);
    return true;
}

}  // namespace

std::string_view findAttribute(const SVGElement& element, PropertyID id) noexcept {
    for (const Attribute& attribute : element.attributes()) {
        if (attribute.id == id)
            return attribute.value;
    }
    return {};
}

bool hasAttribute(const SVGElement& element, PropertyID id) noexcept {
    for (const Attribute& attribute : element.attributes()) {
        if (attribute.id == id)
            return true;
    }
    return false;
}

std::string_view getAttribute(const SVGElement& element, std::string_view name) noexcept {
    const PropertyID id = propertyIdFromName(name);
    if (id == PropertyID::Unknown)
        return {};
    return findAttribute(element, id);
}

bool setAttribute(SVGElement& element, std::int32_t specificity, PropertyID id, std::string_view value) {
    return storeAttribute(element, specificity, id, value, [&] { element.parseAttribute(id, value); });
}

std::optional<PathDataAttribute> readPathDataAttribute(SVGElement& element, std::string_view value) {
    auto* property = static_cast<SVGPath*>(element.findProperty(PropertyID::D));
    if (property == nullptr)
        return std::nullopt;
    pavrix_graphics::VectorPath* record = property->createRecord();
    // The handle owns the record, which stays unshared while it is read into.
    std::optional<PathDataAttribute> read(std::in_place, PathDataAttribute{Path(record), {}});
    if (record == nullptr || !readPathDataOnce(value, record, read->reading))
        return std::nullopt;
    return read;
}

bool setPathDataAttribute(SVGElement& element, std::int32_t specificity, std::string_view value,
                          PathDataAttribute&& read) {
    return storeAttribute(element, specificity, PropertyID::D, value, [&] { takePathData(element, std::move(read)); });
}

void copyAttributes(SVGElement& target, const AttributeList& source) {
    // The list is newest first; replaying it oldest first keeps the copy's order.
    std::vector<const Attribute*> entries;
    for (const Attribute& attribute : source)
        entries.push_back(&attribute);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        setAttribute(target, (*it)->specificity, (*it)->id, (*it)->value);
}

bool SVGElement::parseAttribute(PropertyID id, std::string_view value) {
    markForLayout();
    Document& document = this->document();
    if (id == PropertyID::D) {
        exactPathOperands.reset();
        if (std::optional<PathDataAttribute> read = readPathDataAttribute(*this, value))
            return takePathData(*this, std::move(*read));
    }
    switch (id) {
    case PropertyID::D: {
        const PathScanResult scan = scanPathDataComplexity(value);
        if (!chargePathScan(*this, scan, scan.segments, scan.points))
            return false;
        break;
    }
    case PropertyID::Points: {
        const PathScanResult scan = scanPointsComplexity(value);
        if (!chargePathScan(*this, scan, scan.points, scan.points))
            return false;
        break;
    }
    case PropertyID::Transform:
        exactTransform.reset();
        if (!document.chargeTransform(value.size())) {
            document.addReason("unsupported_complexity");
            return false;
        }
        if (auto* property = static_cast<SVGTransform*>(findProperty(id))) {
            // Read once for every reader; text the float parser refuses goes the long way below.
            pavrix_graphics::AffineMatrix matrix;
            TransformReading reading;
            if (readTransformOnce(value, matrix, reading)) {
                property->assign(Transform(matrix));
                transformOperationCount = reading.operationCount;
                transformLinearPrecisionError = reading.precision.linear;
                transformTranslationPrecisionError = reading.precision.translation;
                exactTransform = reading.exact;
                return true;
            }
        }
        break;
    default:
        break;
    }
    SVGProperty* property = findProperty(id);
    if (property == nullptr)
        return false;
    if (!property->parse(value)) {
        document.addReason("unsupported_attribute_value");
        return false;
    }
    if (id == PropertyID::Transform) {
        transformOperationCount = countTransformOperations(value);
        const TransformPrecision precision = analyzeTransformPrecision(value);
        transformLinearPrecisionError = precision.linear;
        transformTranslationPrecisionError = precision.translation;
    } else if (id == PropertyID::D) {
        relativePathOperationCount = countPathDataItems(value);
        const PathPrecision precision = analyzePathDataPrecision(value);
        pathInputPrecisionError = precision.error;
        pathInputPrecisionErrorX = precision.errorX;
        pathInputPrecisionErrorY = precision.errorY;
        pathHasLoweredCurve = precision.hasLoweredCurve;
        strokeDirectionInputAmbiguous = precision.strokeDirectionAmbiguous;
        isolatedStrokeDirectionInputAmbiguous = precision.isolatedStrokeDirectionAmbiguous;
        subpathAreaPotential = subpathFlagsOf(value);
    }
    return true;
}

SVGElement* resolveLocalReference(std::string_view value, const Document& document) noexcept {
    if (value.empty() || value.front() != '#')
        return nullptr;
    const SVGRootElement* root = document.rootElement();
    if (root == nullptr)
        return nullptr;
    return getElementById(*root, value.substr(1));
}

}  // namespace pavrix_svg
