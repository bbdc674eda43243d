#pragma once

// The SVG text argument of the text entry points. A str or bytes argument is
// read in place: both are immutable and the call's arguments keep them alive
// while the GIL is released, so large documents are neither copied nor paged
// in while the GIL is held. Any other accepted type (bytearray) is mutable and
// is copied before the GIL is released.

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>
#include <utility>

namespace pavrix_svg_core {

class SvgTextArgument {
public:
    void borrow(std::string_view text) noexcept {
        m_borrowed = text;
        m_owns = false;
    }
    void own(std::string text) noexcept {
        m_owned = std::move(text);
        m_owns = true;
    }
    std::string_view text() const noexcept { return m_owns ? std::string_view(m_owned) : m_borrowed; }

private:
    std::string_view m_borrowed;
    std::string m_owned;
    bool m_owns = false;
};

}  // namespace pavrix_svg_core

namespace pybind11::detail {

template <>
struct type_caster<pavrix_svg_core::SvgTextArgument> {
    PYBIND11_TYPE_CASTER(pavrix_svg_core::SvgTextArgument, const_name("str"));

    bool load(handle source, bool convert) {
        if (!source) {
            return false;
        }
        if (PyUnicode_Check(source.ptr())) {
            Py_ssize_t size = 0;
            const char* data = PyUnicode_AsUTF8AndSize(source.ptr(), &size);
            if (data == nullptr) {
                PyErr_Clear();
                return false;
            }
            value.borrow(std::string_view(data, static_cast<std::size_t>(size)));
            return true;
        }
        if (PyBytes_Check(source.ptr())) {
            value.borrow(std::string_view(PyBytes_AS_STRING(source.ptr()),
                                          static_cast<std::size_t>(PyBytes_GET_SIZE(source.ptr()))));
            return true;
        }
        make_caster<std::string> copy;
        if (!copy.load(source, convert)) {
            return false;
        }
        value.own(cast_op<std::string&&>(std::move(copy)));
        return true;
    }
};

}  // namespace pybind11::detail
