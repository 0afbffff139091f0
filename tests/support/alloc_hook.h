// Memory exhaustion on demand for the tests: a test binary that compiles
// alloc_hook.cpp gets every form of operator new and delete replaced. While
// g_failIn is positive each allocation counts it down, and the one that
// brings it to 0 fails (std::bad_alloc, or null from the nothrow forms).
#ifndef RKCORR_TESTS_SUPPORT_ALLOC_HOOK_H
#define RKCORR_TESTS_SUPPORT_ALLOC_HOOK_H

#include <atomic>

namespace rktest {

extern std::atomic<long> g_failIn;  // countdown to the failing allocation; 0 = off
extern std::atomic<long> g_live;    // allocations not yet freed
extern std::atomic<long> g_count;   // allocations made (reset it freely)

}  // namespace rktest

#endif
