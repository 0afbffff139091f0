// Rectangles, runs and points: record layout, 16-bit wrap, runs moved on merge,
// and merge, overlap, cross and containment against pixel sets.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "rkcorr/geometry.h"

using Rect = TRkImgRect<unsigned short>;

namespace {

void ExpectRect(const Rect& r, int l, int t, int rt, int b) {
    EXPECT_EQ(r.GetLeft(), l);
    EXPECT_EQ(r.GetTop(), t);
    EXPECT_EQ(r.GetRight(), rt);
    EXPECT_EQ(r.GetBottom(), b);
}

// GetSize must go through the virtual GetWidth.
struct WideRect : Rect {
    WideRect() : Rect(0, 0, 0, 0) {}
    unsigned short GetWidth() const override { return 7; }
};

}  // namespace

TEST(Geometry, LayoutSizesAndSixteenBitWrap) {
    Rect r(1, 2, 3, 4);  // left, top, right, bottom
    ExpectRect(r, 1, 2, 3, 4);
    // Fields follow the vtable pointer in order top, bottom, left, right.
    EXPECT_EQ(reinterpret_cast<const char*>(&r.top) - reinterpret_cast<const char*>(&r), long(sizeof(void*)));
    EXPECT_TRUE(&r.top < &r.bottom && &r.bottom < &r.left && &r.left < &r.right);
    static_assert(sizeof(TRkImgRan<unsigned short>) == 4, "a plain pair of 16-bit values");
    static_assert(sizeof(TRkImgRanPlus<unsigned short>) == 6, "start, end, line");
    // Sizes wrap at 16 bits; the area does not overflow 32 signed bits.
    EXPECT_EQ(Rect(65535, 0, 0, 0).GetWidth() * 100 + Rect(0, 65535, 0, 1).GetHeight(), 203);
    EXPECT_EQ(Rect(0, 0, 65535, 0).GetWidth(), 0);
    EXPECT_EQ(Rect(0, 0, 65534, 65534).GetSize(), 65535u * 65535u);
    EXPECT_EQ(TRkImgRect<int>(5, 0, -5, 0).GetWidth(), -9);
    EXPECT_EQ(WideRect().GetSize(), 7u);
    ExpectRect(Rect(TRkImgRect<int>(-1, 0, 70000, 5)), 65535, 0, 4464, 5);  // low bits kept
    TRkImgRan<unsigned short> run(4, 7);
    EXPECT_EQ(run.GetLength() * 100 + TRkImgRan<unsigned short>(65535, 0).GetLength(), 402);
    EXPECT_TRUE(run.CheckInsidePoint(4) && run.CheckInsidePoint(7) && !run.CheckInsidePoint(3) &&
                !run.CheckInsidePoint(8));
}

// Random small rectangles (possibly at the 16-bit edge) against pixel sets.
TEST(Geometry, DifferentialAgainstPixelSets) {
    std::mt19937 rng(1234);
    auto coord = [&](int lo, int hi) {
        return static_cast<unsigned short>(std::uniform_int_distribution<int>(lo, hi)(rng));
    };
    auto randomRect = [&]() {
        unsigned short base = rng() % 4 == 0 ? 65520 : 0;
        unsigned short l = base + coord(0, 12), t = base + coord(0, 12);
        unsigned short r = l + coord(0, 6), b = t + coord(0, 6);
        if (r < l) r = l;  // stay below the wrap for the pixel-set model
        if (b < t) b = t;
        return Rect(l, t, r, b);
    };
    for (int iter = 0; iter < 4000; ++iter) {
        Rect a = randomRect(), b = randomRect();
        int minX = 65535, maxX = -1, minY = 65535, maxY = -1;
        bool subset = true;
        // Every pixel that matters (shared, or in b but not in a) is one of b's.
        for (int y = b.top; y <= b.bottom; ++y) {
            for (int x = b.left; x <= b.right; ++x) {
                if (x >= a.left && x <= a.right && y >= a.top && y <= a.bottom) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                } else {
                    subset = false;
                }
            }
        }
        const unsigned short px = b.left + coord(0, 8) - 4, py = b.top + coord(0, 8) - 4;
        ASSERT_EQ(a.CheckInsidePoint(px, py), px >= a.left && px <= a.right && py >= a.top && py <= a.bottom);
        bool cross = maxX >= 0;
        ASSERT_EQ(a.CheckCross(b), cross);
        ASSERT_EQ(a.CheckContain(b), subset);
        Rect u = a;
        ASSERT_EQ(u.UnionRect(b), cross);
        if (cross) {
            ExpectRect(u, minX, minY, maxX, maxY);
            ASSERT_EQ(u.GetSize(), static_cast<uint32_t>((maxX - minX + 1) * (maxY - minY + 1)));
        } else {
            ExpectRect(u, a.left, a.top, a.right, a.bottom);
        }
        Rect m = a;
        bool grew = m.MergeRect(b);
        ExpectRect(m, std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                   std::max(a.bottom, b.bottom));
        ASSERT_EQ(grew, !a.CheckContain(b));
    }
}

TEST(Geometry, RectPlusMovesRunsOnMerge) {
    using Plus = TRkImgRectPlus<unsigned short>;
    Plus a(0, 0, 4, 0), b(6, 2, 9, 3);
    a.runs.emplace_back(0, 4, 0);
    b.runs.emplace_back(6, 9, 2);
    b.runs.emplace_back(7, 8, 3);
    const TRkImgRanPlus<unsigned short>* firstOfB = &b.runs.front();
    EXPECT_TRUE(a.MergeRect(b));
    EXPECT_TRUE(b.runs.empty());
    ASSERT_EQ(a.runs.size(), 3u);
    EXPECT_EQ(&*std::next(a.runs.begin()), firstOfB);  // moved, not copied
    EXPECT_EQ(a.runs.back().line, 3);
    ExpectRect(a, 0, 0, 9, 3);
    Plus inner(1, 0, 2, 0);
    EXPECT_FALSE(a.MergeRect(inner));

    // Copies own their runs; a move takes them over.
    Plus copy = a;
    copy.runs.clear();
    EXPECT_EQ(a.runs.size(), 3u);
    Plus moved(std::move(a));
    EXPECT_EQ(moved.runs.size(), 3u);
    copy = moved;
    EXPECT_EQ(copy.runs.size(), 3u);
    ExpectRect(copy, 0, 0, 9, 3);

    // Through a base reference only the coordinates take part.
    Rect& asBase = copy;
    EXPECT_TRUE(asBase.MergeRect(Rect(0, 0, 20, 3)));
    EXPECT_EQ(copy.runs.size(), 3u);

    int pack = 0;
    TRkImgRect2Plus<unsigned short> f(1, 2, 3, 4, &pack);
    f.runs.emplace_back(1, 3, 2);
    TRkImgRect2Plus<unsigned short> g = f;
    EXPECT_EQ(g.nextFree, &pack);
    TRkImgRect2Plus<unsigned short> h(0, 0, 0, 0, nullptr);
    h = g;
    EXPECT_EQ(h.nextFree, &pack);
    EXPECT_EQ(h.runs.size(), 1u);
    ExpectRect(h, 1, 2, 3, 4);
}
