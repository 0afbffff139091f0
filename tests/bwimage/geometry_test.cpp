// Rectangles and runs: field order, 16-bit wrap, merge, overlap, cross and containment vs pixel sets.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "rkcorr/geometry.h"

using Rect = TRkImgRect<unsigned short>;
using Ran = TRkImgRan<unsigned short>;
using Box = std::vector<int>;  // left, top, right, bottom

namespace {

Box Of(const Rect& r) { return {r.GetLeft(), r.GetTop(), r.GetRight(), r.GetBottom()}; }

// Fields after the vtable pointer: top, bottom, left, right; sizes wrap at 16 bits, areas do not.
TEST(Geometry, FieldOrderAndSixteenBitWrap) {
    Rect r(1, 2, 3, 4);  // left, top, right, bottom
    EXPECT_EQ(Of(r), (Box{1, 2, 3, 4}));
    EXPECT_EQ(reinterpret_cast<const char*>(&r.top) - reinterpret_cast<const char*>(&r), long(sizeof(void*)));
    EXPECT_TRUE(&r.top < &r.bottom && &r.bottom < &r.left && &r.left < &r.right);
    EXPECT_EQ(Rect(65535, 0, 0, 0).GetWidth() * 100 + Rect(0, 65535, 0, 1).GetHeight(), 203);
    EXPECT_EQ(Ran(4, 7).GetLength() * 100 + Ran(65535, 0).GetLength(), 402);
    EXPECT_EQ(Rect(0, 0, 65534, 65534).GetSize(), 65535u * 65535u);
    EXPECT_EQ(Of(Rect(TRkImgRect<int>(-1, 0, 70000, 5))), (Box{65535, 0, 4464, 5}));
}

// Random small rectangles (possibly at the 16-bit edge) against pixel sets.
TEST(Geometry, DifferentialAgainstPixelSets) {
    std::mt19937 rng(1234);
    auto randomRect = [&]() {
        const unsigned short base = rng() % 4 == 0 ? 65520 : 0, l = base + rng() % 13, t = base + rng() % 13;
        return Rect(l, t, std::max<unsigned short>(l, l + rng() % 7),
                    std::max<unsigned short>(t, t + rng() % 7));
    };
    for (int iter = 0; iter < 4000; ++iter) {
        const Rect a = randomRect(), b = randomRect();
        int minX = 65535, maxX = -1, minY = 65535, maxY = -1;
        bool subset = true;
        // Every pixel that matters (shared, or in b but not in a) is one of b's.
        for (int y = b.top; y <= b.bottom; ++y)
            for (int x = b.left; x <= b.right; ++x)
                if (x >= a.left && x <= a.right && y >= a.top && y <= a.bottom)
                    minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = y;
                else
                    subset = false;
        const unsigned short px = b.left + rng() % 9 - 4, py = b.top + rng() % 9 - 4;
        ASSERT_EQ(a.CheckInsidePoint(px, py), px >= a.left && px <= a.right && py >= a.top && py <= a.bottom);
        ASSERT_EQ(Ran(a.left, a.right).CheckInsidePoint(px), px >= a.left && px <= a.right);
        const bool cross = maxX >= 0;
        ASSERT_EQ(a.CheckCross(b), cross);
        ASSERT_EQ(a.CheckContain(b), subset);
        Rect u = a, m = a;
        ASSERT_EQ(u.UnionRect(b), cross);
        ASSERT_EQ(Of(u), cross ? (Box{minX, minY, maxX, maxY}) : Of(a));
        ASSERT_EQ(u.GetSize(), cross ? uint32_t((maxX - minX + 1) * (maxY - minY + 1)) : a.GetSize());
        ASSERT_EQ(m.MergeRect(b), !subset);
        ASSERT_EQ(Of(m), (Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                              std::max(a.bottom, b.bottom)}));
    }
}

}  // namespace
