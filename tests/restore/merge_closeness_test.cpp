// The joining passes (merge_step1, merge_step2, merge_image, merge_closeset):
// the defined edge cases, then a comparison with the plain reference on many
// random lists, and merge_closeset under failing allocations.
#include <gtest/gtest.h>

#include <cstdlib>

#include "merge_alloc_hook.h"
#include "merge_reference.h"
#include "merge_test_support.h"
#include "restore/merge.h"

namespace {

using mt::List;
using mt::same_rect;
using mt::Vec;

// n character rectangles of 10 x 10 inside (x0, y0)-(x0 + 100, y0 + 100).
Vec chars_in(unsigned x0, unsigned y0, unsigned n) {
    Vec v;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned short x = (unsigned short)(x0 + 2 + 12 * (i % 8)), y = (unsigned short)(y0 + 2 + 12 * (i / 8));
        v.push_back(IMGRect(x, y, (unsigned short)(x + 10), (unsigned short)(y + 10)));
    }
    return v;
}

List list_of(Vec& v) {
    List l;
    for (IMGRect& r : v) l.push_back(&r);
    return l;
}

TEST(MergeStep1, SmallContainerDropsInnerCandidatesUpToFourCharacters) {
    for (unsigned n : {0u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(n);
        Vec chars = chars_in(0, 0, n);
        Vec v = {IMGRect(0, 0, 100, 100), IMGRect(10, 10, 20, 20)};
        List l = list_of(v);
        merge_step1(&chars, &l);
        EXPECT_EQ(l.front(), &v[0]);
        EXPECT_TRUE(same_rect(v[0], 0, 0, 100, 100));
        if (n <= 4) EXPECT_EQ(l.back(), nullptr);
        else EXPECT_EQ(l.back(), &v[1]);
    }
}

TEST(MergeStep1, CountsOnlyCharactersWhollyInside) {
    // Five characters, one of them sticking out by a column: four inside.
    Vec chars = chars_in(0, 0, 4);
    chars.push_back(IMGRect(95, 50, 101, 60));
    Vec v = {IMGRect(0, 0, 100, 100), IMGRect(10, 10, 20, 20)};
    List l = list_of(v);
    merge_step1(&chars, &l);
    EXPECT_EQ(l.back(), nullptr);
}

TEST(MergeStep1, PartialOverlapJoinsIntoFirstSuchCandidate) {
    Vec v = {IMGRect(0, 0, 50, 50), IMGRect(40, 40, 90, 90), IMGRect(45, 0, 70, 10)};
    List l = list_of(v);
    merge_step1(nullptr, &l);
    auto it = l.begin();
    EXPECT_EQ(*it++, nullptr);
    EXPECT_EQ(*it, &v[1]);
    EXPECT_TRUE(same_rect(v[1], 0, 0, 90, 90));
    // v[1]'s turn comes with its new extent: it now contains v[2].
    EXPECT_EQ(l.back(), nullptr);
}

TEST(MergeStep1, TouchingWithoutSharedColumnDoesNothing) {
    Vec v = {IMGRect(0, 0, 50, 50), IMGRect(51, 0, 60, 50)};
    List l = list_of(v);
    merge_step1(nullptr, &l);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{0, 1}));
    EXPECT_TRUE(same_rect(v[0], 0, 0, 50, 50));
    EXPECT_TRUE(same_rect(v[1], 51, 0, 60, 50));
}

TEST(MergeStep1, InnerCandidatesAfterTheJoinStay) {
    // A drops the first inner one, is joined into the overlapping one, and
    // the inner one after that is not looked at in A's turn.
    Vec v = {IMGRect(0, 0, 100, 100), IMGRect(10, 10, 20, 20), IMGRect(90, 90, 200, 200),
             IMGRect(30, 30, 40, 40)};
    List l;
    l.push_back(&v[0]);
    l.push_back(&v[1]);
    l.push_back(&v[2]);
    l.push_back(&v[3]);
    // Run the reference to know what the later turns do, and check A's turn.
    merge_step1(nullptr, &l);
    auto it = l.begin();
    EXPECT_EQ(*it++, nullptr);  // A joined
    EXPECT_EQ(*it++, nullptr);  // dropped by A
    EXPECT_EQ(*it++, &v[2]);
    EXPECT_TRUE(same_rect(v[2], 0, 0, 200, 200));
    // v[2], grown, then contains v[3] (no characters) and drops it.
    EXPECT_EQ(*it, nullptr);
}

TEST(MergeStep1, SkipsNullEntriesAndRepeatedPointer) {
    Vec v = {IMGRect(0, 0, 10, 10), IMGRect(5, 5, 20, 20)};
    List l = {nullptr, &v[0], nullptr, &v[0], &v[1]};
    merge_step1(nullptr, &l);
    // The first entry of v[0] joins into v[1] (the repeated entry is skipped
    // as the same pointer); the second entry of v[0] then does it again.
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, -1, -1, -1, 1}));
    EXPECT_TRUE(same_rect(v[1], 0, 0, 20, 20));
}

