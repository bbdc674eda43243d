// Thread-safety check of the analysis: a handful of documents (fills, strokes, dashes, translucent
// overlaps, nested clips, many commands each) are analyzed once sequentially with 16 replay workers,
// then by 8 threads at once, each analyzing every document in its own order, also with 16 workers.
// Every concurrent result must equal its sequential result byte for byte (timings aside). Prints the
// wall times and exits non-zero on any difference.
//
// Its real use is under ThreadSanitizer, where it must finish without a single report (each command
// is one line):
//   tools/sid-root run bash -c 'cmake -S . -B build/tsan -G Ninja -DPAVRIX_TSAN=ON -DPAVRIX_BUILD_TESTS=OFF >/dev/null
//   && cmake --build build/tsan --parallel 4 --target concurrent_analysis_bench' tools/sid-root run env
//   TSAN_OPTIONS=halt_on_error=1 build/tsan/bench/concurrent_analysis_bench
// (If the kernel refuses to map the sanitizer's shadow memory, prefix the second with `setarch -R`.)
// Without sanitizers it is an ordinary benchmark of concurrent analyses.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kernel/analysis_entry.h"

namespace {

using namespace pavrix_svg_core;

constexpr int kConcurrentAnalyses = 8;
constexpr std::uint64_t kReplayWorkers = 16;
constexpr double kWidthMm = 100.0;
constexpr double kToleranceMm = 0.05;

std::string document(const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 400 400\">" + body + "</svg>";
}

std::vector<std::string> documents() {
    std::vector<std::string> result;
    std::string circles;
    std::string strokes;
    std::string translucent;
    std::string clipped =
        "<clipPath id=\"a\"><rect x=\"20\" y=\"10\" width=\"360\" height=\"370\"/></clipPath>"
        "<clipPath id=\"b\"><rect x=\"40\" y=\"40\" width=\"300\" height=\"300\"/></clipPath>"
        "<g clip-path=\"url(#a)\"><g clip-path=\"url(#b)\">";
    for (int i = 0; i < 100; ++i) {
        const std::string x = std::to_string(10 + (i % 20) * 19);
        const std::string y = std::to_string(10 + (i / 20) * 76);
        const std::string colour = "rgb(" + std::to_string(i % 256) + "," + std::to_string((i * 7) % 256) + ",90)";
        circles += "<circle cx=\"" + x + "\" cy=\"" + y + "\" r=\"14\" fill=\"" + colour + "\"/>";
        strokes += "<path d=\"M" + x + " " + y + " q 20 -30 40 0 t 40 0\" fill=\"none\" stroke=\"" + colour +
                   "\" stroke-width=\"3\" stroke-linejoin=\"round\"" + (i % 3 == 0 ? " stroke-dasharray=\"5 2\"" : "") +
                   "/>";
        translucent += "<rect x=\"" + x + "\" y=\"" + y + "\" width=\"50\" height=\"30\" fill=\"" + colour +
                       "\" fill-opacity=\"0.4\"/>";
        clipped += "<rect x=\"" + x + "\" y=\"" + y + "\" width=\"30\" height=\"30\" fill=\"" + colour + "\"/>";
    }
    clipped += "</g></g>";
    result.push_back(document(circles));
    result.push_back(document(strokes));
    result.push_back(document(translucent));
    result.push_back(document(clipped));
    result.push_back(document("<g opacity=\"0.5\">" + circles + "</g>" + strokes));
    return result;
}

template <typename T>
void append(std::string& out, const std::vector<T>& values) {
    const std::uint64_t size = values.size();
    out.append(reinterpret_cast<const char*>(&size), sizeof size);
    if (!values.empty())
        out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

template <typename T>
void append_scalar(std::string& out, const T& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void append_collection(std::string& out, const GeometryCollection& c) {
    append(out, c.coordinates);
    append(out, c.ring_offsets);
    append(out, c.polygon_offsets);
    append(out, c.geometry_offsets);
    append(out, c.hole_parent);
    append(out, c.rgba);
    append(out, c.rgba_f64);
    append(out, c.draw_indices);
    append(out, c.source_indices);
    append(out, c.source_kinds);
    append(out, c.contributor_offsets);
    append(out, c.contributor_draw_indices);
    append(out, c.contributor_source_indices);
    append(out, c.contributor_source_kinds);
    append(out, c.contributor_weights);
}

// Everything the analysis decides, without the stage timings.
std::string serialize(const NativeResult& r) {
    std::string out = r.status + '\0' + r.reason_code + '\0';
    append_scalar(out, r.schema_version);
    append_scalar(out, r.bbox);
    append_scalar(out, r.viewport_bounds);
    append_scalar(out, r.image_vectorizer_origin);
    append_scalar(out, r.scale_factor);
    append_scalar(out, r.grid_to_source_unit);
    append_scalar(out, r.max_flattening_error_mm);
    append_scalar(out, r.max_quantization_error_mm);
    append_scalar(out, r.replay_worker_count);
    append_scalar(out, r.input_paint_count);
    append_collection(out, r.raw);
    append_collection(out, r.visible);
    append_collection(out, r.silhouette);
    const UnprintableFragmentCollection& f = r.unprintable_fragments;
    append(out, f.reason_ids);
    append(out, f.rgba);
    append(out, f.rgba_f64);
    append(out, f.draw_indices);
    append(out, f.source_indices);
    append(out, f.source_kinds);
    append(out, f.subpath_indices);
    return out;
}

std::string analyze(const std::string& svg) {
    const ReplayEnvironment environment{kReplayWorkers, std::nullopt};
    const std::shared_ptr<NativeResult> result = analyze_svg_text(svg, kWidthMm, kToleranceMm, true, environment);
    return serialize(*result);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::vector<std::string> inputs = documents();
    std::vector<std::string> reference;
    const auto sequential_start = std::chrono::steady_clock::now();
    for (const std::string& svg : inputs)
        reference.push_back(analyze(svg));
    const double sequential_seconds = seconds_since(sequential_start);
    for (std::size_t i = 0; i < reference.size(); ++i)
        std::printf("document %zu: %s %s, %zu bytes of result\n", i, reference[i].c_str(),
                    reference[i].c_str() + std::strlen(reference[i].c_str()) + 1, reference[i].size());

    // outputs[thread][document]
    std::vector<std::vector<std::string>> outputs(kConcurrentAnalyses, std::vector<std::string>(inputs.size()));
    const auto concurrent_start = std::chrono::steady_clock::now();
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kConcurrentAnalyses; ++t) {
            threads.emplace_back([&inputs, &outputs, t] {
                // Each thread starts at a different document so that different analyses overlap.
                for (std::size_t k = 0; k < inputs.size(); ++k) {
                    const std::size_t i = (k + static_cast<std::size_t>(t)) % inputs.size();
                    outputs[t][i] = analyze(inputs[i]);
                }
            });
        }
    }
    const double concurrent_seconds = seconds_since(concurrent_start);

    int differences = 0;
    for (int t = 0; t < kConcurrentAnalyses; ++t) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            if (outputs[t][i] != reference[i]) {
                ++differences;
                std::printf("DIFFERENT: thread %d, document %zu\n", t, i);
            }
        }
    }
    std::printf("sequential: %zu analyses in %.3f s; concurrent: %d threads x %zu analyses in %.3f s\n", inputs.size(),
                sequential_seconds, kConcurrentAnalyses, inputs.size(), concurrent_seconds);
    std::printf("%s\n", differences == 0 ? "all concurrent results equal the sequential ones" : "MISMATCH");
    return differences == 0 ? 0 : 1;
}
