// Edge-entropy calls under failing allocations and locks: documented value, no leak or lock.
#include <gtest/gtest.h>

#include <rkcorr/bkerase.h>
#include <rkcorr/edge_entropy.h>

#include "entropy/entropy_reference.h"
#include "support/alloc_hook.h"

using rktest::g_failIn;
using rktest::g_live;

namespace {

using namespace entropy_test;

typedef std::vector<unsigned short> Answers;

// Determine on rectangles inside, across the border and empty, for kinds 1, 2, 4.
Answers Ask(IEdgeEntropy* e, const TestDib& im) {
    const unsigned w = im.w, h = im.h;
    const unsigned rects[][4] = {{0, 0, h - 1, w - 1}, {h / 3, w / 4, h - 1, w / 2},
                                 {0, 0, 0, 0},         {1, 2, h, w},
                                 {0, 5, 3, 2},         {h / 2, 0, h / 2, w - 1}};
    Answers a;
    for (const auto& r : rects)
        for (unsigned short kind : {1, 2, 4}) a.push_back(e->Determine(r[0], r[1], r[2], r[3], kind));
    return a;
}

enum class Inject { Allocation, Lock };

// One SetImage(next) with the n-th event failing (0: none); true when the failure was met.
bool SweepOne(Inject inject, long n, const TestDib* earlier, const TestDib& next, const Answers& good,
              long* full = nullptr) {
    Block a(earlier ? earlier->packed() : std::vector<BYTE>(48, 0)), b(next.packed());
    const std::vector<BYTE> bitmap = next.packed();
    const long live = g_live;
    bool hit;
    {
        IEdgeEntropy* e = Make();
        Answers before(18);
        for (size_t i = 0; i < before.size(); ++i) before[i] = std::vector<unsigned short>{1, 2, 4}[i % 3];
        const Answers unchanged = before;
        if (earlier) {
            EXPECT_EQ(e->SetImage(a.arg(), 0), 0);
            before = Ask(e, next);
        }
        const long count0 = rktest::g_count;
        const unsigned long locks0 = RkTestLockCalls();
        if (inject == Inject::Allocation) g_failIn = n;
        if (inject == Inject::Lock) RkTestFailNthLock(unsigned(n));
        const int result = e->SetImage(b.arg(), 0);
        const long locks = long(RkTestLockCalls() - locks0);
        hit = n > 0 && (inject == Inject::Allocation ? g_failIn == 0 : n <= locks);
        g_failIn = 0;
        RkTestFailNthLock(0);
        if (full) full[0] = rktest::g_count - count0, full[1] = locks;
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        const Answers after = Ask(e, next);
        EXPECT_TRUE(std::equal(bitmap.begin(), bitmap.end(), static_cast<const BYTE*>(GlobalLock(b.handle))))
            << "the engine's bitmap was written";
        GlobalUnlock(b.handle);
        if (!hit) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(after, good);
        } else if (inject == Inject::Lock) {
            EXPECT_EQ(result, -1);  // nothing to read: refused, the earlier scores stay
            EXPECT_EQ(after, before);
        } else {
            EXPECT_TRUE((result == -1 && after == unchanged) || (result == 0 && after == good)) << result;
        }
        EXPECT_EQ(e->SetImage(b.arg(), 0), 0);  // the next image loads
        EXPECT_EQ(Ask(e, next), good);
        EXPECT_EQ(e->Dispose(), 0);
    }
    EXPECT_EQ(g_live.load(), live) << "allocations left behind";
    return hit;
}

TEST(EdgeEntropyFaults, EveryAllocationAndLockOfSetImageFailingInTurn) {
    std::mt19937 rng(11);
    long allocationFailures = 0;
    for (int round = 0; round < 4; ++round) {
        const TestDib earlier = random_image(rng, round % 2 ? 8 : 24, 40);
        const TestDib next = random_image(rng, round < 2 ? 24 : 8, 40);
        Block b(next);
        IEdgeEntropy* clean = Make();
        ASSERT_EQ(clean->SetImage(b.arg(), 0), 0);
        const Answers good = Ask(clean, next);
        EXPECT_EQ(clean->Dispose(), 0);
        for (const TestDib* first : {static_cast<const TestDib*>(nullptr), &earlier}) {
            SCOPED_TRACE("round " + std::to_string(round) + (first ? ", after an earlier image" : ", fresh"));
            long full[2];
            SweepOne(Inject::Allocation, 0, first, next, good, full);
            ASSERT_GT(full[0], 0);
            ASSERT_EQ(full[1], 1);
            for (long n = 1; n <= full[0]; ++n, ++allocationFailures)
                EXPECT_TRUE(SweepOne(Inject::Allocation, n, first, next, good)) << "allocation " << n;
            EXPECT_FALSE(SweepOne(Inject::Allocation, full[0] + 1, first, next, good));
            EXPECT_TRUE(SweepOne(Inject::Lock, 1, first, next, good));
        }
    }
    std::printf("edge-entropy sweep: %ld allocation failures\n", allocationFailures);
}

TEST(EdgeEntropyFaults, CreationInitializeAndTheScorerUnderFailingAllocations) {
    g_failIn = 1;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(QueryEdgeEntropyInterface(&out), 1);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(QueryEdgeEntropyInterface(&out), 1);
    IEdgeEntropy* e = static_cast<IEdgeEntropy*>(out);
    g_failIn = 1;
    EXPECT_EQ(e->Initialize(), -1);
    g_failIn = 0;
    EXPECT_EQ(e->Determine(0, 0, 5, 5, 1), 1);
    EXPECT_EQ(e->Dispose(), 0);
    // The scorer keeps what it got until release (the leak checkers see the rest).
    std::mt19937 rng(6);
    std::vector<uint8_t> bytes = random_image(rng, 24, 30).packed();
    for (unsigned n = 1; n <= 6; ++n) {
        BKErase s;
        g_failIn = n;
        EXPECT_EQ(s.SetImage(bytes.data(), unsigned(bytes.size())), -1);
        g_failIn = 0;
        EXPECT_FALSE(s.CheckState());
        EXPECT_EQ(s.Do(), -1);
        EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), -1.0f);
    }
}

}  // namespace
