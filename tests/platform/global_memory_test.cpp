// The movable-memory blocks: zeroed and sized, nested locks, dead handles,
// handles never aliased, injected failures hitting exactly the nth call, the
// table shared by several threads; and fopen_s.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
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

TEST(GlobalMemory, BlocksAreZeroedSizedAndNestLocks) {
    const unsigned live = RkTestLiveBlocks();
    HGLOBAL h = GlobalAlloc(GHND, 1000);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(GlobalSize(h), 1000u);
    auto* p = static_cast<unsigned char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0);
    std::memset(p, 0xAB, 1000);
    // Nested lock: same pointer, counts add up, the block stays locked.
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_EQ(RkTestLockCount(h), 2u);
    EXPECT_TRUE(GlobalUnlock(h));
    EXPECT_FALSE(GlobalUnlock(h));
    EXPECT_EQ(RkTestLockCount(h), 0u);
    EXPECT_FALSE(GlobalUnlock(h));  // an unlock too many changes nothing
    EXPECT_EQ(RkTestLockCount(h), 0u);
    EXPECT_EQ(static_cast<unsigned char*>(GlobalLock(h))[999], 0xAB);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), 0u);
    EXPECT_EQ(RkTestLiveBlocks(), live);
    EXPECT_EQ(GlobalLock(h), nullptr);  // a freed handle is dead for every call
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GlobalFree(h), h);
    EXPECT_EQ(GlobalLock(0), nullptr);
    HGLOBAL e = GlobalAlloc(GHND, 0);  // an empty block is still valid and lockable
    ASSERT_NE(e, 0u);
    EXPECT_NE(GlobalLock(e), nullptr);
    GlobalUnlock(e);
    GlobalFree(e);
}

TEST(GlobalMemory, HandlesNeverAliasLiveOrRecentlyFreedBlocks) {
    std::set<HGLOBAL> seen;
    std::vector<HGLOBAL> live;
    for (int i = 0; i < 2000; ++i) {
        HGLOBAL h = GlobalAlloc(GHND, i % 17);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(seen.insert(h).second) << "handle reused: " << h;
        i % 3 == 0 ? void(GlobalFree(h)) : live.push_back(h);
    }
    for (HGLOBAL h : live) EXPECT_EQ(GlobalFree(h), 0u);
}

TEST(GlobalMemory, InjectedFailuresHitExactlyTheNthCall) {
    HGLOBAL h = GlobalAlloc(GHND, 8);
    RkTestFailNthLock(3);
    EXPECT_NE(GlobalLock(h), nullptr);
    EXPECT_NE(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalLock(h), nullptr);  // the third fails and takes no lock
    EXPECT_NE(GlobalLock(h), nullptr);  // and only once
    EXPECT_EQ(RkTestLockCount(h), 3u);
    EXPECT_EQ(RkTestTotalLocks(), 3u);
    for (int i = 0; i < 3; ++i) GlobalUnlock(h);
    EXPECT_EQ(RkTestTotalLocks(), 0u);

    RkTestFailNthAlloc(1);
    EXPECT_EQ(GlobalAlloc(GHND, 8), 0u);
    HGLOBAL g = GlobalAlloc(GHND, 8);
    EXPECT_NE(g, 0u);
    RkTestFailNthAlloc(2);
    RkTestFailNthAlloc(0);  // cancelled
    HGLOBAL k = GlobalAlloc(GHND, 8);
    HGLOBAL m = GlobalAlloc(GHND, 8);
    EXPECT_NE(k, 0u);
    EXPECT_NE(m, 0u);
    for (HGLOBAL x : {h, g, k, m}) GlobalFree(x);
    // Memory exhaustion gives 0, not an exception.
    EXPECT_EQ(GlobalAlloc(GHND, SIZE_MAX), 0u);
}

TEST(GlobalMemory, TableIsSafeFromSeveralThreads) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 2000; ++i) {
                HGLOBAL h = GlobalAlloc(GHND, 16);
                auto* p = static_cast<int*>(GlobalLock(h));
                p[0] = t * 100000 + i;
                GlobalUnlock(h);
                EXPECT_EQ(static_cast<int*>(GlobalLock(h))[0], t * 100000 + i);
                GlobalUnlock(h);
                GlobalFree(h);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

TEST(Platform, FopenS) {
    FILE* f = reinterpret_cast<FILE*>(1);
    EXPECT_NE(fopen_s(&f, "/nonexistent-dir/x.bmp", "wb"), 0);
    EXPECT_EQ(f, nullptr);
    char name[] = "/tmp/rkcorr-fopen-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(fopen_s(&f, name, "wb"), 0);
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    std::remove(name);
}
