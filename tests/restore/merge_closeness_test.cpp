// The joining passes (merge_step1, merge_step2, merge_image, merge_closeset):
// thresholds, ties and walk order on crafted lists, then the plain reference
// on many random lists, with and without failing allocations.
#include <gtest/gtest.h>

#include <new>

#include "support/alloc_hook.h"
#include "merge_reference.h"
#include "merge_test_support.h"
#include "restore/merge.h"

namespace {

using mt::Idx;
using mt::List;
using mt::run;
using mt::same_rect;
using mt::Vec;
typedef IMGRect R;

// n character rectangles of 10 x 10 inside (0, 0)-(100, 100).
Vec chars_in(unsigned n) {
    Vec v;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned x = 2 + 12 * (i % 8), y = 2 + 12 * (i / 8);
        v.push_back(R(x, y, x + 10, y + 10));
    }
    return v;
}

void image_pass(Vec*, List* l) { merge_image(l); }

TEST(MergeStep1, ContainmentOverlapAndWalkOrder) {
    // A container drops an inner candidate while it holds at most four
    // characters wholly inside; one sticking out by a column does not count.
    for (unsigned n : {0u, 4u, 5u}) {
        Vec chars = chars_in(n), v = {R(0, 0, 100, 100), R(10, 10, 20, 20)};
        EXPECT_EQ(run(merge_step1, v, &chars), (Idx{0, n <= 4 ? -1 : 1})) << n;
        EXPECT_TRUE(same_rect(v[0], 0, 0, 100, 100));
    }
    Vec chars = chars_in(4), v = {R(0, 0, 100, 100), R(10, 10, 20, 20)};
    chars.push_back(R(95, 50, 101, 60));
    EXPECT_EQ(run(merge_step1, v, &chars), (Idx{0, -1}));

    // Partial overlap joins A into the first such candidate, whose own turn
    // then comes with the new extent: it now contains w[2] and drops it.
    Vec w = {R(0, 0, 50, 50), R(40, 40, 90, 90), R(45, 0, 70, 10)};
    EXPECT_EQ(run(merge_step1, w), (Idx{-1, 1, -1}));
    EXPECT_TRUE(same_rect(w[1], 0, 0, 90, 90));
    // A drops x[1], then joins x[2]; x[2], grown, drops x[3].
    Vec x = {R(0, 0, 100, 100), R(10, 10, 20, 20), R(90, 90, 200, 200), R(30, 30, 40, 40)};
    EXPECT_EQ(run(merge_step1, x), (Idx{-1, -1, 2, -1}));
    EXPECT_TRUE(same_rect(x[2], 0, 0, 200, 200));
    // Touching without a shared column does nothing.
    Vec t = {R(0, 0, 50, 50), R(51, 0, 60, 50)};
    EXPECT_EQ(run(merge_step1, t), (Idx{0, 1}));
    EXPECT_TRUE(same_rect(t[0], 0, 0, 50, 50));
}

TEST(MergeStep2, AreaAndCharacterThresholds) {
    // Inside a container: 19 x 21 (area 399) goes, 20 x 20 (area 400) stays.
    Vec v = {R(0, 0, 200, 200), R(10, 10, 28, 30), R(50, 50, 69, 69)};
    EXPECT_EQ(run(merge_step2, v), (Idx{0, -1, 2}));
    // More than five characters inside make a text area, which goes.
    for (unsigned n : {5u, 6u}) {
        Vec chars = chars_in(n), w = {R(0, 0, 120, 120), R(500, 500, 510, 510)};
        EXPECT_EQ(run(merge_step2, w, &chars), (Idx{n == 6 ? -1 : 0, 1})) << n;
    }
}

TEST(MergeImage, SharedPixelJoinsInListOrder) {
    Vec v = {R(0, 0, 10, 10), R(10, 10, 20, 20)};
    EXPECT_EQ(run(image_pass, v), (Idx{-1, 1}));
    EXPECT_TRUE(same_rect(v[1], 0, 0, 20, 20));
    // w[0], then w[2] join into w[3]; w[1] stays apart.
    Vec w = {R(100, 0, 110, 10), R(0, 0, 10, 10), R(50, 0, 60, 10), R(55, 5, 105, 8)};
    EXPECT_EQ(run(image_pass, w), (Idx{-1, 1, -1, 3}));
    EXPECT_TRUE(same_rect(w[3], 50, 0, 110, 10));
}

