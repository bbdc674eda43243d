#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "svg/dom/document_arena.h"

namespace pavrix_svg {

class SVGElement;
class SVGRootElement;

// The parsed document: owns the element tree, gathers reason codes in first-seen order and keeps
// the counters through which parsing, styling and use expansion account for the work a document
// causes. Used by one thread at a time.
class Document {
public:
    // Several passes over the tree recurse once per level, so the reader refuses deeper trees
    // rather than let hostile input exhaust the thread's stack.
    static constexpr std::uint64_t kMaxElementDepth = 1024;
    // Use expansion can grow exponentially; these caps keep a small document from building
    // billions of clones.
    static constexpr std::int32_t kLastElementSerial = 2147483646;
    static constexpr std::uint64_t kMaxClonedElements = 1'000'000;
    static constexpr std::uint64_t kMaxCloneAttributeBytes = std::uint64_t{256} << 20;

    // Cached verdicts of the document-wide use-expansion check.
    static constexpr std::uint8_t kUseExpansionUnknown = 0;
    static constexpr std::uint8_t kUseExpansionAccepted = 1;
    static constexpr std::uint8_t kUseExpansionRefused = 2;

    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Where the tree's nodes and parsed paths live; released with the document.
    DocumentArena& arena() noexcept { return m_arena; }

    // Takes ownership of a new root; the previous root, if any, is destroyed.
    void resetRoot(std::unique_ptr<SVGRootElement> root);
    // The root (may be null); laid out first when `layout` is true and it has not been.
    SVGRootElement* rootElement(bool layout = false);
    const SVGRootElement* rootElement() const noexcept { return m_root.get(); }
    // The root as a plain element handle (null when there is none).
    SVGElement* documentElement() const noexcept;
    // Attribute value of the handle's element by attribute name; empty for a null handle.
    std::string getAttributeByName(const SVGElement* handle, std::string_view name) const;
    // Computed size of the root, laying it out first if needed; 0 without a root.
    float rootWidth();
    float rootHeight();

    // Appends the code unless an equal string is already listed.
    void addReason(std::string_view code);
    const std::vector<std::string>& reasons() const noexcept { return m_reasons; }
    bool hasReasons() const noexcept { return !m_reasons.empty(); }

    std::uint8_t originFlag() const noexcept { return m_originFlag; }
    void setOriginFlag(std::uint8_t flag) noexcept { m_originFlag = flag; }

    // Returns the current serial and advances it; throws std::length_error("svg_element_capacity")
    // once 2147483646 has been handed out.
    std::int32_t nextElementSerial() {
        if (m_elementSerial == kLastElementSerial + 1)
            throwElementCapacity();
        return m_elementSerial++;
    }
    std::int32_t elementSerial() const noexcept { return m_elementSerial; }

    // Throws std::length_error("svg_element_capacity") when an element at `depth` (the root is at
    // depth 1) would exceed kMaxElementDepth.
    static void checkElementDepth(std::uint64_t depth);

    bool enterUseExpansion() noexcept;
    void leaveUseExpansion() noexcept;
    std::uint64_t useExpansionDepth() const noexcept { return m_useExpansionDepth; }
    std::uint64_t useExpansionTotal() const noexcept { return m_useExpansionTotal; }
    std::uint8_t useExpansionCheck() const noexcept { return m_useExpansionCheck; }
    void setUseExpansionCheck(std::uint8_t verdict) noexcept { m_useExpansionCheck = verdict; }

    // Each charge returns false and changes nothing when it would overflow (or pass its cap).
    bool chargeCloneAttributeBytes(std::uint64_t bytes) noexcept;
    bool chargeClonedElements(std::uint64_t count) noexcept;
    bool chargePathData(std::uint64_t count, std::uint64_t cost) noexcept;
    bool chargeTransform(std::uint64_t cost) noexcept;
    bool chargeAttribute(std::uint64_t nameLength, std::uint64_t valueLength) noexcept;
    bool chargeDeferredCapability(std::uint64_t count, std::uint64_t bytes) noexcept;

    std::uint64_t cloneAttributeBytes() const noexcept { return m_cloneAttributeBytes; }
    std::uint64_t clonedElements() const noexcept { return m_clonedElements; }
    std::uint64_t pathDataCount() const noexcept { return m_pathDataCount; }
    std::uint64_t pathDataCost() const noexcept { return m_pathDataCost; }
    std::uint64_t transformCost() const noexcept { return m_transformCost; }
    std::uint64_t attributeCount() const noexcept { return m_attributeCount; }
    std::uint64_t attributeBytes() const noexcept { return m_attributeBytes; }
    std::uint64_t deferredCount() const noexcept { return m_deferredCount; }
    std::uint64_t deferredBytes() const noexcept { return m_deferredBytes; }

private:
    [[noreturn]] static void throwElementCapacity();

    // Declaration order is destruction order reversed: the reasons go first, then the tree, and
    // the arena the tree lives in last.
    DocumentArena m_arena;
    std::unique_ptr<SVGRootElement> m_root;
    std::vector<std::string> m_reasons;
    std::uint8_t m_originFlag = 0;
    std::int32_t m_elementSerial = 0;
    std::uint64_t m_useExpansionDepth = 0;
    std::uint64_t m_useExpansionTotal = 0;
    std::uint64_t m_cloneAttributeBytes = 0;
    std::uint64_t m_clonedElements = 0;
    std::uint8_t m_useExpansionCheck = kUseExpansionUnknown;
    std::uint64_t m_pathDataCount = 0;
    std::uint64_t m_pathDataCost = 0;
    std::uint64_t m_transformCost = 0;
    std::uint64_t m_attributeCount = 0;
    std::uint64_t m_attributeBytes = 0;
    std::uint64_t m_deferredCount = 0;
    std::uint64_t m_deferredBytes = 0;
};

}  // namespace pavrix_svg
