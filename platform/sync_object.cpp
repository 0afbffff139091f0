// The handle table shared by events and threads.
#include "sync_object.h"

#include <cstdint>
#include <unordered_map>

namespace rkplatform {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<SyncObject>> objects;
    uintptr_t next = 1;
};

HandleTable& table() {
    static HandleTable* t = new HandleTable;  // never destroyed: usable from static destructors
    return *t;
}

}  // namespace

std::mutex& sync_mutex() { return table().mutex; }

HANDLE add_handle(std::shared_ptr<SyncObject> object) {
    HandleTable& t = table();
    // A value is handed out again only after the counter has wrapped, and
    // never while it is live; 0 and INVALID_HANDLE_VALUE are never used.
    uintptr_t value = t.next;
    while (value == 0 || value == UINTPTR_MAX || t.objects.count(value)) ++value;
    t.objects.emplace(value, std::move(object));
    t.next = value + 1;
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<SyncObject> find_handle(HANDLE handle) {
    HandleTable& t = table();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<SyncObject> remove_handle(HANDLE handle) {
    HandleTable& t = table();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) return nullptr;
    std::shared_ptr<SyncObject> object = std::move(it->second);
    t.objects.erase(it);
    return object;
}

void signal_object(SyncObject& object) {
    object.signalled = true;
    // Each waiter has one thread on its condition variable. The notification
    // is made under the mutex: a woken waiter cannot leave (and destroy its
    // condition variable) before this loop is done.
    for (Waiter* w : object.waiters) w->wake.notify_one();
}

#ifdef RKCORR_TEST_HOOKS
std::atomic<unsigned> g_failEventIn{0};
std::atomic<unsigned> g_failThreadIn{0};

bool test_failure_due(std::atomic<unsigned>& countdown) {
    unsigned n = countdown.load();
    while (n != 0 && !countdown.compare_exchange_weak(n, n - 1)) {}
    return n == 1;
}
#endif

}  // namespace rkplatform

#ifdef RKCORR_TEST_HOOKS
#include "platform/test_hooks.h"

extern "C" void RkTestFailNthEvent(unsigned n) { rkplatform::g_failEventIn = n; }
extern "C" void RkTestFailNthThread(unsigned n) { rkplatform::g_failThreadIn = n; }
#endif

extern "C" BOOL CloseHandle(HANDLE handle) {
    using namespace rkplatform;
    std::shared_ptr<SyncObject> object;
    bool ended = false;
    {
        std::lock_guard<std::mutex> guard(sync_mutex());
        object = remove_handle(handle);
        if (!object) return FALSE;
        ended = object->signalled;
    }
    if (object->kind == SyncObject::Thread) {
        // A thread that has ended is past its last use of shared state, so
        // joining it takes no time; one that still runs is left to finish on
        // its own.
        if (ended)
            pthread_join(object->thread, nullptr);
        else
            pthread_detach(object->thread);
    }
    return TRUE;
}
