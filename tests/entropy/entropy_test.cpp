// The background-erase scorer and the edge-entropy interface against the step-by-step reference.
#include <gtest/gtest.h>

#include <rkcorr/bkerase.h>
#include <rkcorr/edge_entropy.h>

#include "entropy/entropy_reference.h"

using namespace entropy_test;

namespace {

// Loads and scores an image.
int Load(BKErase& s, const TestDib& d) {
    std::vector<uint8_t> block = d.packed();
    const int r = s.SetImage(block.data(), unsigned(block.size()));
    return r != 0 ? r : s.Do();
}

unsigned short Expected(const Reference& ref, unsigned top, unsigned left, unsigned bottom, unsigned right,
                        unsigned short kind) {
    if (kind != 1 && kind != 4) return kind;
    return double(ref.score(left, top, right - left, bottom - top)) < 0.8 ? 3 : kind;
}

// Determine's answers on a grid of rectangles, kinds 1, 2 and 4.
std::vector<unsigned short> Answers(IEdgeEntropy* e, unsigned w, unsigned h) {
    std::vector<unsigned short> out;
    for (unsigned top = 0; top < h; top += 3)
        for (unsigned left = 0; left < w; left += 4)
            for (unsigned short kind : {1, 2, 4})
                out.push_back(e->Determine(top, left, top + 5, left + 7, kind));
    return out;
}

// Scores of random, wrapped and whole rectangles and Determine's answers vs the reference.
TEST(Entropy, ScoresAndAnswersMatchReferenceOnRandomBitmaps) {
    std::mt19937 rng(20261205);
    auto pick = [&](unsigned n) { return std::uniform_int_distribution<unsigned>(0, n)(rng); };
    IEdgeEntropy* e = Make();
    int changed = 0, kept = 0;
    BKErase reused;  // loads another image of the same size first and keeps its arrays
    for (int round = 0; round < 400; ++round) {
        const TestDib im = random_image(rng, round % 2 ? 24 : 8, round % 5 == 0 ? 9 : 70);
        BKErase s;
        ASSERT_EQ(Load(s, im), 0);
        TestDib other(im.w, im.h, false, 24);
        other.pageFill(rng);
        ASSERT_EQ(Load(reused, other), 0);
        if (round % 4 == 0) EXPECT_EQ(reused.variance(), 0);
        ASSERT_EQ(Load(reused, im), 0);
        ASSERT_TRUE(s.CheckState());
        ASSERT_EQ(s.GetWidth() * 1000 + s.GetHeight(), unsigned(im.w * 1000 + im.h));
        Reference ref(im);
        if (round % 3 == 0) {
            Block block(im);
            ASSERT_EQ(e->SetImage(block.arg(), 0), 0);
            EXPECT_EQ(RkTestLockCount(block.handle), 0u);
            for (int k = 0; k < 80; ++k) {
                const unsigned top = pick(im.h), left = pick(im.w);
                const unsigned bottom = k % 7 ? top + pick(im.h) : pick(im.h);
                const unsigned right = k % 5 ? left + pick(im.w) : pick(im.w);
                const unsigned short kind = static_cast<unsigned short>(pick(6));
                const unsigned short got = e->Determine(top, left, bottom, right, kind);
                ASSERT_EQ(got, Expected(ref, top, left, bottom, right, kind));
                changed += got != kind;
                kept += got == kind && (kind == 1 || kind == 4);
            }
        }
        for (int pass = 0; pass < (round % 6 ? 1 : 2); ++pass) {
            if (pass) {
                EXPECT_EQ(s.variance(), 0);
                ref.use_variance();
            }
            for (int k = 0; k < 60; ++k) {
                unsigned x = pick(im.w), y = pick(im.h), dx = pick(im.w), dy = pick(im.h);
                if (k % 10 == 0) dx = 0u - 1 - pick(3);  // wraps: right below left
                if (k % 10 == 1) dy = 0u - 1 - pick(3);
                if (k % 10 == 2) x = y = 0, dx = im.w - 1, dy = im.h - 1;
                if (k % 10 == 3) dx = dy = 0;
                ASSERT_EQ(s.GetEntropyScore(x, y, dx, dy), ref.score(x, y, dx, dy))
                    << im.w << "x" << im.h << " rect " << x << "," << y << " +" << dx << "," << dy;
                if (!pass) ASSERT_EQ(reused.GetEntropyScore(x, y, dx, dy), ref.score(x, y, dx, dy));
            }
        }
    }
    EXPECT_TRUE(changed > 0 && kept > 0);
    EXPECT_EQ(e->Dispose(), 0);
    // One brightness only: no background, gradient or variance (the map stays 0, no NaN).
    BKErase s;
    ASSERT_EQ(Load(s, grey24(30, 30, std::vector<uint8_t>(900, 128))), 0);
    EXPECT_EQ(s.variance(), 0);
    for (unsigned y = 0; y < 30; y += 3) EXPECT_EQ(s.GetEntropyScore(0, y, 29, 2), 0.0f);
}

// Ties decided by single-precision rounding; the 0.8 threshold compared in double.
TEST(BKErase, EntropyInSinglePrecisionThresholdInDouble) {
    int singleSaysBackground = 0, disagree = 0;
    for (unsigned h = 6; h < 160; h += 2) {
        const unsigned w = 10, n = w * h;
        std::vector<uint8_t> levels(n, 40);
        std::fill(levels.begin() + n / 2, levels.end(), 90);
        const TestDib im = grey24(w, h, levels);
        const Reference ref(im);
        const double info = -log(double(n / 2) / double(n));
        const bool doubleBackground = (info * (n / 2) + info * (n / 2)) / n > info,
                   single = ref.flag[40] == 0;
        singleSaysBackground += single;
        disagree += single != doubleBackground;
        BKErase s;
        ASSERT_EQ(Load(s, im), 0);
        const float v = s.GetEntropyScore(0, 0, w - 1, h - 1);
        ASSERT_EQ(v, ref.score(0, 0, w - 1, h - 1)) << h;
        EXPECT_EQ(v > 0.0f, !single) << h;
    }
    EXPECT_TRUE(singleSaysBackground > 0 && disagree > 0);
    for (float target : {0.8f, nextafterf(0.8f, 0.0f)}) {
        const TestDib im = image_scoring(target);
        BKErase s;
        ASSERT_EQ(Load(s, im), 0);
        EXPECT_EQ(s.GetEntropyScore(10, im.h - 11, 0, 0), target);
        Block block(im);
        IEdgeEntropy* e = Make();
        ASSERT_EQ(e->SetImage(block.arg(), 0), 0);
        const unsigned row = im.h - 11;
        for (unsigned short kind : {1, 4})
            EXPECT_EQ(e->Determine(row, 10, row, 10, kind), target == 0.8f ? kind : 3) << target;
        EXPECT_EQ(e->Dispose(), 0);
    }
}

TEST(BKErase, StatesAndRefusedBitmaps) {
    BKErase s;
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.Do(), -1);
    EXPECT_EQ(s.histogram(), -1);
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), -1.0f);
    EXPECT_EQ(s.allocate(), -1);  // empty size
    std::mt19937 rng(9);
    const TestDib im = random_image(rng, 24, 40);
    std::vector<uint8_t> block = im.packed();
    ASSERT_EQ(s.SetImage(block.data(), unsigned(block.size())), 0);
    EXPECT_FALSE(s.CheckState());
    ASSERT_EQ(s.Do(), 0);
    EXPECT_TRUE(s.CheckState());
    EXPECT_EQ(s.Do(), -1);  // a second Do keeps the first scores
    // Refused bitmaps leave the size and the scores as they were.
    EXPECT_EQ(s.SetImage(nullptr, 100), -1);
    EXPECT_EQ(s.SetImage(block.data(), 0), -1);
    EXPECT_TRUE(s.CheckState());
    EXPECT_EQ(s.GetWidth() * 1000 + s.GetHeight(), unsigned(im.w * 1000 + im.h));
    const Reference ref(im);
    for (int y = 0; y < im.h; ++y)
        EXPECT_EQ(s.GetEntropyScore(0, y, im.w - 1, 0), ref.score(0, y, im.w - 1, 0));
    // release keeps the size but drops the scores; init forgets the size.
    s.release();
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.GetWidth(), unsigned(im.w));
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), -1.0f);
    EXPECT_EQ(s.allocate(), 0);
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), 0.0f);  // flags cleared: nothing counts
    EXPECT_EQ(s.fast_variance(), 0);
    EXPECT_EQ(s.Do(), -1);
    s.release();
    s.init();
    EXPECT_EQ(s.GetWidth() + s.GetHeight(), 0u);
}

