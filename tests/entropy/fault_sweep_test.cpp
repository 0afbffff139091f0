// The edge-entropy interface with each allocation and each lock of SetImage
// failing in turn, on a fresh scorer and on one that holds scores of an
// earlier image, and Determine with failures armed. Every run must return
// the documented value, hold no lock, leak nothing, leave the engine's bitmap
// untouched, and answer Determine either from the new image (success), from
// the earlier scores (a bitmap that could not be read is refused) or with
// the kinds unchanged (memory ran out: the scores are gone).
#include <gtest/gtest.h>

#include <rkcorr/edge_entropy.h>

#include <cstdio>
#include <vector>

#include "entropy/entropy_reference.h"
#include "support/alloc_hook.h"

using rktest::g_count;
using rktest::g_failIn;
using rktest::g_live;

namespace {

using namespace entropy_test;

typedef std::vector<unsigned short> Answers;

// Determine on rectangles inside, across the border and empty, for kinds 1, 2, 4.
// Fills `a` (reserved by the caller: no allocation here).
void ask(IEdgeEntropy* e, const TestDib& im, Answers& a) {
    const unsigned w = im.w, h = im.h;
    const unsigned rects[][4] = {{0, 0, h - 1, w - 1}, {h / 3, w / 4, h - 1, w / 2},
                                 {0, 0, 0, 0},         {1, 2, h, w},
                                 {0, 5, 3, 2},         {h / 2, 0, h / 2, w - 1}};
    a.clear();
    for (const auto& r : rects)
        for (unsigned short kind : {1, 2, 4}) a.push_back(e->Determine(r[0], r[1], r[2], r[3], kind));
}

Answers ask(IEdgeEntropy* e, const TestDib& im) {
    Answers a;
    ask(e, im, a);
    return a;
}

Answers unchanged(const TestDib& im) {
    Answers a;
    for (int i = 0; i < 6; ++i)
        for (unsigned short kind : {1, 2, 4}) a.push_back(kind);
    (void)im;
    return a;
}

IEdgeEntropy* make() {
    void* out = nullptr;
    EXPECT_EQ(QueryEdgeEntropyInterface(&out), 1);
    IEdgeEntropy* e = static_cast<IEdgeEntropy*>(out);
    EXPECT_EQ(e->Initialize(), 0);
    return e;
}

enum class Inject { Allocation, Lock };

struct Counts {
    long allocations = 0, locks = 0;
};

// One SetImage(next) with the n-th event failing, after an earlier image
// when `earlier` is given. Returns true when the failure was met.
bool sweep_one(Inject inject, long n, const TestDib* earlier, const TestDib& next, Counts* full) {
    Block a(earlier ? earlier->packed() : std::vector<BYTE>(48, 0)), b(next.packed());
    const std::vector<BYTE> bitmap = next.packed();
    const long live = g_live;
    bool hit;
    {
        IEdgeEntropy* e = make();
        Answers before = unchanged(next);
        if (earlier) {
            EXPECT_EQ(e->SetImage(a.arg(), 0), 0);
            before = ask(e, next);
        }
        const long count0 = g_count;
        const unsigned long locks0 = RkTestLockCalls();
        if (inject == Inject::Allocation) g_failIn = n;
        if (inject == Inject::Lock) RkTestFailNthLock(unsigned(n));
        const int result = e->SetImage(b.arg(), 0);
        hit = inject == Inject::Allocation ? n > 0 && g_failIn == 0
                                           : n > 0 && n <= long(RkTestLockCalls() - locks0);
        g_failIn = 0;
        RkTestFailNthLock(0);
        if (full) full->allocations = g_count - count0, full->locks = long(RkTestLockCalls() - locks0);
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        const Answers after = ask(e, next);
        {
            const uint8_t* p = static_cast<const uint8_t*>(GlobalLock(b.handle));
            EXPECT_TRUE(std::equal(bitmap.begin(), bitmap.end(), p)) << "the engine's bitmap was written";
            GlobalUnlock(b.handle);
        }
        // The answers of the new image, from a scorer that met no failure.
        IEdgeEntropy* clean = make();
        EXPECT_EQ(clean->SetImage(b.arg(), 0), 0);
        const Answers good = ask(clean, next);
        EXPECT_EQ(clean->Dispose(), 0);

        if (!hit) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(after, good);
        } else if (inject == Inject::Lock) {
            EXPECT_EQ(result, -1);  // nothing to read: refused, the earlier scores stay
            EXPECT_EQ(after, before);
        } else {
            EXPECT_TRUE((result == -1 && after == unchanged(next)) || (result == 0 && after == good))
                << "result " << result;
        }
        EXPECT_EQ(e->Dispose(), 0);
    }
    EXPECT_EQ(g_live.load(), live) << "allocations left behind";
    return hit;
}

TEST(EdgeEntropyFaults, EveryAllocationAndLockOfSetImageFailingInTurn) {
    std::mt19937 rng(11);
    long runs = 0, allocationFailures = 0, lockFailures = 0;
    for (int round = 0; round < 4; ++round) {
        const TestDib earlier = random_image(rng, round % 2 ? 8 : 24, 40);
        const TestDib next = random_image(rng, round < 2 ? 24 : 8, 40);
        for (const TestDib* first : {static_cast<const TestDib*>(nullptr), &earlier}) {
            SCOPED_TRACE("round " + std::to_string(round) + (first ? ", after an earlier image" : ", fresh"));
            Counts full;
            sweep_one(Inject::Allocation, 0, first, next, &full);
            ASSERT_GT(full.allocations, 0);
            ASSERT_EQ(full.locks, 1);
            for (long n = 1; n <= full.allocations; ++n, ++allocationFailures)
                EXPECT_TRUE(sweep_one(Inject::Allocation, n, first, next, nullptr)) << "allocation " << n;
            EXPECT_FALSE(sweep_one(Inject::Allocation, full.allocations + 1, first, next, nullptr));
            for (long n = 1; n <= full.locks; ++n, ++lockFailures)
                EXPECT_TRUE(sweep_one(Inject::Lock, n, first, next, nullptr)) << "lock " << n;
            ++runs;
        }
    }
    std::printf(
        "edge-entropy sweep: %ld set-ups (fresh or holding scores, 8 or 24 bits), %ld allocation failures, "
        "%ld lock failures\n",
        runs, allocationFailures, lockFailures);
}

// Determine neither allocates nor locks: armed failures stay pending and the
// answers do not change.
TEST(EdgeEntropyFaults, DetermineMeetsNoFailure) {
    std::mt19937 rng(12);
    for (int bits : {8, 24}) {
        const TestDib im = random_image(rng, bits, 50);
        Block b(im.packed());
        const long live = g_live;
        IEdgeEntropy* e = make();
        ASSERT_EQ(e->SetImage(b.arg(), 0), 0);
        Answers expected = ask(e, im), got;
        got.reserve(expected.size());
        const unsigned long locks0 = RkTestLockCalls();
        g_failIn = 1;
        RkTestFailNthLock(1);
        ask(e, im, got);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(g_failIn.load(), 1);
        EXPECT_EQ(RkTestLockCalls(), locks0);
        g_failIn = 0;
        RkTestFailNthLock(0);
        EXPECT_EQ(e->Dispose(), 0);
        Answers().swap(expected), Answers().swap(got);
        EXPECT_EQ(g_live.load(), live);
    }
}

}  // namespace
