#pragma once

#include <mutex>
#include <string_view>

struct plutovg_font_face;
struct plutovg_font_face_cache;

namespace pavrix_svg {

// Holds one reference to a graphics-library font face (none when null).
class FontFace {
public:
    FontFace() = default;
    // Takes over the reference the caller holds.
    explicit FontFace(plutovg_font_face* face) : m_face(face) {}
    FontFace(const FontFace& other);
    FontFace(FontFace&& other) noexcept;
    ~FontFace();
    FontFace& operator=(const FontFace& other);
    FontFace& operator=(FontFace&& other) noexcept;

    bool isNull() const { return m_face == nullptr; }
    plutovg_font_face* get() const { return m_face; }

private:
    plutovg_font_face* m_face = nullptr;
};

class Font {
public:
    Font() = default;
    // Metrics are read from the face only when size > 0 and a face exists, else 0.
    Font(const FontFace& face, float size);

    const FontFace& face() const { return m_face; }
    float size() const { return m_size; }
    float ascent() const { return m_ascent; }
    float descent() const { return m_descent; }
    float lineGap() const { return m_lineGap; }
    float height() const { return m_ascent - m_descent; }

    // Advance width of UTF-32 text; 0 without a face or when size <= 0.
    float measureText(std::u32string_view text) const;
    // Height of the glyph 'x' at the font size; 0 without a face or when size <= 0.
    float xHeight() const;

private:
    FontFace m_face;
    float m_size = 0.0f;
    float m_ascent = 0.0f;
    float m_descent = 0.0f;
    float m_lineGap = 0.0f;
};

// The process-wide font-face cache, created empty on first use (thread-safe). Calls into it or
// into any face must hold lockFontLibrary(); the members here take it themselves.
plutovg_font_face_cache* fontFaceCache();

// Serializes all use of the graphics library's font code, which promises no thread safety.
std::unique_lock<std::mutex> lockFontLibrary();

// Looks family up in the cache; on a miss, a generic family ("sans-serif", "serif",
// "monospace", "cursive", "fantasy") or the empty family is retried under its mapped name.
FontFace getFontFace(std::string_view family, bool bold, bool italic);

}  // namespace pavrix_svg
