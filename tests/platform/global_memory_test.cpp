// Movable-memory blocks against a model, injected failures, several threads; fopen_s.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include <unistd.h>

#include "rkcorr/rkcorr.h"

#if defined(__SANITIZE_THREAD__)
// The exhaustion check below wants null from the allocator, not a report.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

// Random allocations, locks, unlocks and frees against a model of the block table, with failures injected
// into the n-th following lock or allocation (once; 0 cancels one pending) and exhaustion.
TEST(GlobalMemory, BlocksMatchTheModelOnRandomSequences) {
    struct Block {
        HGLOBAL h;
        size_t size;
        unsigned locks;
        unsigned char fill;  // of every byte
        void* p;             // while locked
    };
    std::mt19937 rng(3);
    std::vector<Block> live;
    std::set<HGLOBAL> seen;
    std::vector<HGLOBAL> dead = {0};
    unsigned failLock = 0, failAlloc = 0;  // the model's countdowns
    auto due = [](unsigned& countdown) { return countdown && --countdown == 0; };
    auto lock = [&](HGLOBAL h) {
        void* p = GlobalLock(h);
        if (!due(failLock)) return p;
        EXPECT_EQ(p, nullptr);  // refused once; the next one is not
        return GlobalLock(h);
    };
    const unsigned liveBefore = RkTestLiveBlocks();
    EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), 0u);
    for (int step = 0; step < 20000; ++step) {
        const unsigned op = rng() % 7;
        if (op == 6) {
            RkTestFailNthLock(failLock = rng() % 4);
            RkTestFailNthAlloc(failAlloc = rng() % 3);
        } else if (op == 0 || live.empty()) {  // a new block is zeroed: its first lock finds fill 0
            const size_t size = rng() % 40;
            const HGLOBAL h = GlobalAlloc(GHND, size);
            ASSERT_EQ(h == 0, due(failAlloc));
            ASSERT_TRUE(!h || (seen.insert(h).second && GlobalSize(h) == size))
                << "handle given out again: " << h;
            if (h) live.push_back({h, size, 0, 0, nullptr});
        } else if (Block& b = live[rng() % live.size()]; op <= 2) {  // lock, check and write a new fill
            auto* q = static_cast<unsigned char*>(lock(b.h));
            ASSERT_TRUE(q && (b.locks == 0 || q == b.p));  // an empty block is lockable too
            for (size_t i = 0; i < b.size; ++i) ASSERT_EQ(q[i], b.fill);
            b.fill = static_cast<unsigned char>(rng());
            memset(q, b.fill, b.size);
            b.p = q, ++b.locks;
        } else if (op <= 4) {  // unlock: true while still locked
            ASSERT_EQ(GlobalUnlock(b.h) != 0, b.locks > 1);
            b.locks -= b.locks > 0;
        } else {  // free, locked or not
            EXPECT_EQ(GlobalFree(b.h), 0u);
            dead.push_back(b.h);
            b = live.back();
            live.pop_back();
        }
        ASSERT_EQ(RkTestLockCount(live.empty() ? dead.back() : live[0].h), live.empty() ? 0u : live[0].locks);
        const HGLOBAL d = dead[rng() % dead.size()];
        ASSERT_TRUE(lock(d) == nullptr && GlobalSize(d) == 0 && (!d || GlobalFree(d) == d));
    }
    RkTestFailNthLock(0);
    RkTestFailNthAlloc(0);
    for (const Block& b : live) GlobalFree(b.h);
    EXPECT_EQ(RkTestLiveBlocks(), liveBefore);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

// The table stays consistent with several threads at once; fopen_s.
TEST(GlobalMemory, TableFromSeveralThreadsAndFopenS) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 2000; ++i) {
                HGLOBAL h = GlobalAlloc(GHND, 16);
                *static_cast<int*>(GlobalLock(h)) = t * 100000 + i;
                GlobalUnlock(h);
                EXPECT_EQ(*static_cast<int*>(GlobalLock(h)), t * 100000 + i);
                GlobalFree(h);  // still locked
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    FILE* f = reinterpret_cast<FILE*>(1);
    EXPECT_TRUE(fopen_s(&f, "/nonexistent-dir/x.bmp", "wb") != 0 && f == nullptr);
    const std::string name = testing::TempDir() + "rkcorr-fopen-" + std::to_string(getpid());
    ASSERT_TRUE(fopen_s(&f, name.c_str(), "wb") == 0 && f != nullptr);
    std::fclose(f);
    std::remove(name.c_str());
}
