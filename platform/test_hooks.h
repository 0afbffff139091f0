// Calls of the test build of the platform layer only: the tests link the
// platform's sources compiled with RKCORR_TEST_HOOKS (the object library
// rkcorr_platform_testable), which stand in for the installed platform
// library. The shipped library has none of these names. The test programs
// get this header included into every source by the build.
#ifndef RKCORR_PLATFORM_TEST_HOOKS_H
#define RKCORR_PLATFORM_TEST_HOOKS_H

#include "rkcorr/platform_memory.h"

#ifdef __cplusplus
extern "C" {
#endif

// Locks currently held on one handle, and on all handles together.
RKCORR_PLATFORM_API unsigned RkTestLockCount(HGLOBAL handle);
RKCORR_PLATFORM_API unsigned RkTestTotalLocks(void);
// Number of live blocks.
RKCORR_PLATFORM_API unsigned RkTestLiveBlocks(void);
// Makes the n-th following GlobalLock (or GlobalAlloc, CreateEvent,
// _beginthreadex) fail once; 1 is the very next call, 0 cancels a pending
// failure.
RKCORR_PLATFORM_API void RkTestFailNthLock(unsigned n);
RKCORR_PLATFORM_API void RkTestFailNthAlloc(unsigned n);
RKCORR_PLATFORM_API void RkTestFailNthEvent(unsigned n);
RKCORR_PLATFORM_API void RkTestFailNthThread(unsigned n);
// Number of GlobalLock calls made since the process started (failed ones too).
RKCORR_PLATFORM_API unsigned long RkTestLockCalls(void);
// Makes GlobalSize answer 0 for every handle while `on` is non-zero, as a
// host layer that keeps no sizes does.
RKCORR_PLATFORM_API void RkTestSizeUnknown(int on);

#ifdef __cplusplus
}
#endif

#endif
