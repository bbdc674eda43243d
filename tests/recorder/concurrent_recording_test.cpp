// Recordings made on several threads at once must equal the ones made one after another: hosts
// call the record functions from many threads, and analyses share nothing. Meant to be run under
// the thread sanitizer as well; the counts stay small enough for that.

#include "recorder/record_entry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <type_traits>
#include <unistd.h>
#include <vector>

namespace {

using pavrix_svg_core::PaintCommand;
using pavrix_svg_core::RecorderResult;

std::string svg(const std::string& body, const std::string& attrs = "width=\"100\" height=\"100\"") {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" " + attrs + ">" + body + "</svg>";
}

std::string repeated(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

std::string markerChain(int count) {
    std::string links;
    for (int i = 0; i < count; ++i) {
        links += "<marker id=\"m" + std::to_string(i) +
                 "\" overflow=\"visible\"><path d=\"M0 0 L1 0\" stroke=\"black\" marker-start=\"url(#m" +
                 std::to_string(i + 1) + ")\"/></marker>";
    }
    return svg("<path d=\"M0 0 L5 0\" stroke=\"black\" marker-start=\"url(#m0)\"/>" + links);
}

// Nesting counts are kept per thread; at the edge of their caps one level left over from an
// earlier call, or counted by another thread, flips the outcome.
std::string nestedMarker(int outer, int inner) {
    return svg("<marker id=\"m\" overflow=\"visible\">" + repeated("<g>", inner) +
                   "<path d=\"M0 0 L1 0\" stroke=\"black\"/>" + repeated("</g>", inner) + "</marker>" +
                   repeated("<g>", outer) + "<path d=\"M0 0 L5 0\" stroke=\"black\" marker-start=\"url(#m)\"/>" +
                   repeated("</g>", outer),
               "width=\"10\" height=\"10\"");
}

std::string manyShapes(int count) {
    std::string shapes;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i % 37);
        shapes += "<rect x=\"" + n + "\" width=\"3\" height=\"2\" transform=\"rotate(" + std::to_string(i % 360) +
                  " 5 5)\" clip-path=\"url(#c)\" fill-opacity=\"0.5\"/>";
        shapes += "<path d=\"M" + n + " 1 l2 3\" stroke=\"red\" marker-end=\"url(#k)\"/>";
    }
    return svg(
        "<clipPath id=\"c\"><circle cx=\"10\" cy=\"10\" r=\"8\"/></clipPath>"
        "<marker id=\"k\" overflow=\"visible\"><path d=\"M0 0 L2 1 L0 2 Z\"/></marker>"
        "<g opacity=\"0.5\" transform=\"translate(3 4)\">" +
        shapes + "</g>");
}

