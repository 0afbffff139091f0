// Memory running out inside the edge-entropy interface: every allocation is
// made to fail in turn, and the interface must answer with its failure
// values, with no exception, lock or block left behind.
#include <gtest/gtest.h>

#include <rkcorr/bkerase.h>
#include <rkcorr/edge_entropy.h>

#include <cstring>
#include <new>

#include "entropy/entropy_reference.h"
#include "support/alloc_hook.h"

using rktest::g_failIn;

namespace {

using namespace entropy_test;

TEST(EdgeEntropyMemory, FailureInSetImageLeavesNoScores) {
    std::mt19937 rng(4);
    Block a(random_image(rng, 24, 40)), b(random_image(rng, 8, 40));
    // An empty border rectangle normally turns kind 1 into 3.
    const unsigned outside = 1000;
    bool succeeded = false;
    for (unsigned n = 1; !succeeded; ++n) {
        ASSERT_LT(n, 50u);
        void* out = nullptr;
        ASSERT_EQ(QueryEdgeEntropyInterface(&out), 1);
        IEdgeEntropy* e = static_cast<IEdgeEntropy*>(out);
        ASSERT_EQ(e->Initialize(), 0);
        ASSERT_EQ(e->SetImage(a.arg(), 0), 0);
        ASSERT_EQ(e->Determine(0, 0, outside, outside, 1), 3);

        const long before = rktest::g_count;
        g_failIn = n;
        const int result = e->SetImage(b.arg(), 0);
        const bool failed = g_failIn == 0;
        g_failIn = 0;
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        if (!failed) {
            // Every allocation of the call has been tried and none was refused.
            EXPECT_EQ(result, 0);
            EXPECT_EQ(rktest::g_count - before, long(n) - 1);
            EXPECT_EQ(e->Determine(0, 0, outside, outside, 1), 3);
            succeeded = true;
        } else {
            EXPECT_EQ(result, -1) << n;
            EXPECT_EQ(e->Determine(0, 0, outside, outside, 1), 1) << n;
            EXPECT_EQ(e->Determine(0, 0, 1, 1, 4), 4) << n;
            // The scorer reported -1 and stays, empty: the next image loads.
            ASSERT_EQ(e->SetImage(a.arg(), 0), 0) << n;
            EXPECT_EQ(e->Determine(0, 0, outside, outside, 1), 3);
        }
        EXPECT_EQ(e->Dispose(), 0);
    }
}

TEST(EdgeEntropyMemory, FailuresInCreationAndInitialize) {
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
}

TEST(EdgeEntropyMemory, ScorerKeepsWhatItGotUntilRelease) {
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
    }  // the destructor frees the arrays obtained (checked by the leak checker)
}

}  // namespace
