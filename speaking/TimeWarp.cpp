#include "speaking/TimeWarp.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lesnor {

WarpPath warpAlign(const FeatureRows& a, const FeatureRows& b) {
    WarpPath path;
    const int n = a.count();
    const int m = b.count();
    if (n == 0 || m == 0 || a.dim != b.dim)
        return path;
    const int dim = a.dim;
    // Cumulative cost, row by row; each cell remembers its step for the way back.
    std::vector<float> total(size_t(n) * size_t(m));
    std::vector<unsigned char> step(total.size()); // 0 diagonal, 1 from above, 2 from the left
    constexpr float inf = std::numeric_limits<float>::infinity();
    for (int i = 0; i < n; ++i) {
        const float* x = a.row(i);
        float* here = total.data() + size_t(i) * size_t(m);
        const float* above = i > 0 ? here - m : nullptr;
        unsigned char* steps = step.data() + size_t(i) * size_t(m);
        for (int j = 0; j < m; ++j) {
            const float* y = b.row(j);
            float d2 = 0;
            for (int k = 0; k < dim; ++k) {
                const float d = x[k] - y[k];
                d2 += d * d;
            }
            const float d = std::sqrt(d2);
            if (i == 0 && j == 0) {
                here[j] = d;
                continue;
            }
            const float diagonal = i > 0 && j > 0 ? above[j - 1] : inf;
            const float up = i > 0 ? above[j] : inf;
            const float left = j > 0 ? here[j - 1] : inf;
            if (diagonal <= up && diagonal <= left) {
                here[j] = d + diagonal;
                steps[j] = 0;
            } else if (up <= left) {
                here[j] = d + up;
                steps[j] = 1;
            } else {
                here[j] = d + left;
                steps[j] = 2;
            }
        }
    }
    path.cost = total.back();
    int i = n - 1;
    int j = m - 1;
    path.pairs.emplace_back(i, j);
    while (i > 0 || j > 0) {
        switch (step[size_t(i) * size_t(m) + size_t(j)]) {
        case 0:
            --i;
            --j;
            break;
        case 1:
            --i;
            break;
        default:
            --j;
            break;
        }
        path.pairs.emplace_back(i, j);
    }
    std::reverse(path.pairs.begin(), path.pairs.end());
    return path;
}

} // namespace lesnor
