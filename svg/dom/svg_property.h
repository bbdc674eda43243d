#pragma once

#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/canvas_paint.h"
#include "graphics/path.h"
#include "graphics/point.h"
#include "graphics/rect.h"
#include "graphics/transform.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/property_id.h"

namespace pavrix_svg {

// A typed attribute value owned by an element. parse replaces the value only on success
// unless a subclass says otherwise.
class SVGProperty {
public:
    explicit SVGProperty(PropertyID id) noexcept : m_id(id) {}
    virtual ~SVGProperty() = default;
    SVGProperty(const SVGProperty&) = delete;
    SVGProperty& operator=(const SVGProperty&) = delete;

    virtual bool parse(std::string_view input) = 0;

    PropertyID id() const noexcept { return m_id; }

private:
    PropertyID m_id;
};

// Stored trimmed; never fails.
class SVGString final : public SVGProperty {
public:
    explicit SVGString(PropertyID id) : SVGProperty(id) {}
    bool parse(std::string_view input) override;
    const std::string& value() const noexcept { return m_value; }

private:
    std::string m_value;
};

enum class LengthDirection : std::uint8_t { Horizontal = 0, Vertical = 1, Diagonal = 2 };

struct Length {
    float value = 0.0f;
    LengthUnit unit = LengthUnit::None;

    constexpr Length() = default;
    constexpr Length(float v, LengthUnit u) : value(v), unit(u) {}
    bool operator==(const Length&) const = default;
};

class SVGLength final : public SVGProperty {
public:
    SVGLength(PropertyID id, LengthDirection direction, LengthNegativeMode negativeMode, float value = 0.0f,
              LengthUnit unit = LengthUnit::None)
        : SVGProperty(id), m_direction(direction), m_negativeMode(negativeMode), m_value(value), m_unit(unit) {}
    bool parse(std::string_view input) override;

    LengthDirection direction() const noexcept { return m_direction; }
    LengthNegativeMode negativeMode() const noexcept { return m_negativeMode; }
    float value() const noexcept { return m_value; }
    LengthUnit unit() const noexcept { return m_unit; }
    Length length() const noexcept { return {m_value, m_unit}; }

private:
    LengthDirection m_direction;
    LengthNegativeMode m_negativeMode;
    float m_value;
    LengthUnit m_unit;
};

// Whitespace- and/or comma-separated lengths; emptied before parsing, so a failed parse leaves
// the lengths before the bad token. Text that starts with a separator gives an empty list.
class SVGLengthList final : public SVGProperty {
public:
    SVGLengthList(PropertyID id, LengthDirection direction, LengthNegativeMode negativeMode)
        : SVGProperty(id), m_direction(direction), m_negativeMode(negativeMode) {}
    bool parse(std::string_view input) override;

    LengthDirection direction() const noexcept { return m_direction; }
    LengthNegativeMode negativeMode() const noexcept { return m_negativeMode; }
    const std::vector<Length>& values() const noexcept { return m_values; }

private:
    LengthDirection m_direction;
    LengthNegativeMode m_negativeMode;
    std::vector<Length> m_values;
};

class SVGNumberList final : public SVGProperty {
public:
    explicit SVGNumberList(PropertyID id) : SVGProperty(id) {}
    bool parse(std::string_view input) override;
    const std::vector<float>& values() const noexcept { return m_values; }

private:
    std::vector<float> m_values;
};

// A number or a percentage, clamped to [0, 1].
class SVGNumberPercentage final : public SVGProperty {
public:
    SVGNumberPercentage(PropertyID id, float value) : SVGProperty(id), m_value(value) {}
    bool parse(std::string_view input) override;
    float value() const noexcept { return m_value; }

private:
    float m_value;
};

enum class OrientType : std::uint8_t { Auto = 0, AutoStartReverse = 1, Angle = 2 };

class SVGAngle final : public SVGProperty {
public:
    explicit SVGAngle(PropertyID id) : SVGProperty(id) {}
    bool parse(std::string_view input) override;
    float value() const noexcept { return m_value; }
    OrientType orientType() const noexcept { return m_orientType; }

private:
    float m_value = 0.0f;
    OrientType m_orientType = OrientType::Angle;
};

// Four numbers; a negative width or height fails. A viewBox defaults to (0, 0, -1, -1).
class SVGRect final : public SVGProperty {
public:
    SVGRect(PropertyID id, const Rect& value) : SVGProperty(id), m_value(value) {}
    bool parse(std::string_view input) override;
    const Rect& value() const noexcept { return m_value; }
    bool isValid() const noexcept { return m_value.w >= 0.0f && m_value.h >= 0.0f; }

private:
    Rect m_value;
};

class SVGPreserveAspectRatio final : public SVGProperty {
public:
    enum class AlignType : std::uint8_t {
        None = 0,
        xMinYMin = 1,
        xMidYMin = 2,
        xMaxYMin = 3,
        xMinYMid = 4,
        xMidYMid = 5,
        xMaxYMid = 6,
        xMinYMax = 7,
        xMidYMax = 8,
        xMaxYMax = 9,
    };
    enum class MeetOrSlice : std::uint8_t { Meet = 0, Slice = 1 };

