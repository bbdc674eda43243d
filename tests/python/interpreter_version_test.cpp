#include "python/interpreter_version.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

struct VersionCase {
    const char* runtime;
    bool matches;
};

class InterpreterVersion : public testing::TestWithParam<VersionCase> {};

TEST_P(InterpreterVersion, MatchesOnlyTheCompiledMinorVersion) {
    EXPECT_EQ(pavrix_python::interpreter_version_matches(GetParam().runtime, "3.14"), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Versions, InterpreterVersion,
                         testing::Values(VersionCase{"3.14.10 (main, Oct 2026) [GCC 16.2.0]", true},
                                         VersionCase{"3.14rc1", true}, VersionCase{"3.14.0", true},
                                         VersionCase{"3.14", true}, VersionCase{"3.15.0", false},
                                         VersionCase{"3.140", false}, VersionCase{"3.1", false}, VersionCase{"", false},
                                         VersionCase{"2.14.0", false}),
                         [](const testing::TestParamInfo<VersionCase>& info) {
                             std::string name;
                             for (const char* c = info.param.runtime; *c != '\0' && *c != ' '; ++c) {
                                 name.push_back(std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
                             }
                             return "v" + name + "_" + std::to_string(info.index);
                         });

TEST(InterpreterVersion, MismatchMessageNamesBothVersions) {
    EXPECT_EQ(pavrix_python::version_mismatch_message("3.14", "3.15.0 (main)"),
              "Python version mismatch: module was compiled for Python 3.14, but the "
              "interpreter version is incompatible: 3.15.0 (main).");
}

}  // namespace
