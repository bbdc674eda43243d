#include "svg/dom/build_path.h"

#include <unordered_map>

#include "svg/dom/svg_element.h"

namespace pavrix_svg::build_path {

namespace {

struct PathState {
    bool active = false;
    std::uint64_t depth = 0;
    std::uint64_t withId = 0;
    std::unordered_map<std::string, std::uint32_t> ids;
};

thread_local PathState tPath;

void enter(const std::string& id) {
    if (!id.empty()) {
        ++tPath.ids[id];
        ++tPath.withId;
    }
    ++tPath.depth;
}

void leave(const std::string& id) noexcept {
    --tPath.depth;
    if (id.empty())
        return;
    --tPath.withId;
    const auto it = tPath.ids.find(id);
    if (it != tPath.ids.end() && --it->second == 0)
        tPath.ids.erase(it);
}

}  // namespace

Scope::Scope(const SVGElement& element) : m_id(findAttribute(element, PropertyID::Id)) {
    if (!tPath.active) {
        tPath = PathState{};
        tPath.active = true;
        m_outermost = true;
        try {
            // A pass may start below the root: its ancestors are on the path too (in any order,
            // the path only counts them).
            for (const SVGElement* ancestor = element.parent(); ancestor != nullptr; ancestor = ancestor->parent())
                enter(std::string(findAttribute(*ancestor, PropertyID::Id)));
            enter(m_id);
        } catch (...) {
            tPath = PathState{};
            throw;
        }
        return;
    }
    enter(m_id);
}

Scope::~Scope() {
    if (m_outermost) {
        tPath = PathState{};
        return;
    }
    leave(m_id);
}

bool active() noexcept {
    return tPath.active;
}

std::uint64_t depth() noexcept {
    return tPath.depth;
}

bool containsId(const std::string& id) {
    if (id.empty())
        return tPath.depth > tPath.withId;
    return tPath.ids.find(id) != tPath.ids.end();
}

}  // namespace pavrix_svg::build_path