// Itanium ABI: a virtual member pointer holds 1 + the byte offset of its slot.
template <typename F>
size_t Slot(F f) {
    ptrdiff_t rep[2];
    static_assert(sizeof(F) == sizeof rep, "member pointer layout");
    memcpy(rep, &f, sizeof rep);
    return size_t(rep[0] - 1) / sizeof(void*);
}

// The slots follow the two destructors; without a scorer or image the kinds stay.
TEST(EdgeEntropy, SlotsAndCallsBeforeAnImage) {
    EXPECT_EQ(Slot(&IEdgeEntropy::Initialize) * 1000 + Slot(&IEdgeEntropy::Dispose) * 100 +
                  Slot(&IEdgeEntropy::SetImage) * 10 + Slot(&IEdgeEntropy::Determine),
              2345u);
    EXPECT_EQ(Slot(&CEdgeEntropy::Determine), 5u);
    EXPECT_EQ(sizeof(CEdgeEntropy), 2 * sizeof(void*));
    std::mt19937 rng(1);
    Block block(random_image(rng, 24, 40));
    IEdgeEntropy* e = Make(false);
    EXPECT_EQ(e->Determine(0, 0, 0, 0, 1), 1);
    EXPECT_EQ(e->SetImage(block.arg(), 0), -1);  // no scorer yet
    EXPECT_EQ(e->Determine(0, 0, 1000, 1000, 4), 4);
    ASSERT_EQ(e->Initialize(), 0);
    EXPECT_EQ(e->Determine(0, 0, 1000, 1000, 1), 1);  // no image yet
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_EQ(e->Dispose(), 0);
    EXPECT_EQ(QueryEdgeEntropyInterface(nullptr), 1);
}

