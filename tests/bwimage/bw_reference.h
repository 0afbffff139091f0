// The bilevel toolkit's per-pixel references, written plainly, and the random rectangles their tests share.
#ifndef RKCORR_TESTS_BWIMAGE_BW_REFERENCE_H
#define RKCORR_TESTS_BWIMAGE_BW_REFERENCE_H

#include <algorithm>
#include <cstdlib>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "support/test_dib.h"

namespace bwref {

using rktest::TestDib;
typedef TRkImgRect<unsigned short> Rect;
typedef std::tuple<int, int, int, int> Box;  // left, top, right, bottom
typedef std::vector<std::pair<int, int>> RunList;

// lo <= hi inside [0, size), often reaching an edge or one pixel long.
inline std::pair<int, int> RandomSpan(std::mt19937& rng, int size) {
    int a = rng() % size, b = rng() % size, k = rng() % 6;
    if (a > b) std::swap(a, b);
    return {k == 1 ? 0 : a, k == 0 ? size - 1 : k == 2 ? a : b};
}
inline Rect RandomRect(std::mt19937& rng, const TestDib& b) {
    const auto [l, r] = RandomSpan(rng, b.w);
    const auto [t, bo] = RandomSpan(rng, b.h);
    return Rect(WORD(l), WORD(t), WORD(r), WORD(bo));
}

// Runs of `black` in pixels start..end of a row or column, joined across gaps of at most `gap` pixels.
inline RunList Runs(const TestDib& b, int line, int start, int end, bool horizontal, bool black,
                    int gap = 0) {
    RunList out;
    for (int p = start; p <= end; ++p)
        if ((horizontal ? b.get(p, line) : b.get(line, p)) == black) {
            if (out.empty() || p - out.back().second - 1 > gap) out.emplace_back(p, p);
            out.back().second = p;
        }
    return out;
}

// Components of the area's black pixels: label map (-1 none); by label in first-pixel order, boxes, sizes.
struct Components {
    std::vector<int> label;
    std::vector<Box> boxes;
    std::vector<int> sizes;
};
inline Components Flood(const TestDib& b, const Rect& a, bool connect8) {
    Components c{std::vector<int>(size_t(b.w) * b.h, -1), {}, {}};
    auto black = [&](int x, int y) {
        return x >= a.left && x <= a.right && y >= a.top && y <= a.bottom && b.get(x, y);
    };
    for (int i = 0; i < b.w * b.h; ++i) {
        if (c.label[i] >= 0 || !black(i % b.w, i / b.w)) continue;
        const int k = c.label[i] = int(c.boxes.size());
        c.boxes.emplace_back(i % b.w, i / b.w, i % b.w, i / b.w), c.sizes.push_back(0);
        for (std::vector<int> todo{i}; !todo.empty();) {
            const int x = todo.back() % b.w, y = todo.back() / b.w;
            auto& [l, t, r, bo] = c.boxes[k];
            l = std::min(l, x), r = std::max(r, x), bo = std::max(bo, y), ++c.sizes[k], todo.pop_back();
            for (int n = 0; n < 9; ++n) {  // the 3 x 3 block; its odd places are the 4 neighbours
                const int nx = x + n % 3 - 1, ny = y + n / 3 - 1;
                if ((connect8 || n % 2) && black(nx, ny) && c.label[ny * b.w + nx] < 0)
                    c.label[ny * b.w + nx] = k, todo.push_back(ny * b.w + nx);
            }
        }
    }
    return c;
}

// 3 x 3 square: AND (OR) over the block's rows inside the rectangle; edge columns read only their own.
inline void RefSquare(TestDib& b, const Rect& r, bool dilate) {
    const TestDib src = b;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x) {
            bool v = !dilate;
            for (int yy = std::max<int>(y - 1, r.top); yy <= std::min<int>(y + 1, r.bottom); ++yy)
                for (int xx = x - 1; xx <= x + 1; ++xx) {
                    const bool p = src.get(x == r.left || x == r.right ? x : xx, yy);
                    v = dilate ? v || p : v && p;
                }
            b.set(x, y, v);
        }
}

