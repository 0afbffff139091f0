// Replaced operator new/delete: the allocation that brings g_failIn to 0 fails.
#ifndef RKCORR_TESTS_SUPPORT_ALLOC_HOOK_H
#define RKCORR_TESTS_SUPPORT_ALLOC_HOOK_H

#include <gtest/gtest.h>

#include <atomic>

namespace rktest {

extern std::atomic<long> g_failIn;  // countdown to the failing allocation; 0 = off
extern std::atomic<long> g_live;    // allocations not yet freed
extern std::atomic<long> g_count;   // allocations made (reset it freely)

// Calls once(n) for n = 1, 2, ... while it returns true (the n-th allocation came); no leaks.
template <class F>
long SweepAllocations(F once, long limit = 5000) {
    long n = 1;
    for (;; ++n) {
        const long live = g_live;
        const bool hit = once(n);
        g_failIn = 0;
        EXPECT_EQ(g_live.load(), live) << "allocation " << n;
        if (!hit || n >= limit) return n - 1;
    }
}

}  // namespace rktest

#endif
