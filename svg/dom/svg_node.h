#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace pavrix_svg {

class Document;
class SVGElement;

// A node of the document tree: an element or a run of character data. Nodes are owned by their
// parent's children list (the root by the Document).
class SVGNode {
public:
    explicit SVGNode(Document& document) noexcept : m_document(&document) {}
    virtual ~SVGNode() = default;
    SVGNode(const SVGNode&) = delete;
    SVGNode& operator=(const SVGNode&) = delete;

    virtual bool isTextNode() const { return false; }
    virtual bool isElement() const { return false; }
    virtual bool isPaintElement() const { return false; }
    virtual bool isGraphicsElement() const { return false; }
    virtual bool isGeometryElement() const { return false; }
    virtual bool isTextPositioningElement() const { return false; }
    // A copy in the same document; deep copies the subtree too.
    virtual std::unique_ptr<SVGNode> clone(bool deep) const = 0;

    Document& document() const noexcept { return *m_document; }
    SVGElement* parent() const noexcept { return m_parent; }
    void setParent(SVGElement* parent) noexcept { m_parent = parent; }

private:
    Document* m_document;
    SVGElement* m_parent = nullptr;
};

class SVGTextNode final : public SVGNode {
public:
    SVGTextNode(Document& document, std::string text) : SVGNode(document), m_text(std::move(text)) {}

    bool isTextNode() const override { return true; }
    std::unique_ptr<SVGNode> clone(bool deep) const override;

    const std::string& text() const noexcept { return m_text; }
    // Replaces the text and marks the document for layout.
    void setText(std::string text);

private:
    void markDocumentForLayout() const noexcept;

    std::string m_text;
};

}  // namespace pavrix_svg