TEST(MergeStep2, SmallInnerCandidatesAndTextAreas) {
    // 19 x 21 (area 399) goes, 20 x 20 (area 400) stays.
    Vec v = {IMGRect(0, 0, 200, 200), IMGRect(10, 10, 28, 30), IMGRect(50, 50, 69, 69)};
    List l = list_of(v);
    merge_step2(nullptr, &l);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{0, -1, 2}));

    for (unsigned n : {5u, 6u}) {
        Vec chars = chars_in(0, 0, n);
        Vec w = {IMGRect(0, 0, 120, 120), IMGRect(500, 500, 510, 510)};
        List m = list_of(w);
        merge_step2(&chars, &m);
        EXPECT_EQ(m.front(), n == 6 ? nullptr : &w[0]) << n;
        EXPECT_EQ(m.back(), &w[1]);
    }
}

TEST(MergeStep2, DroppedCandidateGetsNoTurn) {
    // B lies inside A and is small, so A drops it before B's turn: C, inside
    // B only, survives.
    Vec v = {IMGRect(0, 0, 100, 100), IMGRect(10, 10, 25, 25), IMGRect(200, 200, 300, 300)};
    Vec w = {IMGRect(10, 10, 25, 25), IMGRect(12, 12, 14, 14)};
    List l = {&v[0], &v[1], &w[1]};
    // w[1] is inside v[0] as well: dropped in v[0]'s turn.
    merge_step2(nullptr, &l);
    EXPECT_EQ(mt::indices(l, v)[0], 0);
    EXPECT_EQ(*std::next(l.begin()), nullptr);
    EXPECT_EQ(l.back(), nullptr);
}

TEST(MergeImage, SharedPixelJoins) {
    Vec v = {IMGRect(0, 0, 10, 10), IMGRect(10, 10, 20, 20)};
    List l = list_of(v);
    merge_image(&l);
    EXPECT_EQ(l.front(), nullptr);
    EXPECT_TRUE(same_rect(v[1], 0, 0, 20, 20));
}

TEST(MergeImage, OneWalkOnly) {
    // C grows after its own turn into B's area: B and C both survive,
    // overlapping.
    Vec v = {IMGRect(100, 0, 110, 10), IMGRect(0, 0, 10, 10), IMGRect(50, 0, 60, 10),
             IMGRect(55, 5, 105, 8)};
    List l = list_of(v);
    merge_image(&l);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, 1, -1, 3}));
    EXPECT_TRUE(same_rect(v[3], 50, 0, 110, 10));
}

TEST(MergeCloseset, NearestEligibleNeighbourJoins) {
    Vec v = {IMGRect(0, 0, 30, 20), IMGRect(40, 0, 60, 20), IMGRect(0, 60, 10, 80)};
    List l = list_of(v);
    merge_closeset(nullptr, &l);
    // A joins B, not C; B, grown, then has s = 80 and joins C at d = 60.
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, -1, 2}));
    EXPECT_TRUE(same_rect(v[1], 0, 0, 60, 20));
    EXPECT_TRUE(same_rect(v[2], 0, 0, 60, 80));
}

TEST(MergeCloseset, CharacterInsideUnionBlocksJoin) {
    Vec v = {IMGRect(0, 0, 30, 20), IMGRect(40, 0, 60, 20)};
    Vec chars = {IMGRect(32, 5, 38, 15)};
    List l = list_of(v);
    merge_closeset(&chars, &l);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{0, 1}));
    // A character only partly inside does not block.
    chars[0] = IMGRect(55, 5, 61, 15);
    merge_closeset(&chars, &l);
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, 1}));
}

