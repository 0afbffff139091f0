// merge_rects and the passes that disable candidates (margin bands, thin
// lines, boxes, tiny areas, the sweep) against the plain reference on random
// lists and pages, and merge_rects under failing allocations.
#include <gtest/gtest.h>

#include <memory>

#include "merge_reference.h"
#include "merge_test_support.h"
#include "restore/merge.h"
#include "support/alloc_hook.h"

namespace {

using mt::List;
using mt::Vec;
typedef IMGRect R;

TEST(MergeMargin, BottomBandStartsAtTheTruncatedEdge) {
    // H = 3508: the bottom band starts at trunc(3508 - 105.24) = 3402; 90 of
    // 100 pixels in it is not more than 90 %.
    Vec w = {R(1000, 3402, 1010, 3410), R(1000, 3401, 1010, 3410)};
    List l = {&w[0], &w[1]};
    merge_step_margin(&l, 2480, 3508);
    EXPECT_EQ(mt::indices(l, w), (mt::Idx{-1, 1}));
    merge_step_margin(nullptr, 10, 10);
    merge_step_erase_disablerc(nullptr);
}

TEST(MergePassesRandom, DisablingPassesMatchReference) {
    std::mt19937 rng(22);
    mt::Shape s;
    s.extent = 1000, s.maxSize = 300;
    for (int k = 0; k < 300; ++k) {
        SCOPED_TRACE(k);
        Vec a = mt::random_rects(rng, rng() % 120, s), b = a;
        Vec boxes = mt::random_rects(rng, rng() % 8, mt::Shape{1000, 500, 30, 0, 0});
        List la = mt::make_list(a, &rng, s), lb;
        for (IMGRect* p : la) lb.push_back(p ? &b[p - a.data()] : nullptr);
        // Page sizes of 0 leave the list alone.
        const unsigned w = k % 50 ? 1 + rng() % 1100 : 0, h = k % 70 ? 1 + rng() % 1100 : 0,
                       tiny = rng() % 500;
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

TEST(MergeRects, MatchesReferenceOnRandomPages) {
    EXPECT_EQ(merge_rects(nullptr, nullptr, nullptr, nullptr, nullptr), nullptr);
    std::mt19937 rng(21);
    mt::Page page(1200, 1600);
    mt::Shape s;
    s.extent = 1600, s.maxSize = 200;
    for (int k = 0; k < 150; ++k) {
        SCOPED_TRACE(k);
        Vec a = mt::random_rects(rng, k % 30 ? rng() % 200 : 0, s);
        for (IMGRect& r : a) r.SetBorder(false);  // labels start without the flag
        Vec chars = mt::random_rects(rng, rng() % 150, mt::Shape{1600, 15, 30, 0, 0});
        Vec boxes = mt::random_rects(rng, rng() % 6, mt::Shape{1600, 400, 30, 0, 0});
        Vec b = a;
        std::unique_ptr<List> la(merge_rects(&a, &chars, &boxes, nullptr, &page.mask));
        ASSERT_TRUE(la);
        List lb = mt::make_list(b);
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

// Every allocation of merge_rects failing in turn: std::bad_alloc, no list,
// nothing leaked.
TEST(MergeRects, FailingAllocationThrowsAndLeaksNothing) {
    std::mt19937 rng(23);
    const Vec labels = mt::random_rects(rng, 40, mt::Shape());
    Vec chars = mt::random_rects(rng, 30, mt::Shape{600, 12, 0, 0, 0}), boxes;
    mt::Page page(800, 800);
    Vec copy;
    copy.reserve(labels.size());
    const long failures = rktest::SweepAllocations([&](long n) {
        copy.assign(labels.begin(), labels.end());
        rktest::g_failIn = n;
        try {
            delete merge_rects(&copy, &chars, &boxes, nullptr, &page.mask);
            EXPECT_NE(rktest::g_failIn, 0) << n;
            return false;
        } catch (const std::bad_alloc&) {
            return true;
        }
    });
    EXPECT_GT(failures, 3);
}

}  // namespace
