// The edge-entropy interface: its slots, its answers against the reference,
// the 0.8 threshold at its borders, and locking and refused images.
#include <gtest/gtest.h>

#include <rkcorr/edge_entropy.h>

#include <cstring>

#include "entropy/entropy_reference.h"

using namespace entropy_test;

namespace {

IEdgeEntropy* make() {
    void* out = nullptr;
    EXPECT_EQ(QueryEdgeEntropyInterface(&out), 1);
    EXPECT_NE(out, nullptr);
    return static_cast<IEdgeEntropy*>(out);
}

unsigned short expected(const Reference& ref, unsigned top, unsigned left, unsigned bottom, unsigned right,
                        unsigned short kind) {
    if (kind != 1 && kind != 4) return kind;
    return double(ref.score(left, top, right - left, bottom - top)) < 0.8 ? 3 : kind;
}

// Answers of Determine for a fixed set of rectangles and kinds.
std::vector<unsigned short> answers(IEdgeEntropy* e, unsigned w, unsigned h) {
    std::vector<unsigned short> out;
    for (unsigned top = 0; top < h; top += 3)
        for (unsigned left = 0; left < w; left += 4)
            for (unsigned short kind : {1, 2, 4})
                out.push_back(e->Determine(top, left, top + 5, left + 7, kind));
    return out;
}

// Slot of a virtual member function: Itanium member pointers hold 1 + the
// byte offset of the slot in the table.
template <typename F>
size_t slot(F f) {
    struct Rep {
        ptrdiff_t ptr, adj;
    } rep;
    static_assert(sizeof(F) == sizeof(Rep), "member pointer layout");
    memcpy(&rep, &f, sizeof rep);
    return size_t(rep.ptr - 1) / sizeof(void*);
}

TEST(EdgeEntropy, SlotOrderFollowsTheDestructors) {
    EXPECT_EQ(slot(&IEdgeEntropy::Initialize), 2u);
    EXPECT_EQ(slot(&IEdgeEntropy::Dispose), 3u);
    EXPECT_EQ(slot(&IEdgeEntropy::SetImage), 4u);
    EXPECT_EQ(slot(&IEdgeEntropy::Determine), 5u);
    EXPECT_EQ(slot(&CEdgeEntropy::Determine), 5u);
    EXPECT_EQ(sizeof(CEdgeEntropy), 2 * sizeof(void*));
}

TEST(EdgeEntropy, WithoutScorerOrImageKindsStay) {
    std::mt19937 rng(1);
    Block block(random_image(rng, 24, 40));
    IEdgeEntropy* e = make();
    EXPECT_EQ(e->Determine(0, 0, 0, 0, 1), 1);
    EXPECT_EQ(e->SetImage(block.arg(), 0), -1);  // no scorer yet
    EXPECT_EQ(e->Determine(0, 0, 1000, 1000, 4), 4);
    ASSERT_EQ(e->Initialize(), 0);
    EXPECT_EQ(e->Determine(0, 0, 1000, 1000, 1), 1);  // no image yet
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_EQ(e->Dispose(), 0);
    EXPECT_EQ(QueryEdgeEntropyInterface(nullptr), 1);
}

TEST(EdgeEntropy, DetermineMatchesReference) {
    std::mt19937 rng(42);
    IEdgeEntropy* e = make();
    ASSERT_EQ(e->Initialize(), 0);
    int changed = 0, kept = 0;
    for (int round = 0; round < 120; ++round) {
        const TestDib im = random_image(rng, round % 2 ? 8 : 24, 60);
        Block block(im);
        ASSERT_EQ(e->SetImage(block.arg(), 0), 0);
        EXPECT_EQ(RkTestLockCount(block.handle), 0u);
        const Reference ref(im);
        auto pick = [&](unsigned n) { return std::uniform_int_distribution<unsigned>(0, n)(rng); };
        for (int k = 0; k < 80; ++k) {
            const unsigned top = pick(im.h), left = pick(im.w);
            const unsigned bottom = k % 7 ? top + pick(im.h) : pick(im.h);
            const unsigned right = k % 5 ? left + pick(im.w) : pick(im.w);
            const unsigned short kind = static_cast<unsigned short>(pick(6));
            const unsigned short got = e->Determine(top, left, bottom, right, kind);
            ASSERT_EQ(got, expected(ref, top, left, bottom, right, kind));
            changed += got != kind;
            kept += got == kind && (kind == 1 || kind == 4);
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_GT(kept, 0);
    EXPECT_EQ(e->Dispose(), 0);
}

TEST(EdgeEntropy, ImageBordersAndTheThresholdInDoublePrecision) {
    // Strong ink everywhere (three ink columns in every twelve): a rectangle
    // keeps kind 1 up to the last column and row, and gets 3 one past them.
    std::vector<uint8_t> levels(100 * 60);
    for (size_t i = 0; i < levels.size(); ++i) levels[i] = i % 100 % 12 < 3 ? 0 : 250;
    const TestDib im = grey24(100, 60, levels);
    const Reference ref(im);
    Block block(im);
    IEdgeEntropy* e = make();
    ASSERT_EQ(e->Initialize(), 0);
    ASSERT_EQ(e->SetImage(block.arg(), 0), 0);
    ASSERT_GE(double(ref.score(10, 10, 89, 10)), 0.8);
    EXPECT_EQ(e->Determine(10, 10, 20, 99, 1), 1);
    EXPECT_EQ(e->Determine(10, 10, 20, 100, 1), 3);
    EXPECT_EQ(e->Determine(10, 10, 59, 99, 4), expected(ref, 10, 10, 59, 99, 4));
    EXPECT_EQ(e->Determine(10, 10, 60, 99, 4), 3);
    EXPECT_EQ(e->Dispose(), 0);

    // The float nearest 0.8 is above 0.8 as a double: the kind stays. The
    // next float down gives 3.
    for (float target : {0.8f, nextafterf(0.8f, 0.0f)}) {
        const TestDib t = image_scoring(target);
        Block tb(t);
        e = make();
        ASSERT_EQ(e->Initialize(), 0);
        ASSERT_EQ(e->SetImage(tb.arg(), 0), 0);
        const unsigned row = t.h - 11;
        for (unsigned short kind : {1, 4})
            EXPECT_EQ(e->Determine(row, 10, row, 10, kind), target == 0.8f ? kind : 3) << target;
        EXPECT_EQ(e->Dispose(), 0);
    }
}

TEST(EdgeEntropy, RefusedImagesKeepThePreviousScoresAndNoLock) {
    std::mt19937 rng(8);
    const TestDib im = random_image(rng, 24, 50);
    Block good(im);
    IEdgeEntropy* e = make();
    ASSERT_EQ(e->Initialize(), 0);
    ASSERT_EQ(e->SetImage(good.arg(), 0), 0);
    const std::vector<unsigned short> before = answers(e, im.w, im.h);
    EXPECT_EQ(before[0], expected(Reference(im), 0, 0, 5, 7, 1));

    const unsigned long locksBefore = RkTestLockCalls();
    EXPECT_EQ(e->SetImage(good.arg(), 1), -1);  // format 1: nothing locked
    EXPECT_EQ(RkTestLockCalls(), locksBefore);
    for (int k = 0; k < kRefusedEdits; ++k) {
        Block bad(refused_bitmap(random_image(rng, 24, 30), k));
        EXPECT_EQ(e->SetImage(bad.arg(), 0), -1) << k;
        EXPECT_EQ(RkTestLockCount(bad.handle), 0u) << k;
    }
    // A lock that fails, and a handle that names no block.
    RkTestFailNthLock(1);
    EXPECT_EQ(e->SetImage(good.arg(), 0), -1);
    EXPECT_EQ(e->SetImage(reinterpret_cast<void*>(uintptr_t(0x7ffffff0u)), 0), -1);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_EQ(answers(e, im.w, im.h), before);

    // A second scoring of the same block answers the same; Initialize forgets.
    EXPECT_EQ(e->SetImage(good.arg(), 0), 0);
    EXPECT_EQ(answers(e, im.w, im.h), before);
    ASSERT_EQ(e->Initialize(), 0);
    EXPECT_EQ(e->Determine(0, 0, 1000, 1000, 1), 1);

    // The engine's own lock survives a scoring. The unlock follows the
    // scorer's copy whether or not the lock gave a pointer.
    ASSERT_NE(GlobalLock(good.handle), nullptr);
    EXPECT_EQ(e->SetImage(good.arg(), 0), 0);
    EXPECT_EQ(RkTestLockCount(good.handle), 1u);
    RkTestFailNthLock(1);
    EXPECT_EQ(e->SetImage(good.arg(), 0), -1);
    EXPECT_EQ(RkTestLockCount(good.handle), 0u);
    EXPECT_EQ(e->Dispose(), 0);
}

}  // namespace
