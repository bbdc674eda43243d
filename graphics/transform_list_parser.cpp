#include "graphics/transform_list_parser.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>

#include "graphics/number_reader.h"

namespace pavrix_graphics {

namespace {

bool skip_prefix(const char*& cursor, const char* end, std::string_view name) {
    if (static_cast<std::size_t>(end - cursor) < name.size() || std::memcmp(cursor, name.data(), name.size()) != 0)
        return false;
    cursor += name.size();
    return true;
}

constexpr std::string_view kItemNames[] = {"matrix", "translate", "scale", "rotate", "skewX", "skewY"};

}  // namespace

bool transform_item_named(std::string_view name, TransformItem& item) noexcept {
    for (std::size_t k = 0; k < std::size(kItemNames); ++k) {
        if (name == kItemNames[k]) {
            item = static_cast<TransformItem>(k);
            return true;
        }
    }
    return false;
}

int parse_number_list(const char*& cursor, const char* end, float* values, int required, int optional,
                      NumberLiteral* literals) {
    skip_white_space(cursor, end);
    if (cursor >= end || *cursor != '(')
        return 0;
    ++cursor;
    if (!skip_white_space(cursor, end))
        return 0;

    const int max_count = required + optional;
    int count = 0;
    bool comma_after_last = false;
    while (count < max_count && parse_number(cursor, end, values[count], literals ? &literals[count] : nullptr)) {
        ++count;
        comma_after_last = skip_separator(cursor, end);
    }
    if (comma_after_last)
        return 0;
    if (count != required && count != max_count)
        return 0;
    if (cursor >= end || *cursor != ')')
        return 0;
    ++cursor;
    return count;
}

bool parse_transform_list(AffineMatrix* m, const char* text, std::ptrdiff_t length, TransformItemVisitor visit,
                          void* closure) {
    if (!m)
        return false;
    matrix_init_identity(m);
    if (!text)
        return length <= 0;
    if (length < 0)
        length = static_cast<std::ptrdiff_t>(std::strlen(text));
    const char* cursor = text;
    const char* const end = text + length;

    NumberLiteral literals[6];
    while (skip_white_space(cursor, end)) {
        TransformItem item;
        int required = 1;
        int optional = 0;
        if (skip_prefix(cursor, end, "matrix")) {
            item = TransformItem::matrix;
            required = 6;
        } else if (skip_prefix(cursor, end, "translate")) {
            item = TransformItem::translate;
            optional = 1;
        } else if (skip_prefix(cursor, end, "scale")) {
            item = TransformItem::scale;
            optional = 1;
        } else if (skip_prefix(cursor, end, "rotate")) {
            item = TransformItem::rotate;
            optional = 2;
        } else if (skip_prefix(cursor, end, "skewX")) {
            item = TransformItem::skew_x;
        } else if (skip_prefix(cursor, end, "skewY")) {
            item = TransformItem::skew_y;
        } else {
            return false;
        }

        float v[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        const int count = parse_number_list(cursor, end, v, required, optional, visit ? literals : nullptr);
        if (count == 0)
            return false;

        AffineMatrix t;
        switch (item) {
        case TransformItem::matrix:
            matrix_init(&t, v[0], v[1], v[2], v[3], v[4], v[5]);
            matrix_multiply(m, &t, m);
            break;
        case TransformItem::translate:
            matrix_translate(m, v[0], count == 1 ? 0.0f : v[1]);
            break;
        case TransformItem::scale:
            matrix_scale(m, v[0], count == 1 ? v[0] : v[1]);
            break;
        case TransformItem::rotate:
            if (count == 3) {
                matrix_translate(m, v[1], v[2]);
                matrix_rotate(m, v[0] * kDegreesToRadians);
                matrix_translate(m, -v[1], -v[2]);
            } else {
                matrix_rotate(m, v[0] * kDegreesToRadians);
            }
            break;
        case TransformItem::skew_x:
            matrix_init(&t, 1.0f, 0.0f, std::tan(v[0] * kDegreesToRadians), 1.0f, 0.0f, 0.0f);
            matrix_multiply(m, &t, m);
            break;
        case TransformItem::skew_y:
            matrix_init(&t, 1.0f, std::tan(v[0] * kDegreesToRadians), 0.0f, 1.0f, 0.0f, 0.0f);
            matrix_multiply(m, &t, m);
            break;
        }
        if (visit && !visit(closure, TransformItemReading{item, count, v, literals}))
            return false;

        // A "," must be followed by another item.
        if (skip_separator(cursor, end) && cursor >= end)
            return false;
    }
    return true;
}

}  // namespace pavrix_graphics