    explicit SVGPreserveAspectRatio(PropertyID id) : SVGProperty(id) {}
    bool parse(std::string_view input) override;
    AlignType alignType() const noexcept { return m_alignType; }
    MeetOrSlice meetOrSlice() const noexcept { return m_meetOrSlice; }

private:
    AlignType m_alignType = AlignType::xMidYMid;
    MeetOrSlice m_meetOrSlice = MeetOrSlice::Meet;
};

class SVGTransform final : public SVGProperty {
public:
    explicit SVGTransform(PropertyID id) : SVGProperty(id) {}
    bool parse(std::string_view input) override;
    const Transform& value() const noexcept { return m_value; }
    // A value parsed elsewhere.
    void assign(const Transform& value) noexcept { m_value = value; }

private:
    Transform m_value;
};

// The parsed path lives in `storage` (null: the C heap), normally its document's arena.
class SVGPath final : public SVGProperty {
public:
    explicit SVGPath(PropertyID id, std::pmr::memory_resource* storage = nullptr)
        : SVGProperty(id), m_storage(storage) {}
    bool parse(std::string_view input) override;
    const Path& value() const noexcept { return m_value; }
    // A new empty record in this property's storage, for a path built elsewhere and then assigned.
    pavrix_graphics::VectorPath* createRecord() const;
    void assign(Path&& path) noexcept { m_value = std::move(path); }

private:
    Path m_value;
    std::pmr::memory_resource* m_storage;
};

// Pairs of numbers; an odd count fails. Emptied before parsing (a failure leaves the pairs read
// before it).
class SVGPointList final : public SVGProperty {
public:
    explicit SVGPointList(PropertyID id) : SVGProperty(id) {}
    bool parse(std::string_view input) override;
    const std::vector<Point>& values() const noexcept { return m_values; }

private:
    std::vector<Point> m_values;
};

enum class LengthAdjust : std::uint8_t { Spacing = 0, SpacingAndGlyphs = 1 };
enum class MarkerUnits : std::uint8_t { StrokeWidth = 0, UserSpaceOnUse = 1 };
// SpreadMethod comes from the canvas paint parameters (same values).
enum class Units : std::uint8_t { UserSpaceOnUse = 0, ObjectBoundingBox = 1 };

// Exact keyword of the trimmed text for each enumeration; false when none matches.
bool parseEnumerationValue(std::string_view text, LengthAdjust& value) noexcept;
bool parseEnumerationValue(std::string_view text, MarkerUnits& value) noexcept;
bool parseEnumerationValue(std::string_view text, SpreadMethod& value) noexcept;
bool parseEnumerationValue(std::string_view text, Units& value) noexcept;

template <typename Enum>
class SVGEnumeration final : public SVGProperty {
public:
    SVGEnumeration(PropertyID id, Enum value) : SVGProperty(id), m_value(value) {}
    bool parse(std::string_view input) override {
        Enum parsed{};
        if (!parseEnumerationValue(trimSvgWhitespace(input), parsed))
            return false;
        m_value = parsed;
        return true;
    }
    Enum value() const noexcept { return m_value; }

private:
    Enum m_value;
};

}  // namespace pavrix_svg
