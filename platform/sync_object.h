// The objects behind event and thread handles, and the table that maps handle
// values to them. One process-wide mutex guards the table and the state of
// every object, so a wait for several objects can test and take all of them
// in one step. A waiting thread registers a waiter with each object it waits
// on; signalling an object wakes exactly the threads registered with it.
#ifndef RKCORR_PLATFORM_SYNC_OBJECT_H
#define RKCORR_PLATFORM_SYNC_OBJECT_H

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "rkcorr/platform_thread.h"

namespace rkplatform {

// One thread blocked in a wait call; it alone waits on `wake`.
struct Waiter {
    std::condition_variable wake;
};

struct SyncObject {
    enum Kind { Event, Thread };

    SyncObject(Kind k, bool manual, bool initial) : kind(k), manualReset(manual), signalled(initial) {}

    const Kind kind;
    const bool manualReset;  // threads stay signalled once they have ended
    bool signalled;
    std::vector<Waiter*> waiters;
    // Threads only: set by the thread's creator before the handle is returned.
    pthread_t thread{};
};

// The mutex that guards the handle table and every object's state.
std::mutex& sync_mutex();

// The following calls need sync_mutex() held by the caller.

// Enters the object in the table and returns its new handle. May throw
// std::bad_alloc.
HANDLE add_handle(std::shared_ptr<SyncObject> object);
// The object of a live handle, or null.
std::shared_ptr<SyncObject> find_handle(HANDLE handle);
// Takes the handle out of the table and returns its object, or null.
std::shared_ptr<SyncObject> remove_handle(HANDLE handle);
// Marks the object signalled and wakes every thread waiting on it.
void signal_object(SyncObject& object);

#ifdef RKCORR_TEST_HOOKS
// Countdowns of the test build (see test_hooks.h): the call that brings one
// from 1 to 0 fails as if the system had refused it.
extern std::atomic<unsigned> g_failEventIn;
extern std::atomic<unsigned> g_failThreadIn;
bool test_failure_due(std::atomic<unsigned>& countdown);
#endif

}  // namespace rkplatform

#endif