// Documents that end supported, unsupported (at different steps) and invalid.
std::vector<std::string> corpus() {
    return {
        svg("<rect x=\"1\" y=\"2\" width=\"30\" height=\"40\" fill=\"red\"/>"),
        svg("<circle cx=\"20\" cy=\"20\" r=\"10\"/><ellipse cx=\"5\" cy=\"5\" rx=\"4\" ry=\"2\"/>"
            "<polygon points=\"5,5 50,5 25,40\" fill-rule=\"evenodd\"/>"
            "<path d=\"M10 10 q10 10 20 0 a10 15 30 1 0 20 10 z\" stroke=\"black\" "
            "stroke-dasharray=\"3 1\" stroke-linecap=\"round\"/>"),
        svg("<style>rect { fill: #123456 } .a { stroke: red }</style>"
            "<g transform=\"translate(10 20) rotate(30)\" opacity=\"0.5\"><rect class=\"a\" width=\"5\" "
            "height=\"5\"/></g>"),
        svg("<clipPath id=\"c\"><rect x=\"5\" y=\"5\" width=\"50\" height=\"50\"/></clipPath>"
            "<g clip-path=\"url(#c)\"><rect width=\"80\" height=\"80\"/></g>"),
        svg("<marker id=\"m\" orient=\"auto\"><path d=\"M0 0 L2 1 L0 2 Z\"/></marker>"
            "<path d=\"M0 0 L10 0 L10 10\" fill=\"none\" stroke=\"black\" marker-start=\"url(#m)\" "
            "marker-mid=\"url(#m)\" marker-end=\"url(#m)\"/>"),
        svg("<defs><g id=\"g\"><rect width=\"3\" height=\"3\"/></g></defs><use href=\"#g\" x=\"10\"/>"
            "<use href=\"#g\" transform=\"scale(2)\"/>"),
        svg("<rect width=\"20\" height=\"20\"/>", "width=\"200\" height=\"100\" viewBox=\"0 0 100 50\""),
        manyShapes(150),
        svg("<text x=\"1\" y=\"10\" font-family=\"serif\">Hi</text>",
            "width=\"10\" height=\"10\" viewBox=\"0 0 10 10\""),
        svg("<linearGradient id=\"g\"/><rect width=\"1\" height=\"1\" fill=\"url(#g)\"/>"),
        svg(repeated("<g>", 1100) + repeated("</g>", 1100)),
        svg("<g id=\"a\"><use href=\"#b\"/></g><g id=\"b\"><use href=\"#a\"/></g>"),
        markerChain(2100),
        "<!DOCTYPE svg><svg/>",
        "<svg xmlns=\"http://example.com/ns\"/>",
        "<svg>",
        "",
        nestedMarker(1020, 1021),
        nestedMarker(1020, 1022),
    };
}

