#include "graphics/path.h"

#include <utility>

#include "graphics/path_data_parser.h"

namespace pavrix_svg {

using namespace pavrix_graphics;

Path::Path(const Path& other) : m_data(path_reference(other.m_data)) {}

Path::Path(Path&& other) noexcept : m_data(std::exchange(other.m_data, nullptr)) {}

Path::~Path() {
    path_destroy(m_data);
}

Path& Path::operator=(const Path& other) {
    if (this != &other) {
        VectorPath* old = m_data;
        m_data = path_reference(other.m_data);
        path_destroy(old);
    }
    return *this;
}

Path& Path::operator=(Path&& other) noexcept {
    if (this != &other) {
        path_destroy(m_data);
        m_data = std::exchange(other.m_data, nullptr);
    }
    return *this;
}

VectorPath* Path::release() {
    return std::exchange(m_data, nullptr);
}

VectorPath* Path::ensure() {
    if (!m_data) {
        m_data = path_create();
    } else if (path_get_reference_count(m_data) != 1) {
        VectorPath* clone = path_clone(m_data);
        // Without a copy the shared record must stay untouched: mutate nothing.
        if (!clone)
            return nullptr;
        path_destroy(m_data);
        m_data = clone;
    }
    return m_data;
}

void Path::moveTo(float x, float y) {
    path_move_to(ensure(), x, y);
}

void Path::lineTo(float x, float y) {
    path_line_to(ensure(), x, y);
}

void Path::quadTo(float x1, float y1, float x2, float y2) {
    path_quad_to(ensure(), x1, y1, x2, y2);
}

void Path::cubicTo(float x1, float y1, float x2, float y2, float x3, float y3) {
    path_cubic_to(ensure(), x1, y1, x2, y2, x3, y3);
}

void Path::close() {
    path_close(ensure());
}

void Path::addRect(const Rect& rect) {
    path_add_rect(ensure(), rect.x, rect.y, rect.w, rect.h);
}

void Path::addRoundRect(float x, float y, float w, float h, float rx, float ry) {
    path_add_round_rect(ensure(), x, y, w, h, rx, ry);
}

void Path::addEllipse(float cx, float cy, float rx, float ry) {
    path_add_ellipse(ensure(), cx, cy, rx, ry);
}

void Path::reset() {
    if (!m_data)
        return;
    if (path_get_reference_count(m_data) == 1)
        path_reset(m_data);
    else
        path_destroy(release());
}

bool Path::parse(const char* data, std::size_t length, std::pmr::memory_resource* storage) {
    // The old content is dropped anyway: a shared record, or one kept elsewhere, is released
    // rather than copied.
    if (m_data && (path_get_reference_count(m_data) != 1 || m_data->storage != storage))
        path_destroy(release());
    if (!m_data)
        m_data = path_create(storage);
    VectorPath* path = ensure();
    if (!path)
        return false;
    path_reset(path);
    // An empty view may carry a null pointer; parse an empty text then.
    if (!data)
        return parse_path_data(path, "", 0);
    return parse_path_data(path, data, static_cast<std::ptrdiff_t>(length));
}

Rect Path::boundingBox() const {
    if (!m_data)
        return Rect::Empty;
    FloatRect box{};
    path_bounds(m_data, &box);
    return Rect(box.x, box.y, box.w, box.h);
}

bool Path::isEmpty() const {
    return !m_data || m_data->elements.size == 0;
}

PathIterator::PathIterator(const Path& path) {
    if (const VectorPath* data = path.data()) {
        m_elements = data->elements.data;
        m_size = data->elements.size;
    }
}

PathCommand PathIterator::currentSegment(std::array<Point, 3>& points) const {
    if (isDone())
        return PathCommand::move_to;
    VectorPathIterator it{m_elements, m_size, m_index};
    FloatPoint raw[3] = {};
    const PathCommand command = path_iterator_next(&it, raw);
    const int count = command == PathCommand::cubic_to ? 3 : 1;
    for (int i = 0; i < count; ++i)
        points[i] = Point(raw[i].x, raw[i].y);
    return command;
}

void PathIterator::next() {
    if (isDone())
        return;
    VectorPathIterator it{m_elements, m_size, m_index};
    FloatPoint raw[3];
    path_iterator_next(&it, raw);
    m_index = it.index;
}

}  // namespace pavrix_svg
