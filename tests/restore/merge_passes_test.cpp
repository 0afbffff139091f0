// merge_rects and the passes that disable candidates: margin bands, thin
// lines, boxes, tiny areas and the sweep. Crafted cases at the thresholds,
// the library against the plain reference on random lists, and merge_rects
// under failing allocations.
#include <gtest/gtest.h>

#include <memory>

#include "support/alloc_hook.h"
#include "merge_reference.h"
#include "merge_test_support.h"
#include "restore/merge.h"
#include "rkcorr/imgmask.h"

namespace {

using mt::Idx;
using mt::List;
using mt::Page;
using mt::run;
using mt::same_rect;
using mt::Vec;
typedef IMGRect R;

Idx margin(Vec& v, unsigned w, unsigned h) {
    return run([=](Vec*, List* l) { merge_step_margin(l, w, h); }, v);
}
Idx inbox(Vec& v, Vec& boxes) {
    return run([&](Vec*, List* l) { merge_step_mark_inbox(l, &boxes); }, v);
}

TEST(MergeMargin, BandEdgesAndShares) {
    Vec v = {R(100, 5, 110, 25),     // inside the top band
             R(100, 25, 110, 34),    // 66 of 110 pixels in it: stays
             R(10, 500, 20, 510),    // inside the left band
             R(500, 975, 510, 999),  // inside the bottom band
             R(975, 500, 999, 510),  // inside the right band
             R(500, 500, 510, 510),  // page middle
             R(100, 29, 109, 38),    // 20 of 100 pixels in the top band
             R(100, 22, 109, 31),    // exactly 90 of 100: stays
             R(100, 20, 109, 29),    // 100 of 100, contained: goes
             R(960, 500, 979, 504),  // 50 of 100 in the right band
             R(31, 500, 40, 509),    // one column right of the left band
             R(100, 20, 109, 30),    // contained (the band's bottom row is 30)
             R(100, 21, 109, 31),    // 100 of 110 pixels: more than 99
             R(0, 0, 0, 0)};         // a single pixel at the corner
    EXPECT_EQ(margin(v, 1000, 1000), (Idx{-1, 1, -1, -1, -1, 5, 6, 7, -1, 9, 10, -1, -1, -1}));
    // H = 3508: the bottom band starts at trunc(3508 - 105.24) = 3402.
    Vec w = {R(1000, 3402, 1010, 3410), R(1000, 3401, 1010, 3410)};
    EXPECT_EQ(margin(w, 2480, 3508), (Idx{-1, 1}));  // 90 of 100: not more than 90 %
    // A page of width or height 0: nothing happens.
    Vec z = {R(0, 0, 0, 0)};
    EXPECT_EQ(margin(z, 0, 1000), Idx{0});
    EXPECT_EQ(margin(z, 1000, 0), Idx{0});
    merge_step_margin(nullptr, 10, 10);
}

TEST(MergeAttribute, ThinLines) {
    Vec v = {R(100, 500, 300, 503),  // 3 / 200: thin
             R(100, 500, 109, 501),  // 1 / 9: not thin, but the flag is never cleared
             R(5, 5, 5, 5),          // single pixel: no ratio
             R(0, 0, 0, 100),        // 0 / 100: thin
             R(0, 0, 10, 100),       // exactly 0.1: not thin
             R(0, 0, 9, 100),        // 0.09: thin
             R(50, 0, 40, 200)};     // right < left: |span| 10 / 200
    v[1].SetBorder(true);
    List l = mt::list_of(v);
    l.push_back(nullptr);
    set_rect_attribute(&l);
    std::vector<bool> flags;
    for (const IMGRect& r : v) flags.push_back(r.IsBorder());
    EXPECT_EQ(flags, (std::vector<bool>{true, true, false, true, false, true, true}));
}

TEST(MergeInbox, ThirtyPercentForThinLinesSeventyOtherwise) {
    // (100, 100)-(299, 101), area 400; the second box holds columns 239-299
    // of both rows: 122 pixels, more than 120 for a thin line only.
    Vec boxes = {R(0, 0, 50, 50), R(239, 0, 400, 200)};
    Vec v = {R(100, 100, 299, 101), R(100, 100, 299, 101), R(10, 10, 20, 20), R(100, 100, 300, 101)};
    v[0].SetBorder(true);
    v[3].SetBorder(true);  // 124 of 402 pixels: more than 120.6
    EXPECT_EQ(inbox(v, boxes), (Idx{-1, 1, -1, -1}));
    // 70 of 100 stays; a second box holding 80 of them drops it.
    Vec x = {R(50, 0, 59, 9)}, b2 = {R(0, 0, 100, 6)}, b3 = {R(0, 0, 100, 6), R(0, 0, 100, 7)}, none;
    EXPECT_EQ(inbox(x, b2), Idx{0});
    EXPECT_EQ(inbox(x, b3), Idx{-1});
    EXPECT_EQ(inbox(x, none), Idx{0});
}

TEST(MergeTinyAndSweep, StrictThresholdAndOrder) {
    Vec v = {R(0, 0, 4, 4), R(0, 0, 3, 5), R(0, 0, 65535, 0)};  // 25, 24, 0 (wrap)
    List l = mt::list_of(v);
    l.push_front(nullptr);
    merge_step_mark_tinyrc(&l, 25);
    EXPECT_EQ(mt::indices(l, v), (Idx{-1, 0, -1, -1}));
    EXPECT_EQ(run([](Vec*, List* m) { merge_step_mark_tinyrc(m, 0); }, v), (Idx{0, 1, 2}));

    List s = {nullptr, &v[2], nullptr, nullptr, &v[0], &v[2], nullptr, &v[1]};
    merge_step_erase_disablerc(&s);
    EXPECT_EQ(mt::indices(s, v), (Idx{2, 0, 2, 1}));
    merge_step_erase_disablerc(&s);
    EXPECT_EQ(mt::indices(s, v), (Idx{2, 0, 2, 1}));
    merge_step_erase_disablerc(nullptr);
}

TEST(MergeRects, ListFollowsLabelsAndPassesRunInOrder) {
    EXPECT_EQ(merge_rects(nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
    Page page(1000, 1000);
    // Step 1 joins (0, 0)-(50, 50) into (40, 40)-(90, 90), which the margin
    // pass then keeps (it is no longer mostly in a band); the thin line is
    // dropped by the box at 30 %.
    Vec labels = {R(0, 0, 50, 50), R(40, 40, 90, 90), R(500, 10, 510, 20), R(300, 300, 499, 301),
                  R(600, 600, 700, 700)};
    Vec chars = {R(610, 610, 620, 620)};
    Vec boxes = {R(430, 290, 600, 310)};  // holds 140 of the line's 400
    std::unique_ptr<List> l(merge_rects(&labels, &chars, &boxes, nullptr, &page.mask));
    ASSERT_TRUE(l);
    EXPECT_EQ(mt::indices(*l, labels), (Idx{1, 4}));
    EXPECT_TRUE(same_rect(labels[1], 0, 0, 90, 90));
    EXPECT_TRUE(labels[3].IsBorder());
    Vec empty;
    l.reset(merge_rects(&empty, &chars, &boxes, nullptr, &page.mask));
    ASSERT_TRUE(l);
    EXPECT_TRUE(l->empty());
}

TEST(MergeRects, MatchesReferenceOnRandomPages) {
    std::mt19937 rng(21);
    Page page(1200, 1600);
    mt::Shape s;
    s.extent = 1600;
    s.maxSize = 200;
    for (int k = 0; k < 150; ++k) {
        SCOPED_TRACE(k);
        Vec a = mt::random_rects(rng, rng() % 200, s);
        for (IMGRect& r : a) r.SetBorder(false);  // labels start without the flag
        Vec chars = mt::random_rects(rng, rng() % 150, mt::Shape{1600, 15, 30, 0, 0});
        Vec boxes = mt::random_rects(rng, rng() % 6, mt::Shape{1600, 400, 30, 0, 0});
        Vec b = a;
        std::unique_ptr<List> la(merge_rects(&a, &chars, &boxes, nullptr, &page.mask));
        ASSERT_TRUE(la);
        List lb = mt::list_of(b);
        ref::step1(&chars, &lb);
        ref::margin(&lb, 1200, 1600);
        ref::step2(&chars, &lb);
        ref::attribute(&lb);
        ref::inbox(&lb, &boxes);
        ref::sweep(&lb);
        mt::expect_same(*la, a, lb, b);
        if (HasFailure()) return;
    }
}

TEST(MergePassesRandom, DisablingPassesMatchReference) {
    std::mt19937 rng(22);
    mt::Shape s;
    s.extent = 1000;
    s.maxSize = 300;
    for (int k = 0; k < 300; ++k) {
        SCOPED_TRACE(k);
        const size_t n = rng() % 120;
        Vec a = mt::random_rects(rng, n, s);
        Vec boxes = mt::random_rects(rng, rng() % 8, mt::Shape{1000, 500, 30, 0, 0});
        const Idx e = mt::random_entries(rng, n, s);
        const unsigned w = 1 + rng() % 1100, h = 1 + rng() % 1100, tiny = rng() % 500;
        Vec b = a;
        List la = mt::make_list(a, e), lb = mt::make_list(b, e);
        merge_step_margin(&la, w, h);
        ref::margin(&lb, w, h);
        mt::expect_same(la, a, lb, b);
        set_rect_attribute(&la);
        ref::attribute(&lb);
        mt::expect_same(la, a, lb, b);
        merge_step_mark_inbox(&la, &boxes);
        ref::inbox(&lb, &boxes);
        mt::expect_same(la, a, lb, b);
        merge_step_mark_tinyrc(&la, tiny);
        ref::tiny(&lb, tiny);
        mt::expect_same(la, a, lb, b);
        merge_step_erase_disablerc(&la);
        ref::sweep(&lb);
        mt::expect_same(la, a, lb, b);
        if (HasFailure()) return;
    }
}

// Every allocation of merge_rects failing in turn: std::bad_alloc, no list
// (LeakSanitizer checks the rest in the sanitizer build).
TEST(MergeRects, FailingAllocationThrowsAndLeaksNothing) {
    std::mt19937 rng(23);
    mt::Shape s;
    s.nullPermille = 0;
    s.dupPermille = 0;
    Vec labels = mt::random_rects(rng, 40, s);
    Vec chars = mt::random_rects(rng, 30, mt::Shape{600, 12, 0, 0, 0});
    Vec boxes;
    Page page(800, 800);
    int failures = 0;
    for (long at = 1; at < 200; ++at) {
        Vec copy = labels;
        rktest::g_failIn = at;
        List* l = nullptr;
        try {
            l = merge_rects(&copy, &chars, &boxes, nullptr, &page.mask);
        } catch (const std::bad_alloc&) {
            ++failures;
        }
        const bool failed = rktest::g_failIn == 0;
        rktest::g_failIn = 0;
        delete l;
        if (!failed) break;
        EXPECT_EQ(l, nullptr);
    }
    EXPECT_GT(failures, 3);
}

}  // namespace
