#include "graphics/bitmap.h"

#include <plutovg/plutovg.h>

#include <climits>
#include <utility>

namespace pavrix_svg {

namespace {

void release(plutovg_surface* surface) {
    if (surface)
        plutovg_surface_destroy(surface);
}

}  // namespace

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        release(m_surface);
        m_surface = std::exchange(other.m_surface, nullptr);
    }
    return *this;
}

Bitmap::~Bitmap() {
    release(m_surface);
}

void destroyBitmap(Bitmap& bitmap) {
    release(std::exchange(bitmap.m_surface, nullptr));
}

int bitmapWidth(const Bitmap& bitmap) {
    return bitmap.isNull() ? 0 : plutovg_surface_get_width(bitmap.surface());
}

int bitmapHeight(const Bitmap& bitmap) {
    return bitmap.isNull() ? 0 : plutovg_surface_get_height(bitmap.surface());
}

Bitmap loadBitmapFromFile(const char* filename) {
    if (!filename)
        return Bitmap();
    return Bitmap(plutovg_surface_load_from_image_file(filename));
}

Bitmap loadBitmapFromBase64(std::string_view base64) {
    // The decoder takes an int length; longer text cannot be handed over whole.
    if (base64.empty() || base64.size() > static_cast<std::size_t>(INT_MAX))
        return Bitmap();
    return Bitmap(plutovg_surface_load_from_image_base64(base64.data(), static_cast<int>(base64.size())));
}

}  // namespace pavrix_svg