template <typename T>
void appendBytes(std::string& out, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

void appendText(std::string& out, const std::string& text) {
    appendBytes(out, text.size());
    out += text;
}

template <typename T>
void appendVector(std::string& out, const std::vector<T>& values) {
    appendBytes(out, values.size());
    for (const T& value : values)
        appendBytes(out, value);
}

// Every field, bit for bit: NaN equals NaN here and -0 differs from 0.
std::string fingerprint(const RecorderResult& result) {
    std::string out;
    appendText(out, result.status);
    appendText(out, result.reason_code);
    appendBytes(out, result.schema_version);
    appendBytes(out, result.bounds);
    appendBytes(out, result.viewport);
    appendBytes(out, result.image_vectorizer_origin);
    appendBytes(out, result.has_non_scaling_stroke);
    appendBytes(out, result.commands.size());
    for (const PaintCommand& c : result.commands) {
        appendBytes(out, c.kind);
        appendVector(out, c.path_verbs);
        appendVector(out, c.path_points);
        appendBytes(out, c.matrix);
        appendBytes(out, c.rgba);
        appendBytes(out, c.fill_rule);
        appendBytes(out, c.stroke.width);
        appendBytes(out, c.stroke.miter_limit);
        appendBytes(out, c.stroke.dash_offset);
        appendBytes(out, c.stroke.line_cap);
        appendBytes(out, c.stroke.line_join);
        appendVector(out, c.stroke.dash_array);
        appendBytes(out, c.has_partial_alpha);
        appendBytes(out, c.paint_opacity);
        appendBytes(out, c.non_scaling_stroke);
        appendBytes(out, c.group_opacity);
        appendBytes(out, c.source_index);
        appendBytes(out, c.relative_path_operation_count);
        appendBytes(out, c.transform_operation_count);
        appendBytes(out, c.path_input_precision_error);
        appendBytes(out, c.path_input_precision_error_x);
        appendBytes(out, c.path_input_precision_error_y);
        appendBytes(out, c.path_lowering_precision_error);
        appendBytes(out, c.path_coordinates_exact);
        appendBytes(out, c.transform_coordinates_exact);
        appendBytes(out, c.source_fill_area_upper_bound);
        appendBytes(out, c.source_has_lowered_curve);
        appendBytes(out, c.stroke_direction_input_ambiguous);
        appendBytes(out, c.isolated_stroke_direction_input_ambiguous);
        appendBytes(out, c.transform_linear_precision_error);
        appendBytes(out, c.transform_translation_precision_error);
        appendVector(out, c.source_subpath_area_potential);
        appendText(out, c.source_kind);
    }
    return out;
}

struct Input {
    bool isFile = false;
    std::string payload;  // document text or file path
};

RecorderResult record(const Input& input) {
    return input.isFile ? pavrix_svg_core::record_svg_file(input.payload)
                        : pavrix_svg_core::record_svg_text(input.payload);
}

class ConcurrentRecording : public testing::Test {
protected:
    void SetUp() override {
        for (const std::string& text : corpus())
            m_inputs.push_back({false, text});
        m_folder = std::filesystem::temp_directory_path() / ("pavrix_concurrent_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder);
        for (std::size_t i : {0u, 4u, 7u, 12u}) {
            const std::filesystem::path path = m_folder / ("doc" + std::to_string(i) + ".svg");
            std::ofstream(path, std::ios::binary) << m_inputs[i].payload;
            m_inputs.push_back({true, path.string()});
        }
        m_inputs.push_back({true, (m_folder / "missing.svg").string()});
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::vector<Input> m_inputs;
    std::filesystem::path m_folder;
};

TEST_F(ConcurrentRecording, CorpusReachesEveryOutcome) {
    EXPECT_EQ(record(m_inputs[0]).status, "supported");
    EXPECT_GT(record(m_inputs[7]).commands.size(), 500u);
    EXPECT_EQ(record(m_inputs[8]).reason_code, "unsupported_text");
    EXPECT_EQ(record(m_inputs[12]).reason_code, "unsupported_complexity");
    EXPECT_EQ(record(m_inputs[15]).status, "invalid");
    EXPECT_EQ(record(m_inputs[17]).status, "supported");
    EXPECT_EQ(record(m_inputs[18]).reason_code, "unsupported_complexity");
    EXPECT_EQ(record(m_inputs.back()).status, "invalid");
}

TEST_F(ConcurrentRecording, ThreadsReproduceSequentialResults) {
    std::vector<std::string> expected;
    for (const Input& input : m_inputs)
        expected.push_back(fingerprint(record(input)));
    for (std::size_t i = 0; i < m_inputs.size(); ++i)
        ASSERT_EQ(fingerprint(record(m_inputs[i])), expected[i]) << "input " << i << " differs on a rerun";

    constexpr unsigned kThreads = 6;
    constexpr unsigned kCallsPerThread = 24;
    std::vector<std::vector<std::size_t>> mismatches(kThreads);
    {
        std::vector<std::jthread> threads;
        for (unsigned t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                // A different fixed order on every thread, so unlike documents overlap.
                std::uint32_t state = 2463534242u + t * 747796405u;
                for (unsigned call = 0; call < kCallsPerThread; ++call) {
                    state ^= state << 13;
                    state ^= state >> 17;
                    state ^= state << 5;
                    const std::size_t index = state % m_inputs.size();
                    if (fingerprint(record(m_inputs[index])) != expected[index])
                        mismatches[t].push_back(index);
                }
            });
        }
    }
    for (unsigned t = 0; t < kThreads; ++t)
        EXPECT_TRUE(mismatches[t].empty()) << "thread " << t << " got " << mismatches[t].size() << " mismatches";
}

TEST_F(ConcurrentRecording, SameDocumentOnAllThreadsAtOnce) {
    for (const std::size_t index : {7u, 8u, 12u, 17u}) {
        const std::string expected = fingerprint(record(m_inputs[index]));
        constexpr unsigned kThreads = 6;
        std::vector<int> equal(kThreads, 0);
        {
            std::vector<std::jthread> threads;
            for (unsigned t = 0; t < kThreads; ++t)
                threads.emplace_back([&, t] { equal[t] = fingerprint(record(m_inputs[index])) == expected; });
        }
        for (unsigned t = 0; t < kThreads; ++t)
            EXPECT_EQ(equal[t], 1) << "input " << index << " thread " << t;
    }
}

}  // namespace
