#include "kernel/result/native_result.h"

namespace pavrix_svg_core {

GeometryCollection init_geometry_collection() {
    GeometryCollection collection;
    collection.ring_offsets.push_back(0);
    collection.polygon_offsets.push_back(0);
    collection.geometry_offsets.push_back(0);
    collection.contributor_offsets.push_back(0);
    return collection;
}

std::shared_ptr<NativeResult> make_native_result() {
    return std::make_shared<NativeResult>();
}

}  // namespace pavrix_svg_core