// Element: each black (white) pixel draws (erases) its offsets that are positive and in the rectangle.
inline void RefElement(TestDib& b, const Rect& r, const TestDib& element, int ox, int oy, bool dilate) {
    const TestDib src = b;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x)
            for (int e = 0; e < element.w * element.h && src.get(x, y) == dilate; ++e) {
                const int ex = e % element.w, ey = e / element.w;
                const short tx = short(WORD(x + ex - ox)), ty = short(WORD(y + ey - oy));
                if (element.get(ex, ey) && tx > 0 && ty > 0 && tx >= r.left && tx <= r.right && ty >= r.top &&
                    ty <= r.bottom)
                    b.set(tx, ty, dilate);
            }
}

// Clears each pixel strictly inside the rectangle whose 3 x 3 block is black.
inline void RefOutline(TestDib& b, const Rect& r) {
    TestDib eroded = b;
    RefSquare(eroded, r, false);
    for (int y = r.top + 1; y < r.bottom; ++y)
        for (int x = r.left + 1; x < r.right; ++x) b.set(x, y, b.get(x, y) && !eroded.get(x, y));
}

// Zhang-Suen thinning on snapshots, first sub-pass first, until a sub-pass deletes nothing.
inline void RefThin(TestDib& b, const Rect& r) {
    if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
    for (bool first = true, changed = true; changed; first = !first) {
        const TestDib s = b;
        changed = false;
        for (int y = r.top + 1; y < r.bottom; ++y)
            for (int x = r.left + 1; x < r.right; ++x) {
                if (!s.get(x, y)) continue;
                const int P[8] = {s.get(x, y - 1), s.get(x + 1, y - 1), s.get(x + 1, y), s.get(x + 1, y + 1),
                                  s.get(x, y + 1), s.get(x - 1, y + 1), s.get(x - 1, y), s.get(x - 1, y - 1)};
                int B = 0, A = 0;
                for (int i = 0; i < 8; ++i) B += P[i], A += !P[i] && P[(i + 1) % 8];
                const bool spare = first ? (P[0] && P[2] && P[4]) || (P[2] && P[4] && P[6])
                                         : (P[0] && P[2] && P[6]) || (P[0] && P[4] && P[6]);
                if (B >= 2 && B <= 6 && A == 1 && !spare) b.set(x, y, false), changed = true;
            }
    }
}

// Bounding box of the black pixels of the rectangle; false when none.
inline bool RefBox(const TestDib& b, const Rect& r, Rect& box) {
    int l = r.right + 1, t = r.bottom + 1, rr = -1, bo = -1;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x)
            if (b.get(x, y)) l = std::min(l, x), rr = std::max(rr, x), t = std::min(t, y), bo = y;
    if (rr >= 0) box = Rect(WORD(l), WORD(t), WORD(rr), WORD(bo));
    return rr >= 0;
}

// Per row (rows) or column, the summed length of runs of `colour` at least minLength long.
inline std::vector<unsigned short> RefProjection(const TestDib& b, const Rect& r, bool rows, int minLength,
                                                 bool colour) {
    std::vector<unsigned short> out;
    for (int i = 0; i <= (rows ? r.bottom - r.top : r.right - r.left); ++i) {
        int total = 0;
        for (const auto& run : rows ? Runs(b, r.top + i, r.left, r.right, true, colour)
                                    : Runs(b, r.left + i, r.top, r.bottom, false, colour))
            if (run.second - run.first + 1 >= minLength) total += run.second - run.first + 1;
        out.push_back(static_cast<unsigned short>(total));
    }
    return out;
}

// Black where 2 x the weighted window count exceeds k's threshold (two quadrants weigh nothing).
inline TestDib RefGradation(const TestDib& s, int k) {
    static const int kThreshold[11] = {0, 0, 5, 35, 114, 266, 515, 885, 1400, 2084, 2961};
    const int r = k - 1;
    TestDib out = s;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            int sum = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    const int px = x + dx, py = y + dy;
                    if (dx * dy >= 0 && px >= 0 && py >= 0 && px < s.w && py < s.h && s.get(px, py))
                        sum += 2 * r - std::abs(dx) - std::abs(dy);
                }
            out.set(x, y, 2 * sum > kThreshold[k]);
        }
    return out;
}

}  // namespace bwref

#endif
