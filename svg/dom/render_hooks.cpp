#include "svg/dom/render_hooks.h"

#include <atomic>

namespace pavrix_svg {

namespace {

std::atomic<const RenderHooks*> gRenderHooks{nullptr};

}  // namespace

void setRenderHooks(const RenderHooks* hooks) noexcept {
    gRenderHooks.store(hooks, std::memory_order_release);
}

const RenderHooks* renderHooks() noexcept {
    return gRenderHooks.load(std::memory_order_acquire);
}

}  // namespace pavrix_svg
