#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>

#include "graphics/point.h"
#include "graphics/rect.h"
#include "graphics/vector_path.h"

namespace pavrix_svg {

using pavrix_graphics::PathCommand;

// Copy-on-write handle over a VectorPath (null = empty path). Copies share the record;
// every mutation first makes it unshared.
class Path {
public:
    Path() = default;
    // Takes over the reference the caller holds.
    explicit Path(pavrix_graphics::VectorPath* adopted) : m_data(adopted) {}
    Path(const Path& other);
    Path(Path&& other) noexcept;
    ~Path();
    Path& operator=(const Path& other);
    Path& operator=(Path&& other) noexcept;

    void moveTo(float x, float y);
    void lineTo(float x, float y);
    void quadTo(float x1, float y1, float x2, float y2);
    void cubicTo(float x1, float y1, float x2, float y2, float x3, float y3);
    void close();

    void addRect(const Rect& rect);
    void addRoundRect(float x, float y, float w, float h, float rx, float ry);
    void addEllipse(float cx, float cy, float rx, float ry);

    // An unshared path is emptied in place; a shared one is released.
    void reset();
    // Replaces the content with parsed SVG path data; false on a syntax error (the commands
    // read before it stay) or when no path could be created.
    // `storage` holds the parsed elements (null: the C heap); the path must not outlive it.
    bool parse(const char* data, std::size_t length, std::pmr::memory_resource* storage = nullptr);
    bool parse(std::string_view text, std::pmr::memory_resource* storage = nullptr) {
        return parse(text.data(), text.size(), storage);
    }

    // Control-point bounding box; (0, 0, 0, 0) for an empty path.
    Rect boundingBox() const;
    bool isEmpty() const;
    bool isNull() const { return m_data == nullptr; }

    // The record itself (null for an empty handle), for readers such as command emission.
    const pavrix_graphics::VectorPath* data() const { return m_data; }

private:
    pavrix_graphics::VectorPath* release();
    // Returns the unshared record, or null when it could not be created.
    pavrix_graphics::VectorPath* ensure();

    pavrix_graphics::VectorPath* m_data = nullptr;
};

// Walks a Path's commands. The Path must outlive the iterator and stay unchanged.
class PathIterator {
public:
    explicit PathIterator(const Path& path);

    bool isDone() const { return m_index >= m_size; }
    // The current command; its point (three for cubic_to) is copied into points.
    PathCommand currentSegment(std::array<Point, 3>& points) const;
    void next();

private:
    const pavrix_graphics::PathElement* m_elements = nullptr;
    std::int32_t m_size = 0;
    std::int32_t m_index = 0;
};

}  // namespace pavrix_svg