TEST(MergeCloseset, DistanceLimitsAndTies) {
    // Single pixel: s = 0, joins only the same bottom-left corner.
    Vec v = {IMGRect(5, 5, 5, 5), IMGRect(6, 0, 9, 5), IMGRect(5, 0, 9, 5)};
    List l = list_of(v);
    merge_closeset(nullptr, &l);
    // The pixel joins v[2] (d = 0), not v[1] (d = 1); v[1] then joins v[2].
    EXPECT_EQ(mt::indices(l, v), (std::vector<int>{-1, -1, 2}));
    EXPECT_TRUE(same_rect(v[1], 6, 0, 9, 5));
    EXPECT_TRUE(same_rect(v[2], 5, 0, 9, 5));

    // Equal distances: the first in list order wins.
    Vec w = {IMGRect(100, 0, 150, 50), IMGRect(90, 0, 95, 50), IMGRect(110, 0, 120, 50)};
    List m = list_of(w);
    merge_closeset(nullptr, &m);
    EXPECT_EQ(m.front(), nullptr);
    EXPECT_TRUE(same_rect(w[1], 90, 0, 150, 50));

    // A nearer candidate later in the list wins over an earlier one: A joins
    // the pixel C (d = 0), not the pixel B (d = 1); C, grown, then joins B.
    Vec z = {IMGRect(10, 0, 20, 10), IMGRect(11, 10, 11, 10), IMGRect(10, 10, 10, 10)};
    List p = list_of(z);
    merge_closeset(nullptr, &p);
    EXPECT_EQ(mt::indices(p, z), (std::vector<int>{-1, 1, -1}));
    EXPECT_TRUE(same_rect(z[1], 10, 0, 20, 10));

    // d = 100 is eligible, 101 is not, however large A is.
    for (unsigned dx : {100u, 101u}) {
        Vec x = {IMGRect(0, 0, 1000, 1000), IMGRect((unsigned short)dx, 0, 2000, 1000)};
        List n = list_of(x);
        merge_closeset(nullptr, &n);
        EXPECT_EQ(n.front() == nullptr, dx == 100) << dx;
    }
    // d equal to s is eligible.
    Vec y = {IMGRect(0, 0, 3, 4), IMGRect(7, 0, 9, 4)};
    List o = list_of(y);
    merge_closeset(nullptr, &o);
    EXPECT_EQ(o.front(), nullptr);
}

TEST(MergeCloseset, NullArguments) {
    merge_closeset(nullptr, nullptr);
    Vec chars;
    List empty;
    merge_closeset(&chars, &empty);
    EXPECT_TRUE(empty.empty());
    List nulls = {nullptr, nullptr};
    merge_closeset(&chars, &nulls);
    EXPECT_EQ(nulls.size(), 2u);
}

// The library pass and the reference on twin copies of random lists.
template <class Lib, class Ref>
void compare_on_random(unsigned seed, size_t lists, size_t maxN, const mt::Shape& shape, Lib lib, Ref ref) {
    std::mt19937 rng(seed);
    for (size_t k = 0; k < lists; ++k) {
        SCOPED_TRACE(k);
        const size_t n = rng() % maxN;
        Vec a = mt::random_rects(rng, n, shape);
        Vec chars = mt::random_rects(rng, rng() % 60, mt::Shape{shape.extent, 12, 50, 0, 0});
        const std::vector<int> e = mt::random_entries(rng, n, shape);
        Vec b = a;
        List la = mt::make_list(a, e), lb = mt::make_list(b, e);
        Vec charsB = chars;
        lib(&chars, &la);
        ref(&charsB, &lb);
        mt::expect_same(la, a, lb, b);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(MergePassesRandom, MatchReference) {
    mt::Shape dense;
    dense.extent = 400;
    mt::Shape sparse;
    sparse.extent = 3000;
    sparse.maxSize = 300;
    for (const mt::Shape& s : {dense, sparse}) {
        compare_on_random(1, 150, 150, s, merge_step1, ref::step1);
        compare_on_random(2, 150, 150, s, merge_step2, ref::step2);
        compare_on_random(3, 150, 150, s, [](Vec*, List* l) { merge_image(l); },
                          [](Vec*, List* l) { ref::image(l); });
        compare_on_random(4, 150, 150, s, merge_closeset, ref::closeset);
    }
}

TEST(MergePassesRandom, CharacterCountsOnFullPageCoordinates) {
    // Characters and candidates spread over the whole 16-bit range, wrapped
    // ones included, so every band of the character index is used.
    mt::Shape wide;
    wide.extent = 65535;
    wide.maxSize = 4000;
    wide.oddPermille = 100;
    compare_on_random(5, 200, 120, wide, merge_step1, ref::step1);
    compare_on_random(6, 200, 120, wide, merge_step2, ref::step2);
    compare_on_random(7, 200, 120, wide, merge_closeset, ref::closeset);
}

TEST(MergeCloseset, FailingAllocationsGiveTheSameResult) {
    std::mt19937 rng(8);
    mt::Shape s;
    s.extent = 500;
    for (long failAt = 1; failAt <= 6; ++failAt) {
        for (int k = 0; k < 20; ++k) {
            const size_t n = 20 + rng() % 60;
            Vec a = mt::random_rects(rng, n, s);
            Vec chars = mt::random_rects(rng, 30, mt::Shape{500, 12, 50, 0, 0});
            const std::vector<int> e = mt::random_entries(rng, n, s);
            Vec b = a;
            List la = mt::make_list(a, e), lb = mt::make_list(b, e);
            merge_fail_in = failAt;
            EXPECT_NO_THROW(merge_closeset(&chars, &la));
            merge_fail_in = 0;
            ref::closeset(&chars, &lb);
            mt::expect_same(la, a, lb, b);
        }
    }
}

}  // namespace
