#include <gtest/gtest.h>

#include <plutovg/plutovg.h>

#include <string>

#include "graphics/bitmap.h"
#include "graphics/font.h"

namespace {

using namespace pavrix_svg;

TEST(Fonts, EmptyCacheGivesNoFace) {
    ASSERT_NE(fontFaceCache(), nullptr);
    EXPECT_EQ(fontFaceCache(), fontFaceCache());
    for (const char* family : {"", "serif", "sans-serif", "monospace", "cursive", "fantasy", "Helvetica"}) {
        const FontFace face = getFontFace(family, false, false);
        EXPECT_TRUE(face.isNull()) << family;
        const Font font(face, 12);
        EXPECT_EQ(font.measureText(U"abc"), 0.0f);
        EXPECT_EQ(font.xHeight(), 0.0f);
        EXPECT_EQ(font.ascent(), 0.0f);
    }
    const Font none;
    EXPECT_EQ(none.size(), 0.0f);
    EXPECT_EQ(none.measureText(U"x"), 0.0f);
}

void appendBytes(void* closure, void* data, int size) {
    static_cast<std::string*>(closure)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::string base64(const std::string& bytes) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

TEST(Bitmaps, DecodeBase64RoundTrip) {
    plutovg_surface_t* surface = plutovg_surface_create(3, 2);
    std::string png;
    ASSERT_TRUE(plutovg_surface_write_to_png_stream(surface, appendBytes, &png));
    plutovg_surface_destroy(surface);

    Bitmap bitmap = loadBitmapFromBase64(base64(png));
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_EQ(bitmapWidth(bitmap), 3);
    EXPECT_EQ(bitmapHeight(bitmap), 2);
    Bitmap moved = std::move(bitmap);
    EXPECT_TRUE(bitmap.isNull());
    destroyBitmap(moved);
    EXPECT_TRUE(moved.isNull());
    EXPECT_EQ(bitmapWidth(moved), 0);
}

TEST(Bitmaps, UndecodableInputGivesNone) {
    EXPECT_TRUE(loadBitmapFromBase64("").isNull());
    EXPECT_TRUE(loadBitmapFromBase64("not an image").isNull());
    EXPECT_TRUE(loadBitmapFromFile("/nonexistent/image.png").isNull());
    EXPECT_TRUE(loadBitmapFromFile(nullptr).isNull());
    EXPECT_EQ(bitmapHeight(Bitmap()), 0);
}

}  // namespace
