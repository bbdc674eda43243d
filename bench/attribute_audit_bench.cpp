// Time of the per-attribute screening and audit on large values.
//
//   attribute_audit_bench [megabytes]
//
// Runs the float-range scan over digit runs of the given size (doubling once, so a linear scan
// shows about twice the time), and the path-data scan, item count, precision analysis and
// subpath flags over a generated path of about the same size.

#include "svg/screen/capability_classifier.h"
#include "svg/exact/path_data_audit.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace pavrix_svg;

namespace {

template <typename Work>
double seconds(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
    const std::size_t size = static_cast<std::size_t>(megabytes * 1048576.0);
    volatile bool sink = false;
    for (std::size_t n : {size, 2 * size}) {
        const std::string nines(n, '9');
        const std::string ones = std::string(n, '1') + ".";
        const std::string zeros = std::string(n, '0') + "e400";
        std::printf("float range, %zu digits: nines %.4f s, ones+dot %.4f s, zeros+e400 %.4f s\n", n,
                    seconds([&] { sink = checkNumbersFloatRange(nines); }),
                    seconds([&] { sink = checkNumbersFloatRange(ones); }),
                    seconds([&] { sink = checkNumbersFloatRange(zeros); }));
    }
    std::string path = "M0 0";
    while (path.size() < size)
        path += " l1.5 -2.25 c0.1 0.2 0.3 0.4 0.5 0.6 a3 4 15 0 1 7 8 q1 2 3 4 z";
    std::printf("path data, %zu bytes: scan %.4f s, items %.4f s, precision %.4f s, flags %.4f s\n", path.size(),
                seconds([&] { sink = scanPathDataComplexity(path).valid != 0; }),
                seconds([&] { sink = countPathDataItems(path) != 0; }),
                seconds([&] { sink = analyzePathDataPrecision(path).error > 0; }),
                seconds([&] { sink = !subpathFlagsOf(path).empty(); }));
    (void)sink;
    return 0;
}
