#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "graphics/vector_path.h"

namespace pavrix_test {

using pavrix_graphics::FloatPoint;
using pavrix_graphics::PathCommand;
using pavrix_graphics::VectorPath;

// Checks the record's counters against its elements.
inline ::testing::AssertionResult countersConsistent(const VectorPath* path) {
    std::int64_t points = 0, contours = 0, curves = 0;
    std::int32_t index = 0;
    const auto& array = path->elements;
    if (array.size > array.capacity)
        return ::testing::AssertionFailure() << "size " << array.size << " > capacity " << array.capacity;
    while (index < array.size) {
        const auto header = array.data[index].header;
        const int expected = header.command == PathCommand::cubic_to ? 4 : 2;
        if (header.length != expected)
            return ::testing::AssertionFailure() << "header at " << index << " has length " << header.length;
        points += header.length - 1;
        contours += header.command == PathCommand::move_to;
        curves += header.command == PathCommand::cubic_to;
        index += header.length;
    }
    if (index != array.size)
        return ::testing::AssertionFailure() << "elements overrun size";
    if (points != path->num_points || contours != path->num_contours || curves != path->num_curves)
        return ::testing::AssertionFailure()
               << "counts " << path->num_points << "/" << path->num_contours << "/" << path->num_curves
               << " but elements hold " << points << "/" << contours << "/" << curves;
    return ::testing::AssertionSuccess();
}

struct Segment {
    PathCommand command;
    std::vector<FloatPoint> points;
};

inline std::vector<Segment> segmentsOf(const VectorPath* path) {
    std::vector<Segment> out;
    pavrix_graphics::path_traverse(
        path,
        [](void* closure, PathCommand command, const FloatPoint* points, int n) {
            static_cast<std::vector<Segment>*>(closure)->push_back(
                {command, std::vector<FloatPoint>(points, points + n)});
        },
        &out);
    return out;
}

// Compact text form "M0,0 L5,5 C1,1 2,2 3,3 Z0,0" for exact comparisons.
inline std::string describe(const VectorPath* path) {
    std::string out;
    for (const Segment& s : segmentsOf(path)) {
        if (!out.empty())
            out += ' ';
        out += "MLCZ"[static_cast<int>(s.command)];
        for (std::size_t i = 0; i < s.points.size(); ++i) {
            if (i)
                out += ' ';
            char buf[64];
            std::snprintf(buf, sizeof buf, "%g,%g", static_cast<double>(s.points[i].x),
                          static_cast<double>(s.points[i].y));
            out += buf;
        }
    }
    return out;
}

// Owns a path for the length of a test.
struct PathHolder {
    PathHolder() : path(pavrix_graphics::path_create()) {}
    explicit PathHolder(VectorPath* p) : path(p) {}
    ~PathHolder() { pavrix_graphics::path_destroy(path); }
    PathHolder(const PathHolder&) = delete;
    PathHolder& operator=(const PathHolder&) = delete;
    VectorPath* operator->() const { return path; }
    VectorPath* get() const { return path; }
    VectorPath* path;
};

}  // namespace pavrix_test
