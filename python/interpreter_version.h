#pragma once

#include <string>
#include <string_view>

namespace pavrix_python {

// An extension module only works in the interpreter minor version it was compiled for:
// "3.14.0" and "3.14rc1" match "3.14", "3.140" and "3.1" do not.
constexpr bool interpreter_version_matches(std::string_view runtime_version,
                                           std::string_view compiled_version) noexcept {
    if (runtime_version.substr(0, compiled_version.size()) != compiled_version) {
        return false;
    }
    if (runtime_version.size() == compiled_version.size()) {
        return true;
    }
    const char next = runtime_version[compiled_version.size()];
    return next < '0' || next > '9';
}

inline std::string version_mismatch_message(std::string_view compiled_version, std::string_view runtime_version) {
    std::string message = "Python version mismatch: module was compiled for Python ";
    message.append(compiled_version);
    message.append(", but the interpreter version is incompatible: ");
    message.append(runtime_version);
    message.push_back('.');
    return message;
}

}  // namespace pavrix_python
