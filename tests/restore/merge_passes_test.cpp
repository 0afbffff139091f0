// merge_rects and the passes that disable candidates: margin bands, thin
// lines, boxes, tiny areas and the sweep. Crafted cases at the thresholds,
// then the library against the plain reference on random lists.
#include <gtest/gtest.h>

#include <memory>

#include "support/alloc_hook.h"
#include "merge_reference.h"
#include "merge_test_support.h"
#include "restore/merge.h"
#include "rkcorr/imgmask.h"

namespace {

using mt::List;
using mt::Page;
using mt::same_rect;
using mt::Vec;

List list_of(Vec& v) {
    List l;
    for (IMGRect& r : v) l.push_back(&r);
    return l;
}

TEST(MergeMargin, BandsOfAThousandPixelPage) {
    Vec v = {IMGRect(100, 5, 110, 25),     // inside the top band
             IMGRect(100, 25, 110, 34),    // 66 of 110 pixels in it: stays
             IMGRect(10, 500, 20, 510),    // inside the left band
             IMGRect(500, 975, 510, 999),  // inside the bottom band
             IMGRect(975, 500, 999, 510),  // inside the right band
             IMGRect(500, 500, 510, 510),  // page middle
             IMGRect(100, 29, 109, 38),    // 20 of 100 pixels in the top band
             IMGRect(100, 22, 109, 31),    // exactly 90 of 100: stays
             IMGRect(100, 20, 109, 29),    // 100 of 100, contained: goes
             IMGRect(960, 500, 979, 504),  // 50 of 100 in the right band
             IMGRect(31, 500, 40, 509)};   // one column right of the left band
    List l = list_of(v);
    merge_step_margin(&l, 1000, 1000);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, 1, -1, -1, -1, 5, 6, 7, -1, 9, 10}));
    // Contained (the band's bottom row is 30), 100 of 110 pixels (more
    // than 99), and a single pixel at the corner: all go.
    Vec x = {IMGRect(100, 20, 109, 30), IMGRect(100, 21, 109, 31), IMGRect(0, 0, 0, 0)};
    List m = list_of(x);
    merge_step_margin(&m, 1000, 1000);
    EXPECT_EQ(mt::indices(m, x), (std::vector<int>{-1, -1, -1}));
}

TEST(MergeMargin, BandEdgesAreTruncatedAfterTheSubtraction) {
    // H = 3508: the bottom band starts at trunc(3508 - 105.24) = 3402.
    Vec v = {IMGRect(1000, 3402, 1010, 3410), IMGRect(1000, 3401, 1010, 3410)};
    List l = list_of(v);
    merge_step_margin(&l, 2480, 3508);
    EXPECT_EQ(l.front(), nullptr);
    EXPECT_EQ(l.back(), &v[1]);  // 90 of 100: not more than 90 %
    // A page of width or height 0: nothing happens.
    Vec w = {IMGRect(0, 0, 0, 0)};
    List m = list_of(w);
    merge_step_margin(&m, 0, 1000);
    merge_step_margin(&m, 1000, 0);
    EXPECT_EQ(m.front(), &w[0]);
    merge_step_margin(nullptr, 10, 10);
}

TEST(MergeAttribute, ThinLines) {
    Vec v = {IMGRect(100, 500, 300, 503),  // 3 / 200: thin
             IMGRect(100, 500, 109, 501),  // 1 / 9: not thin
             IMGRect(5, 5, 5, 5),          // single pixel: no ratio
             IMGRect(0, 0, 0, 100),        // 0 / 100: thin
             IMGRect(0, 0, 10, 100),       // exactly 0.1: not thin
             IMGRect(0, 0, 9, 100),        // 0.09: thin
             IMGRect(50, 0, 40, 200)};     // right < left: |span| 10 / 200
    v[1].SetBorder(true);                  // never cleared
    List l = list_of(v);
    l.push_back(nullptr);
    set_rect_attribute(&l);
    std::vector<bool> flags;
    for (const IMGRect& r : v) flags.push_back(r.IsBorder());
    EXPECT_EQ(flags, (std::vector<bool>{true, true, false, true, false, true, true}));
}

TEST(MergeInbox, ThinLinesGoAtThirtyPercent) {
    Vec boxes = {IMGRect(0, 0, 50, 50), IMGRect(239, 0, 400, 200)};
    // (100, 100)-(299, 101), area 400; the second box holds columns 239-299
    // of both rows: 122 pixels.
    Vec v = {IMGRect(100, 100, 299, 101), IMGRect(100, 100, 299, 101), IMGRect(10, 10, 20, 20),
             IMGRect(100, 100, 300, 101)};
    v[0].SetBorder(true);
    v[3].SetBorder(true);  // 124 of 402 pixels: more than 120.6
    List l = list_of(v);
    merge_step_mark_inbox(&l, &boxes);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, 1, -1, -1}));

    // 70 %: 71 of 100 goes, 70 of 100 stays.
    Vec b2 = {IMGRect(0, 0, 100, 6)};
    Vec w = {IMGRect(50, 0, 59, 9), IMGRect(60, 0, 69, 6)};
    w[1] = IMGRect(60, 0, 69, 9);
    Vec x = {IMGRect(50, 0, 59, 9)};
    Vec b3 = {IMGRect(0, 0, 100, 6), IMGRect(0, 0, 100, 7)};
    List m = list_of(x);
    merge_step_mark_inbox(&m, &b2);
    EXPECT_EQ(m.front(), &x[0]);  // 70 of 100
    merge_step_mark_inbox(&m, &b3);
    EXPECT_EQ(m.front(), nullptr);  // the second box holds 80
    // No boxes: everything stays.
    Vec none;
    List n = list_of(w);
    merge_step_mark_inbox(&n, &none);
    EXPECT_EQ(mt::indices(n, w), (std::vector<int>{0, 1}));
}

