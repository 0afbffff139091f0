// The scorer's states, refused bitmaps, every failing allocation and lock: documented values, no leak.
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

// The scorer's own refusals: an empty size, a null or empty bitmap, a second Do; release keeps the size,
// allocate clears the flags (nothing counts); no memory for an array, no scores.
TEST(BKErase, StatesAndRefusedBitmaps) {
    BKErase s;
    std::mt19937 rng(9);
    std::vector<uint8_t> block = random_image(rng, 24, 40).packed();
    const unsigned size = unsigned(block.size());
    EXPECT_TRUE(s.allocate() == -1 && s.SetImage(block.data(), size) == 0 && s.Do() == 0);
    EXPECT_TRUE(s.Do() == -1 && s.SetImage(nullptr, 100) == -1 && s.SetImage(block.data(), 0) == -1);
    s.release();
    EXPECT_TRUE(s.GetWidth() > 0 && s.GetEntropyScore(0, 0, 0, 0) == -1.0f && s.allocate() == 0);
    EXPECT_TRUE(!s.CheckState() && s.GetEntropyScore(0, 0, 0, 0) == 0.0f && s.fast_variance() == 0);
    for (unsigned n = 1; n <= 6; ++n) {
        BKErase t;
        g_failIn = n;
        EXPECT_TRUE(t.SetImage(block.data(), size) == -1 && g_failIn == 0 && t.Do() == -1 &&
                    t.GetEntropyScore(0, 0, 0, 0) == -1.0f);
    }
}

// No memory for the interface or its scorer; without a scorer or image the kinds stay; refused bitmaps
// (format 1, header edits) keep the earlier scores and no lock; Initialize forgets them.
TEST(EdgeEntropy, CallsBeforeAnImageAndRefusedImages) {
    std::mt19937 rng(8);
    const TestDib im = random_image(rng, 24, 50);
    Block good(im);
    void* out = &rng;
    g_failIn = 1;
    EXPECT_TRUE(QueryEdgeEntropyInterface(&out) == 1 && out == nullptr);
    EXPECT_TRUE(QueryEdgeEntropyInterface(nullptr) == 1 && QueryEdgeEntropyInterface(&out) == 1);
    IEdgeEntropy* e = static_cast<IEdgeEntropy*>(out);
    EXPECT_TRUE(e->Determine(0, 0, 0, 0, 1) == 1 && e->SetImage(good.arg(), 0) == -1);  // no scorer yet
    g_failIn = 1;
    EXPECT_TRUE(e->Initialize() == -1 && e->Determine(0, 0, 5, 5, 1) == 1);
    EXPECT_TRUE(e->Initialize() == 0 && e->Determine(0, 0, 1000, 1000, 1) == 1);  // no image yet
    ASSERT_EQ(e->SetImage(good.arg(), 0), 0);
    const Answers before = Ask(e, im);
    const unsigned long locks = RkTestLockCalls();
    EXPECT_TRUE(e->SetImage(good.arg(), 1) == -1 && RkTestLockCalls() == locks);  // format 1: nothing locked
    const int32_t edits[][2] = {{8, -im.h}, {8, 0},   {4, 0},  {4, -5}, {16, 1},  {16, 3},
                                {14, 16},   {14, 32}, {14, 1}, {0, 12}, {0, 108}, {0, 124}};  // offset, value
    for (const auto& [at, value] : edits) {
        std::vector<uint8_t> bytes = im.packed();
        memcpy(bytes.data() + at, &value, at == 14 ? 2 : 4);
        Block bad(bytes);
        EXPECT_TRUE(e->SetImage(bad.arg(), 0) == -1 && RkTestLockCount(bad.handle) == 0u)
            << at << " " << value;
    }
    EXPECT_TRUE(RkTestTotalLocks() == 0u && Ask(e, im) == before);
    EXPECT_TRUE(e->Initialize() == 0 && e->Determine(0, 0, 1000, 1000, 1) == 1);
    // The engine's lock survives a scoring; the unlock follows whether or not the lock gave a pointer.
    ASSERT_NE(GlobalLock(good.handle), nullptr);
    EXPECT_TRUE(e->SetImage(good.arg(), 0) == 0 && RkTestLockCount(good.handle) == 1u);
    RkTestFailNthLock(1);
    EXPECT_TRUE(e->SetImage(good.arg(), 0) == -1 && RkTestLockCount(good.handle) == 0u);
    EXPECT_EQ(e->Dispose(), 0);
}

TEST(EdgeEntropyFaults, EveryAllocationAndLockOfSetImageFailingInTurn) {
    std::mt19937 rng(11);
    const Answers asked = {1, 2, 4, 1, 2, 4, 1, 2, 4, 1, 2, 4, 1, 2, 4, 1, 2, 4};  // no scores: kinds kept
    for (int round = 0; round < 4; ++round) {
        const TestDib earlier = random_image(rng, round % 2 ? 8 : 24, 40),
                      next = random_image(rng, round < 2 ? 24 : 8, 40);
        const std::vector<BYTE> bitmap = next.packed();
        Block a(earlier), b(bitmap);
        IEdgeEntropy* clean = Make();
        EXPECT_EQ(clean->SetImage(b.arg(), 0), 0);
        const Answers good = Ask(clean, next);
        EXPECT_EQ(clean->Dispose(), 0);
        // SetImage(next) with the n-th allocation or lock failing: true when the failure came.
        auto once = [&](bool lock, long n, bool afterEarlier) {
            const long live = g_live;
            bool hit;
            {
                IEdgeEntropy* e = Make();
                EXPECT_EQ(afterEarlier ? e->SetImage(a.arg(), 0) : 0, 0);
                const Answers before = afterEarlier ? Ask(e, next) : asked;
                const unsigned long locks = RkTestLockCalls();
                lock ? RkTestFailNthLock(unsigned(n)) : void(g_failIn = n);
                const int result = e->SetImage(b.arg(), 0);
                hit = n > 0 && (lock ? long(RkTestLockCalls() - locks) >= n : g_failIn == 0);
                g_failIn = 0, RkTestFailNthLock(0);
                const Answers after = Ask(e, next);
                EXPECT_EQ(RkTestTotalLocks(), 0u);
                EXPECT_TRUE(
                    std::equal(bitmap.begin(), bitmap.end(), static_cast<const BYTE*>(GlobalLock(b.handle))))
                    << "the engine's bitmap was written";
                GlobalUnlock(b.handle);
                if (!hit)
                    EXPECT_TRUE(result == 0 && after == good);
                else if (lock)  // nothing to read: refused, the earlier scores stay
                    EXPECT_TRUE(result == -1 && after == before);
                else
                    EXPECT_TRUE((result == -1 && after == asked) || (result == 0 && after == good)) << result;
                EXPECT_TRUE(e->SetImage(b.arg(), 0) == 0 && Ask(e, next) == good);  // the next image loads
                EXPECT_EQ(e->Dispose(), 0);
            }
            EXPECT_EQ(g_live.load(), live) << "allocations left behind";
            return hit;
        };
        for (bool afterEarlier : {false, true}) {
            SCOPED_TRACE(round * 10 + afterEarlier);
            EXPECT_FALSE(once(false, 0, afterEarlier));
            long n = 1;
            while (once(false, n, afterEarlier)) ++n;
            EXPECT_GE(n, 7);  // the six arrays at least
            EXPECT_TRUE(once(true, 1, afterEarlier) && !once(true, 2, afterEarlier));  // one lock
        }
    }
}

}  // namespace
