#include "graphics/font.h"

#include <plutovg/plutovg.h>

#include <array>
#include <mutex>
#include <string>
#include <utility>

namespace pavrix_svg {

namespace {

// The cache and the faces it hands out are shared by every thread that records; the graphics
// library promises nothing about concurrent use, so every call into either takes this lock.
constinit std::mutex fontLibraryMutex;

plutovg_font_face* reference(plutovg_font_face* face) {
    if (!face)
        return nullptr;
    const std::lock_guard lock(fontLibraryMutex);
    return plutovg_font_face_reference(face);
}

void release(plutovg_font_face* face) {
    if (face) {
        const std::lock_guard lock(fontLibraryMutex);
        plutovg_font_face_destroy(face);
    }
}

}  // namespace

std::unique_lock<std::mutex> lockFontLibrary() {
    return std::unique_lock(fontLibraryMutex);
}

FontFace::FontFace(const FontFace& other) : m_face(reference(other.m_face)) {}

FontFace::FontFace(FontFace&& other) noexcept : m_face(std::exchange(other.m_face, nullptr)) {}

FontFace::~FontFace() {
    release(m_face);
}

FontFace& FontFace::operator=(const FontFace& other) {
    if (this != &other) {
        plutovg_font_face* old = m_face;
        m_face = reference(other.m_face);
        release(old);
    }
    return *this;
}

FontFace& FontFace::operator=(FontFace&& other) noexcept {
    if (this != &other) {
        release(m_face);
        m_face = std::exchange(other.m_face, nullptr);
    }
    return *this;
}

Font::Font(const FontFace& face, float size) : m_face(face), m_size(size) {
    if (m_size > 0.0f && !m_face.isNull()) {
        const std::lock_guard lock(fontLibraryMutex);
        plutovg_font_face_get_metrics(m_face.get(), m_size, &m_ascent, &m_descent, &m_lineGap, nullptr);
    }
}

float Font::measureText(std::u32string_view text) const {
    if (m_face.isNull() || !(m_size > 0.0f))
        return 0.0f;
    float advance = 0.0f;
    const std::lock_guard lock(fontLibraryMutex);
    for (const char32_t ch : text) {
        float width = 0.0f;
        plutovg_font_face_get_glyph_metrics(m_face.get(), m_size, static_cast<plutovg_codepoint_t>(ch), &width, nullptr,
                                            nullptr);
        advance += width;
    }
    return advance;
}

float Font::xHeight() const {
    if (m_face.isNull() || !(m_size > 0.0f))
        return 0.0f;
    plutovg_rect_t extents{0.0f, 0.0f, 0.0f, 0.0f};
    const std::lock_guard lock(fontLibraryMutex);
    plutovg_font_face_get_glyph_metrics(m_face.get(), m_size, 'x', nullptr, nullptr, &extents);
    return extents.h;
}

plutovg_font_face_cache* fontFaceCache() {
    // Created once, kept for the process.
    static plutovg_font_face_cache* const cache = plutovg_font_face_cache_create();
    return cache;
}

namespace {

struct GenericFamily {
    std::string_view generic;
    const char* family;
};

constexpr std::array<GenericFamily, 5> kGenericFamilies = {{
    {"sans-serif", "Arial"},
    {"serif", "Times New Roman"},
    {"monospace", "Courier New"},
    {"cursive", "Comic Sans MS"},
    {"fantasy", "Impact"},
}};

}  // namespace

FontFace getFontFace(std::string_view family, bool bold, bool italic) {
    plutovg_font_face_cache* cache = fontFaceCache();
    if (!cache)
        return FontFace();
    const std::string name(family);
    const char* fallback = nullptr;
    if (family.empty()) {
        fallback = kGenericFamilies[0].family;
    } else {
        for (const GenericFamily& entry : kGenericFamilies) {
            if (entry.generic == family) {
                fallback = entry.family;
                break;
            }
        }
    }
    const std::lock_guard lock(fontLibraryMutex);
    plutovg_font_face_t* face = plutovg_font_face_cache_get(cache, name.c_str(), bold, italic);
    if (!face && fallback)
        face = plutovg_font_face_cache_get(cache, fallback, bold, italic);
    // The cache owns what it returns; the handle needs its own reference, taken before another
    // thread could change the cache.
    return FontFace(face ? plutovg_font_face_reference(face) : nullptr);
}

}  // namespace pavrix_svg