TEST(MergeTiny, ThresholdIsStrict) {
    Vec v = {IMGRect(0, 0, 4, 4), IMGRect(0, 0, 3, 5), IMGRect(0, 0, 65535, 0)};  // 25, 24, 0 (wrap)
    List l = list_of(v);
    l.push_front(nullptr);
    merge_step_mark_tinyrc(&l, 25);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, 0, -1, -1}));
    List m = list_of(v);
    merge_step_mark_tinyrc(&m, 0);
    EXPECT_EQ(mt::indices(m, v), (std::vector<int>{0, 1, 2}));
}

TEST(MergeSweep, RemovesNullsKeepsOrder) {
    Vec v = {IMGRect(0, 0, 0, 0), IMGRect(1, 1, 1, 1), IMGRect(2, 2, 2, 2)};
    List l = {nullptr, &v[2], nullptr, nullptr, &v[0], &v[2], nullptr, &v[1]};
    merge_step_erase_disablerc(&l);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{2, 0, 2, 1}));
    merge_step_erase_disablerc(&l);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{2, 0, 2, 1}));
    merge_step_erase_disablerc(nullptr);
}

// Passes 1 to 6 by the reference.
void reference_rects(Vec* chars, Vec* boxes, List* l, unsigned w, unsigned h) {
    ref::step1(chars, l);
    ref::margin(l, w, h);
    ref::step2(chars, l);
    ref::attribute(l);
    ref::inbox(l, boxes);
    ref::sweep(l);
}

TEST(MergeRects, ListFollowsLabelsAndPassesRunInOrder) {
    EXPECT_EQ(merge_rects(nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
    Page page(1000, 1000);
    // Step 1 joins (0, 0)-(50, 50) into (40, 40)-(90, 90), which the margin
    // pass then keeps (it is no longer mostly in a band); the thin line is
    // dropped by the box at 30 %.
    Vec labels = {IMGRect(0, 0, 50, 50), IMGRect(40, 40, 90, 90), IMGRect(500, 10, 510, 20),
                  IMGRect(300, 300, 499, 301), IMGRect(600, 600, 700, 700)};
    Vec chars = {IMGRect(610, 610, 620, 620)};
    Vec boxes = {IMGRect(430, 290, 600, 310)};  // holds 140 of the line's 400
    std::unique_ptr<List> l(merge_rects(&labels, &chars, &boxes, nullptr, &page.mask));
    ASSERT_TRUE(l);
    EXPECT_EQ(mt::indices(*l, labels), (std::vector<int>{1, 4}));
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
    for (int k = 0; k < 150; ++k) {
        SCOPED_TRACE(k);
        mt::Shape s;
        s.extent = 1600;
        s.maxSize = 200;
        s.nullPermille = 0;
        s.dupPermille = 0;
        const size_t n = rng() % 200;
        Vec a = mt::random_rects(rng, n, s);
        for (IMGRect& r : a) r.SetBorder(false);  // labels start without the flag
        Vec chars = mt::random_rects(rng, rng() % 150, mt::Shape{1600, 15, 30, 0, 0});
        Vec boxes = mt::random_rects(rng, rng() % 6, mt::Shape{1600, 400, 30, 0, 0});
        Vec b = a;
        std::unique_ptr<List> la(merge_rects(&a, &chars, &boxes, nullptr, &page.mask));
        ASSERT_TRUE(la);
        List lb = list_of(b);
        reference_rects(&chars, &boxes, &lb, 1200, 1600);
        mt::expect_same(*la, a, lb, b);
        if (HasFailure()) return;
    }
}

TEST(MergePassesRandom, DisablingPassesMatchReference) {
    std::mt19937 rng(22);
    for (int k = 0; k < 300; ++k) {
        SCOPED_TRACE(k);
        mt::Shape s;
        s.extent = 1000;
        s.maxSize = 300;
        const size_t n = rng() % 120;
        Vec a = mt::random_rects(rng, n, s);
        Vec boxes = mt::random_rects(rng, rng() % 8, mt::Shape{1000, 500, 30, 0, 0});
        const std::vector<int> e = mt::random_entries(rng, n, s);
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

TEST(MergeRects, FailingAllocationThrowsAndLeaksNothing) {
    // Every allocation of merge_rects in turn fails; the failure surfaces as
    // std::bad_alloc and the labels are untouched (LeakSanitizer checks the
    // rest in the sanitizer build).
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
