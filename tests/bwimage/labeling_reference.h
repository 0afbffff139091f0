// The labeling reference: connected components of the black pixels inside an
// area by flood fill, with a label map (-1 white or outside) and bounding
// boxes in the order of each component's first pixel, row by row.
#ifndef RKCORR_TESTS_BWIMAGE_LABELING_REFERENCE_H
#define RKCORR_TESTS_BWIMAGE_LABELING_REFERENCE_H

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

namespace rktest {

typedef std::tuple<int, int, int, int> Box;  // left, top, right, bottom

struct Components {
    std::vector<int> label;
    std::vector<Box> boxes;
    std::vector<int> sizes;
};

// black(x, y) tells the pixels of a w-wide image; the area is l..r x t..bo.
template <class Black>
Components Flood(int w, int h, Black black, int l, int t, int r, int bo, bool connect8) {
    Components ref;
    ref.label.assign(static_cast<size_t>(w) * h, -1);
    std::vector<std::pair<int, int>> stack;
    for (int y = t; y <= bo; ++y)
        for (int x = l; x <= r; ++x) {
            if (!black(x, y) || ref.label[y * w + x] >= 0) continue;
            const int id = static_cast<int>(ref.boxes.size());
            Box box(x, y, x, y);
            int size = 0;
            stack.emplace_back(x, y);
            ref.label[y * w + x] = id;
            while (!stack.empty()) {
                const auto p = stack.back();
                stack.pop_back();
                ++size;
                box = Box(std::min(std::get<0>(box), p.first), std::min(std::get<1>(box), p.second),
                          std::max(std::get<2>(box), p.first), std::max(std::get<3>(box), p.second));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = p.first + dx, ny = p.second + dy;
                        if ((!dx && !dy) || (!connect8 && dx && dy) || nx < l || nx > r || ny < t || ny > bo)
                            continue;
                        if (!black(nx, ny) || ref.label[ny * w + nx] >= 0) continue;
                        ref.label[ny * w + nx] = id;
                        stack.emplace_back(nx, ny);
                    }
            }
            ref.boxes.push_back(box);
            ref.sizes.push_back(size);
        }
    return ref;
}

}  // namespace rktest

#endif
