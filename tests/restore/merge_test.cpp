// The merge passes and merge_rects against the plain reference on random lists and failing allocations.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <random>
#include <tuple>

#include "merge_reference.h"
#include "restore/candidate.h"
#include "restore/merge.h"
#include "rkcorr/imgmask.h"
#include "support/alloc_hook.h"
#include "support/test_dib.h"

namespace {

using ref::List;
using ref::Vec;

struct Shape {
    unsigned extent = 600, maxSize = 120;  // coordinates mostly in [0, extent)
    // Rectangles with right < left or bottom < top, null entries, entries repeating an earlier pointer.
    int oddPermille = 20, nullPermille = 60, dupPermille = 10;
};

// Many small rectangles, some large, a few wrapped, a few with the border flag.
Vec random_rects(std::mt19937& rng, size_t n, const Shape& s) {
    Vec v;
    while (v.size() < n) {
        unsigned w = rng() % (s.maxSize + 1), h = rng() % (s.maxSize + 1);
        if (rng() % 1000 < 600) w /= 8, h /= 8;
        if (rng() % 1000 < 100) w *= 4;
        const unsigned short l = rng() % (s.extent + 1), t = rng() % (s.extent + 1);
        const bool odd = int(rng() % 1000) < s.oddPermille, flip = rng() & 1;
        IMGRect r(l, t, (unsigned short)(odd && flip ? l - 1 - w % 7 : l + w),
                  (unsigned short)(odd && !flip ? t - 1 - h % 7 : t + h));
        r.SetBorder(rng() % 1000 < 50);
        v.push_back(r);
    }
    return v;
}

// A list over v, with nulls and repeated pointers when rng is given.
List make_list(Vec& v, std::mt19937* rng = nullptr, const Shape& s = Shape()) {
    List l;
    for (size_t i = 0; i < v.size(); ++i) {
        const int p = rng ? int((*rng)() % 1000) : 1000;
        l.push_back(p < s.nullPermille                               ? nullptr
                    : rng && i && p < s.nullPermille + s.dupPermille ? &v[(*rng)() % i]
                                                                     : &v[i]);
    }
    return l;
}

std::tuple<int, int, int, int, bool> fields(const IMGRect& r) {
    return {r.GetLeft(), r.GetTop(), r.GetRight(), r.GetBottom(), r.IsBorder()};
}

// Same entries (by index) and same rectangles, border flags included.
void expect_same(const List& la, const Vec& va, const List& lb, const Vec& vb) {
    ASSERT_EQ(la.size(), lb.size());
    for (auto a = la.begin(), b = lb.begin(); a != la.end(); ++a, ++b)
        ASSERT_EQ(*a ? *a - va.data() : -1, *b ? *b - vb.data() : -1);
    for (size_t i = 0; i < va.size(); ++i) ASSERT_EQ(fields(va[i]), fields(vb[i])) << "rectangle " << i;
}

// Runs f with the n-th allocation failing: whether it came, which must leave f as std::bad_alloc.
template <class F>
bool fails_at(long n, F f) {
    rktest::g_failIn = n;
    bool threw = false;
    try {
        f();
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    const bool came = rktest::g_failIn == 0;
    rktest::g_failIn = 0;
    EXPECT_EQ(threw, came) << "allocation " << n;
    return came;
}

// The library pass and the reference on twin copies of random lists.
template <class Lib, class Ref>
void compare_on_random(unsigned seed, size_t lists, size_t maxN, const Shape& shape, Lib lib, Ref ref,
                       size_t minN = 0) {
    std::mt19937 rng(seed);
    for (size_t k = 0; k < lists && !::testing::Test::HasFailure(); ++k) {
        SCOPED_TRACE(k);
        Vec a = random_rects(rng, minN + rng() % (maxN - minN), shape), b = a;
        Vec chars = random_rects(rng, rng() % 60, Shape{shape.extent, 12, 50, 0, 0}), charsB = chars;
        std::mt19937 twin = rng;
        List la = make_list(a, &rng, shape), lb = make_list(b, &twin, shape);
        lib(&chars, &la);
        ref(&charsB, &lb);
        expect_same(la, a, lb, b);
    }
}

// Every pass beside its reference; page size, boxes and tiny-area limit from the character list.
typedef void (*Pass)(Vec*, List*);
unsigned side(const Vec* chars) { return 23 * unsigned(chars->size()); }
const std::pair<Pass, Pass> kPasses[] = {
    {merge_step1, ref::step1},
    {merge_step2, ref::step2},
    {[](Vec*, List* l) { merge_image(l); }, [](Vec*, List* l) { ref::image(l); }},
    {merge_closeset, ref::closeset},
    {[](Vec* c, List* l) { merge_step_margin(l, side(c), side(c) / 2 + 3); },
     [](Vec* c, List* l) { ref::margin(l, side(c), side(c) / 2 + 3); }},
    {[](Vec*, List* l) { set_rect_attribute(l); }, [](Vec*, List* l) { ref::attribute(l); }},
    {[](Vec* c, List* l) { merge_step_mark_inbox(l, c); }, [](Vec* c, List* l) { ref::inbox(l, c); }},
    {[](Vec* c, List* l) { merge_step_mark_tinyrc(l, side(c)); },
     [](Vec* c, List* l) { ref::tiny(l, side(c)); }},
    {[](Vec*, List* l) { merge_step_erase_disablerc(l); }, [](Vec*, List* l) { ref::sweep(l); }},
};

// Dense, sparse and 16-bit wide lists; merge_closeset changes nothing before it throws std::bad_alloc.
TEST(MergePasses, EveryPassMatchesReference) {
    unsigned seed = 1;
    for (const Shape& s : {Shape{400}, Shape{3000, 300}, Shape{65535, 4000, 100}})
        for (const auto& [lib, ref] : kPasses) compare_on_random(seed++, 150, 150, s, lib, ref);
    for (long failAt = 1; failAt <= 6; ++failAt) {
        bool came = false;
        compare_on_random(
            unsigned(7 + failAt), 20, 80, Shape{500},
            [&](Vec* c, List* l) { came = fails_at(failAt, [&] { merge_closeset(c, l); }); },
            [&](Vec* c, List* l) { came ? void() : ref::closeset(c, l); }, 20);
    }
}

TEST(MergeRects, MatchesReferenceOnRandomPagesAndFailsCleanly) {
    EXPECT_EQ(merge_rects(nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
    std::mt19937 rng(21);
    rktest::TestDib dib(1200, 1600);
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(dib.header(), dib.bits.data(), dib.stride), 0);
    for (int k = 0; k < 150 && !HasFailure(); ++k) {
        SCOPED_TRACE(k);
        Vec a = random_rects(rng, k % 30 ? rng() % 200 : 0, Shape{1600, 200});
        for (IMGRect& r : a) r.SetBorder(false);  // labels start without the flag
        Vec chars = random_rects(rng, rng() % 150, Shape{1600, 15, 30, 0, 0});
        Vec boxes = random_rects(rng, rng() % 6, Shape{1600, 400, 30, 0, 0}), b = a;
        std::unique_ptr<List> la(merge_rects(&a, &chars, &boxes, nullptr, &mask));
        ASSERT_TRUE(la);
        List lb = make_list(b);
        ref::step1(&chars, &lb);
        ref::margin(&lb, 1200, 1600);
        ref::step2(&chars, &lb);
        ref::attribute(&lb);
        ref::inbox(&lb, &boxes);
        ref::sweep(&lb);
        expect_same(*la, a, lb, b);
    }
    // Every allocation failing in turn: std::bad_alloc, nothing leaked.
    const Vec labels = random_rects(rng, 40, Shape());
    Vec chars = random_rects(rng, 30, Shape{600, 12, 0, 0, 0}), boxes, copy;
    copy.reserve(labels.size());
    const long failures = rktest::SweepAllocations([&](long n) {
        copy.assign(labels.begin(), labels.end());
        return fails_at(n, [&] { delete merge_rects(&copy, &chars, &boxes, nullptr, &mask); });
    });
    EXPECT_GT(failures, 3);
}

}  // namespace
