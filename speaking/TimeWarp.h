#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace lesnor {

// Rows of `dim` features, one row per analysis frame, stored one after the other.
struct FeatureRows {
    int dim = 0;
    std::vector<float> values;
    int count() const { return dim > 0 ? int(values.size()) / dim : 0; }
    const float* row(int i) const { return values.data() + std::size_t(i) * std::size_t(dim); }
};

// The cheapest monotonic alignment of two frame sequences (dynamic time warping with
// steps (1,0), (0,1) and (1,1), Euclidean distance between rows): pairs (a frame, b
// frame) from (0,0) to (last a, last b), each frame of either side in at least one pair.
// Empty when either side has no frames or the rows differ in width.
struct WarpPath {
    std::vector<std::pair<int, int>> pairs;
    double cost = 0; // the summed distance along the path
};
WarpPath warpAlign(const FeatureRows& a, const FeatureRows& b);

} // namespace lesnor
