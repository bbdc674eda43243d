#include "svg/dom/document.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

namespace {

constexpr std::uint64_t kCounterMax = std::numeric_limits<std::uint64_t>::max();

// a + b without wrapping; false when the sum would overflow.
bool addsWithoutOverflow(std::uint64_t a, std::uint64_t b) noexcept {
    return b <= kCounterMax - a;
}

}  // namespace

Document::Document() = default;
Document::~Document() = default;

void Document::resetRoot(std::unique_ptr<SVGRootElement> root) {
    m_root = std::move(root);
}

SVGElement* Document::documentElement() const noexcept {
    return m_root.get();
}

std::string Document::getAttributeByName(const SVGElement* handle, std::string_view name) const {
    if (!handle)
        return {};
    return std::string(getAttribute(*handle, name));
}

void Document::addReason(std::string_view code) {
    if (std::find(m_reasons.begin(), m_reasons.end(), code) == m_reasons.end())
        m_reasons.emplace_back(code);
}

void Document::throwElementCapacity() {
    throw std::length_error("svg_element_capacity");
}

void Document::checkElementDepth(std::uint64_t depth) {
    if (depth > kMaxElementDepth)
        throwElementCapacity();
}

bool Document::enterUseExpansion() noexcept {
    if (m_useExpansionDepth == kCounterMax || m_useExpansionTotal == kCounterMax)
        return false;
    ++m_useExpansionDepth;
    ++m_useExpansionTotal;
    return true;
}

void Document::leaveUseExpansion() noexcept {
    if (m_useExpansionDepth > 0)
        --m_useExpansionDepth;
}

bool Document::chargeCloneAttributeBytes(std::uint64_t bytes) noexcept {
    if (!addsWithoutOverflow(m_cloneAttributeBytes, bytes) || m_cloneAttributeBytes + bytes > kMaxCloneAttributeBytes)
        return false;
    m_cloneAttributeBytes += bytes;
    return true;
}

bool Document::chargeClonedElements(std::uint64_t count) noexcept {
    if (!addsWithoutOverflow(m_clonedElements, count) || m_clonedElements + count > kMaxClonedElements)
        return false;
    m_clonedElements += count;
    return true;
}

bool Document::chargePathData(std::uint64_t count, std::uint64_t cost) noexcept {
    if (!addsWithoutOverflow(m_pathDataCount, count) || !addsWithoutOverflow(m_pathDataCost, cost))
        return false;
    m_pathDataCount += count;
    m_pathDataCost += cost;
    return true;
}

bool Document::chargeTransform(std::uint64_t cost) noexcept {
    if (!addsWithoutOverflow(m_transformCost, cost))
        return false;
    m_transformCost += cost;
    return true;
}

bool Document::chargeAttribute(std::uint64_t nameLength, std::uint64_t valueLength) noexcept {
    if (m_attributeCount == kCounterMax || !addsWithoutOverflow(nameLength, valueLength) ||
        !addsWithoutOverflow(m_attributeBytes, nameLength + valueLength))
        return false;
    ++m_attributeCount;
    m_attributeBytes += nameLength + valueLength;
    return true;
}

bool Document::chargeDeferredCapability(std::uint64_t count, std::uint64_t bytes) noexcept {
    if (!addsWithoutOverflow(m_deferredCount, count) || !addsWithoutOverflow(m_deferredBytes, bytes))
        return false;
    m_deferredCount += count;
    m_deferredBytes += bytes;
    return true;
}

}  // namespace pavrix_svg