TEST(MergeCloseset, DistanceLimitsTiesAndCharacters) {
    // A joins B, not C; B, grown, then has s = 80 and joins C at d = 60.
    Vec v = {R(0, 0, 30, 20), R(40, 0, 60, 20), R(0, 60, 10, 80)};
    EXPECT_EQ(run(merge_closeset, v), (Idx{-1, -1, 2}));
    EXPECT_TRUE(same_rect(v[1], 0, 0, 60, 20));
    EXPECT_TRUE(same_rect(v[2], 0, 0, 60, 80));
    // A character wholly inside the union blocks the join; partly inside, not.
    Vec chars = {R(32, 5, 38, 15)}, w = {R(0, 0, 30, 20), R(40, 0, 60, 20)};
    EXPECT_EQ(run(merge_closeset, w, &chars), (Idx{0, 1}));
    chars[0] = R(55, 5, 61, 15);
    EXPECT_EQ(run(merge_closeset, w, &chars), (Idx{-1, 1}));
    // A single pixel (s = 0) joins p[2] (d = 0), not p[1] (d = 1).
    Vec p = {R(5, 5, 5, 5), R(6, 0, 9, 5), R(5, 0, 9, 5)};
    EXPECT_EQ(run(merge_closeset, p), (Idx{-1, -1, 2}));
    EXPECT_TRUE(same_rect(p[2], 5, 0, 9, 5));
    // Equal distances: the first in list order wins.
    Vec t = {R(100, 0, 150, 50), R(90, 0, 95, 50), R(110, 0, 120, 50)};
    EXPECT_EQ(run(merge_closeset, t)[0], -1);
    EXPECT_TRUE(same_rect(t[1], 90, 0, 150, 50));
    // A nearer candidate later in the list wins: A joins the pixel z[2]
    // (d = 0), not z[1] (d = 1); z[2], grown, then joins z[1].
    Vec z = {R(10, 0, 20, 10), R(11, 10, 11, 10), R(10, 10, 10, 10)};
    EXPECT_EQ(run(merge_closeset, z), (Idx{-1, 1, -1}));
    EXPECT_TRUE(same_rect(z[1], 10, 0, 20, 10));
    // d = 100 is eligible, 101 is not, however large A is; d = s is eligible.
    for (unsigned dx : {100u, 101u}) {
        Vec x = {R(0, 0, 1000, 1000), R(dx, 0, 2000, 1000)};
        EXPECT_EQ(run(merge_closeset, x)[0], dx == 100 ? -1 : 0) << dx;
    }
    Vec y = {R(0, 0, 3, 4), R(7, 0, 9, 4)};
    EXPECT_EQ(run(merge_closeset, y)[0], -1);
    merge_closeset(nullptr, nullptr);
    List nulls = {nullptr, nullptr};
    merge_closeset(&chars, &nulls);
    EXPECT_EQ(nulls.size(), 2u);
}

// The library pass and the reference on twin copies of random lists.
template <class Lib, class Ref>
void compare_on_random(unsigned seed, size_t lists, size_t maxN, const mt::Shape& shape, Lib lib, Ref ref,
                       size_t minN = 0) {
    std::mt19937 rng(seed);
    for (size_t k = 0; k < lists; ++k) {
        SCOPED_TRACE(k);
        const size_t n = minN + rng() % (maxN - minN);
        Vec a = mt::random_rects(rng, n, shape);
        Vec chars = mt::random_rects(rng, rng() % 60, mt::Shape{shape.extent, 12, 50, 0, 0}), charsB = chars;
        const mt::Idx e = mt::random_entries(rng, n, shape);
        Vec b = a;
        List la = mt::make_list(a, e), lb = mt::make_list(b, e);
        lib(&chars, &la);
        ref(&charsB, &lb);
        mt::expect_same(la, a, lb, b);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(MergePassesRandom, MatchReference) {
    mt::Shape dense, sparse;
    dense.extent = 400;
    sparse.extent = 3000;
    sparse.maxSize = 300;
    for (const mt::Shape& s : {dense, sparse}) {
        compare_on_random(1, 150, 150, s, merge_step1, ref::step1);
        compare_on_random(2, 150, 150, s, merge_step2, ref::step2);
        compare_on_random(3, 150, 150, s, image_pass, [](Vec*, List* l) { ref::image(l); });
        compare_on_random(4, 150, 150, s, merge_closeset, ref::closeset);
    }
    // Characters and candidates over the whole 16-bit range, wrapped ones
    // included, so every band of the character index is used.
    mt::Shape wide;
    wide.extent = 65535;
    wide.maxSize = 4000;
    wide.oddPermille = 100;
    compare_on_random(5, 200, 120, wide, merge_step1, ref::step1);
    compare_on_random(6, 200, 120, wide, merge_step2, ref::step2);
    compare_on_random(7, 200, 120, wide, merge_closeset, ref::closeset);
}

TEST(MergeCloseset, FailingAllocationsLeaveTheListAsItWas) {
    // Memory that cannot be had leaves as std::bad_alloc before any entry
    // changes; otherwise the result is the reference's.
    mt::Shape s;
    s.extent = 500;
    for (long failAt = 1; failAt <= 6; ++failAt) {
        bool threw = false;
        auto lib = [failAt, &threw](Vec* chars, List* l) {
            rktest::g_failIn = failAt;
            threw = false;
            try {
                merge_closeset(chars, l);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            rktest::g_failIn = 0;
        };
        auto ref = [&threw](Vec* chars, List* l) {
            if (!threw) ref::closeset(chars, l);
        };
        compare_on_random(unsigned(7 + failAt), 20, 80, s, lib, ref, 20);
    }
}

}  // namespace