TEST(EdgeEntropy, RefusedImagesKeepThePreviousScoresAndNoLock) {
    std::mt19937 rng(8);
    const TestDib im = random_image(rng, 24, 50);
    Block good(im);
    IEdgeEntropy* e = Make();
    ASSERT_EQ(e->SetImage(good.arg(), 0), 0);
    const std::vector<unsigned short> before = Answers(e, im.w, im.h);
    EXPECT_EQ(before[0], Expected(Reference(im), 0, 0, 5, 7, 1));
    const unsigned long locksBefore = RkTestLockCalls();
    EXPECT_EQ(e->SetImage(good.arg(), 1), -1);  // format 1: nothing locked
    EXPECT_EQ(RkTestLockCalls(), locksBefore);
    for (int k = 0; k < kRefusedEdits; ++k) {
        Block bad(refused_bitmap(random_image(rng, 24, 30), k));
        EXPECT_EQ(e->SetImage(bad.arg(), 0), -1) << k;
        EXPECT_EQ(RkTestLockCount(bad.handle), 0u) << k;
    }
    RkTestFailNthLock(1);  // a lock that fails, and a handle that names no block
    EXPECT_EQ(e->SetImage(good.arg(), 0), -1);
    EXPECT_EQ(e->SetImage(reinterpret_cast<void*>(uintptr_t(0x7ffffff0u)), 0), -1);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_EQ(Answers(e, im.w, im.h), before);
    // A second scoring of the same block answers the same; Initialize forgets.
    EXPECT_EQ(e->SetImage(good.arg(), 0), 0);
    EXPECT_EQ(Answers(e, im.w, im.h), before);
    ASSERT_EQ(e->Initialize(), 0);
    EXPECT_EQ(e->Determine(0, 0, 1000, 1000, 1), 1);
    // The engine's lock survives a scoring; the unlock follows whether or not the lock gave a pointer.
    ASSERT_NE(GlobalLock(good.handle), nullptr);
    EXPECT_EQ(e->SetImage(good.arg(), 0), 0);
    EXPECT_EQ(RkTestLockCount(good.handle), 1u);
    RkTestFailNthLock(1);
    EXPECT_EQ(e->SetImage(good.arg(), 0), -1);
    EXPECT_EQ(RkTestLockCount(good.handle), 0u);
    EXPECT_EQ(e->Dispose(), 0);
}

}  // namespace
