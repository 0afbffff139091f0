// Memory exhaustion on demand for the tests: a test binary that compiles
// alloc_hook.cpp gets every form of operator new and delete replaced. While
// g_failIn is positive each allocation counts it down, and the one that
// brings it to 0 fails (std::bad_alloc, or null from the nothrow forms).
// SweepAllocations runs a call with each of its allocations failing in turn.
#ifndef RKCORR_TESTS_SUPPORT_ALLOC_HOOK_H
#define RKCORR_TESTS_SUPPORT_ALLOC_HOOK_H

#include <gtest/gtest.h>

#include <atomic>

namespace rktest {

extern std::atomic<long> g_failIn;  // countdown to the failing allocation; 0 = off
extern std::atomic<long> g_live;    // allocations not yet freed
extern std::atomic<long> g_count;   // allocations made (reset it freely)

// Calls once(n) for n = 1, 2, ... until it returns false. once sets
// g_failIn = n itself when its setup is done and returns whether the n-th
// allocation came (g_failIn == 0 after the call under test). After each call
// every allocation it made must be freed. Returns the calls that failed one.
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
