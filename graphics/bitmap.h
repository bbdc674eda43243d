#pragma once

#include <string_view>

struct plutovg_surface;

namespace pavrix_svg {

// Owns one graphics-library image surface (none when null). Move-only.
class Bitmap {
public:
    Bitmap() = default;
    // Takes over the reference the caller holds.
    explicit Bitmap(plutovg_surface* surface) : m_surface(surface) {}
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Bitmap(Bitmap&& other) noexcept : m_surface(other.m_surface) { other.m_surface = nullptr; }
    Bitmap& operator=(Bitmap&& other) noexcept;
    ~Bitmap();

    bool isNull() const { return m_surface == nullptr; }
    plutovg_surface* surface() const { return m_surface; }

private:
    friend void destroyBitmap(Bitmap& bitmap);
    plutovg_surface* m_surface = nullptr;
};

void destroyBitmap(Bitmap& bitmap);
int bitmapWidth(const Bitmap& bitmap);   // 0 for none
int bitmapHeight(const Bitmap& bitmap);  // 0 for none

// Decodes an image file; none when it cannot be read or decoded.
Bitmap loadBitmapFromFile(const char* filename);
// Decodes base64 text holding an encoded image; none on failure.
Bitmap loadBitmapFromBase64(std::string_view base64);

}  // namespace pavrix_svg
