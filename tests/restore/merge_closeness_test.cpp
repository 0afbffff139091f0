// The joining passes (merge_step1, merge_step2, merge_image, merge_closeset)
// against the plain reference on many random lists, dense and sparse, over
// the whole 16-bit range, and with failing allocations.
#include <gtest/gtest.h>

#include <new>

#include "support/alloc_hook.h"
#include "merge_reference.h"
#include "merge_test_support.h"
#include "restore/merge.h"
#include "support/alloc_hook.h"

namespace {

using mt::List;
using mt::Vec;

void image_pass(Vec*, List* l) { merge_image(l); }

// The library pass and the reference on twin copies of random lists.
template <class Lib, class Ref>
void compare_on_random(unsigned seed, size_t lists, size_t maxN, const mt::Shape& shape, Lib lib, Ref ref,
                       size_t minN = 0) {
    std::mt19937 rng(seed);
    for (size_t k = 0; k < lists; ++k) {
        SCOPED_TRACE(k);
        Vec a = mt::random_rects(rng, minN + rng() % (maxN - minN), shape), b = a;
        Vec chars = mt::random_rects(rng, rng() % 60, mt::Shape{shape.extent, 12, 50, 0, 0}), charsB = chars;
        List la = mt::make_list(a, &rng, shape), lb;
        for (IMGRect* p : la) lb.push_back(p ? &b[p - a.data()] : nullptr);
        lib(&chars, &la);
        ref(&charsB, &lb);
        mt::expect_same(la, a, lb, b);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(MergePassesRandom, MatchReference) {
    mt::Shape dense, sparse, wide;
    dense.extent = 400;
    sparse.extent = 3000, sparse.maxSize = 300;
    // Characters and candidates over the whole 16-bit range, wrapped ones
    // included, so every band of the character index is used.
    wide.extent = 65535, wide.maxSize = 4000, wide.oddPermille = 100;
    unsigned seed = 1;
    for (const mt::Shape& s : {dense, sparse, wide}) {
        compare_on_random(seed++, 150, 150, s, merge_step1, ref::step1);
        compare_on_random(seed++, 150, 150, s, merge_step2, ref::step2);
        compare_on_random(seed++, 150, 150, s, image_pass, [](Vec*, List* l) { ref::image(l); });
        compare_on_random(seed++, 150, 150, s, merge_closeset, ref::closeset);
    }
    merge_closeset(nullptr, nullptr);
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
