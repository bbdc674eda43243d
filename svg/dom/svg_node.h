#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

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

    // Nodes live in their document's arena (makeNode); deleting one runs its destructor and
    // leaves the memory to the arena, so no node may outlive its document.
    static void* operator new(std::size_t bytes, Document& document);
    static void operator delete(void*, Document&) noexcept {}
    static void operator delete(void*) noexcept {}
    static void* operator new(std::size_t) = delete;
    static void* operator new[](std::size_t) = delete;

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

template <class Node, class... Arguments>
std::unique_ptr<Node> makeNode(Document& document, Arguments&&... arguments) {
    return std::unique_ptr<Node>(new (document) Node(document, std::forward<Arguments>(arguments)...));
}

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
