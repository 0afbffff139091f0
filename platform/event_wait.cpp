// Events and the wait calls.
#include <algorithm>
#include <chrono>

#include "sync_object.h"

namespace {

using rkplatform::SyncObject;
using rkplatform::Waiter;

HANDLE create_event(bool manualReset, bool initialState, bool named) {
    if (named) return nullptr;
#ifdef RKCORR_TEST_HOOKS
    if (rkplatform::test_failure_due(rkplatform::g_failEventIn)) return nullptr;
#endif
    try {
        auto event = std::make_shared<SyncObject>(SyncObject::Event, manualReset, initialState);
        std::lock_guard<std::mutex> guard(rkplatform::sync_mutex());
        return rkplatform::add_handle(std::move(event));
    } catch (...) {
        return nullptr;
    }
}

// Tests the objects and, when the wait is satisfied, takes the
// automatic-reset events it is satisfied by. Needs the mutex.
bool try_take(const std::vector<std::shared_ptr<SyncObject>>& objects, bool all, DWORD& result) {
    if (all) {
        for (const auto& o : objects)
            if (!o->signalled) return false;
        for (const auto& o : objects)
            if (!o->manualReset) o->signalled = false;
        result = WAIT_OBJECT_0;
        return true;
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->signalled) {
            if (!objects[i]->manualReset) objects[i]->signalled = false;
            result = WAIT_OBJECT_0 + static_cast<DWORD>(i);
            return true;
        }
    }
    return false;
}

// Takes the waiter out of every object's list on every way out of a wait.
struct Registration {
    const std::vector<std::shared_ptr<SyncObject>>& objects;
    Waiter& waiter;
    ~Registration() {
        for (const auto& o : objects) {
            auto& list = o->waiters;
            list.erase(std::remove(list.begin(), list.end(), &waiter), list.end());
        }
    }
};

DWORD wait_objects(DWORD count, const HANDLE* handles, bool all, DWORD milliseconds) {
    if (count == 0 || handles == nullptr) return WAIT_FAILED;
    try {
        std::vector<std::shared_ptr<SyncObject>> objects;
        objects.reserve(count);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        std::unique_lock<std::mutex> lock(rkplatform::sync_mutex());
        for (DWORD i = 0; i < count; ++i) {
            objects.push_back(rkplatform::find_handle(handles[i]));
            if (!objects.back()) return WAIT_FAILED;
        }
        DWORD result = WAIT_TIMEOUT;
        if (try_take(objects, all, result) || milliseconds == 0) return result;
        Waiter waiter;
        Registration registration{objects, waiter};
        for (const auto& o : objects) o->waiters.push_back(&waiter);
        for (;;) {
            if (milliseconds == INFINITE) {
                waiter.wake.wait(lock);
            } else if (waiter.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
                try_take(objects, all, result);
                return result;
            }
            if (try_take(objects, all, result)) return result;
        }
    } catch (...) {
        return WAIT_FAILED;
    }
}

// Sets or clears an event; FALSE when the handle is not a live event.
BOOL change_event(HANDLE handle, bool set) {
    std::lock_guard<std::mutex> guard(rkplatform::sync_mutex());
    std::shared_ptr<SyncObject> object = rkplatform::find_handle(handle);
    if (!object || object->kind != SyncObject::Event) return FALSE;
    if (set)
        rkplatform::signal_object(*object);
    else
        object->signalled = false;
    return TRUE;
}

}  // namespace

extern "C" {

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
    return create_event(manualReset != FALSE, initialState != FALSE, name && name[0]);
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    return create_event(manualReset != FALSE, initialState != FALSE, name && name[0]);
}

BOOL SetEvent(HANDLE event) { return change_event(event, true); }

BOOL ResetEvent(HANDLE event) { return change_event(event, false); }

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    return wait_objects(1, &object, true, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll, DWORD milliseconds) {
    return wait_objects(count, objects, waitAll != FALSE, milliseconds);
}

}  // extern "C"
