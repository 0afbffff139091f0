// Thread start. A thread's handle becomes signalled when its routine returns
// (or the thread is cancelled); CloseHandle joins or detaches it.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <limits.h>
#include <new>

#include "sync_object.h"

namespace {

using rkplatform::SyncObject;

struct StartBlock {
    std::shared_ptr<SyncObject> self;
    _beginthreadex_proc_type routine;
    void* argument;
};

// Signals the thread's object however the routine is left, unwinding by
// pthread_exit or cancellation included.
struct EndSignal {
    SyncObject& object;
    ~EndSignal() {
        std::lock_guard<std::mutex> guard(rkplatform::sync_mutex());
        rkplatform::signal_object(object);
    }
};

extern "C" void* thread_main(void* raw) {
    std::unique_ptr<StartBlock> start(static_cast<StartBlock*>(raw));
    EndSignal end{*start->self};
    start->routine(start->argument);
    return nullptr;
}

std::atomic<unsigned> g_lastThreadId{0};

// Stack size for pthread: at least the minimum, rounded up to whole pages.
size_t stack_bytes(unsigned requested) {
    size_t bytes = requested < PTHREAD_STACK_MIN ? PTHREAD_STACK_MIN : requested;
    const long page = sysconf(_SC_PAGESIZE);
    const size_t p = page > 0 ? static_cast<size_t>(page) : 4096;
    return (bytes + p - 1) / p * p;
}

}  // namespace

extern "C" uintptr_t _beginthreadex(void* /*security*/, unsigned stackSize, _beginthreadex_proc_type start,
                                    void* argument, unsigned initFlags, unsigned* threadId) {
    if (start == nullptr || (initFlags & CREATE_SUSPENDED)) {
        errno = EINVAL;
        return 0;
    }
    // The handle exists before the thread does: a thread that runs always has
    // one, and a 0 result always means that no thread was started.
    std::shared_ptr<SyncObject> object;
    StartBlock* block = nullptr;
    HANDLE handle = nullptr;
    try {
        object = std::make_shared<SyncObject>(SyncObject::Thread, true, false);
        block = new StartBlock{object, start, argument};
        std::lock_guard<std::mutex> guard(rkplatform::sync_mutex());
        handle = rkplatform::add_handle(object);
    } catch (...) {
        delete block;
        errno = ENOMEM;
        return 0;
    }
#ifdef RKCORR_TEST_HOOKS
    const bool refused = rkplatform::test_failure_due(rkplatform::g_failThreadIn);
#else
    const bool refused = false;
#endif
    pthread_attr_t attributes;
    int rc = refused ? EAGAIN : pthread_attr_init(&attributes);
    if (rc == 0) {
        if (stackSize != 0) rc = pthread_attr_setstacksize(&attributes, stack_bytes(stackSize));
        pthread_t thread;
        // The creator holds the table's mutex until the thread is recorded,
        // so a CloseHandle never sees the object without it.
        std::lock_guard<std::mutex> guard(rkplatform::sync_mutex());
        if (rc == 0) rc = pthread_create(&thread, &attributes, thread_main, block);
        if (rc == 0) object->thread = thread;
        pthread_attr_destroy(&attributes);
    }
    if (rc != 0) {
        {
            std::lock_guard<std::mutex> guard(rkplatform::sync_mutex());
            rkplatform::remove_handle(handle);
        }
        delete block;
        errno = rc;
        return 0;
    }
    if (threadId) {
        unsigned id = ++g_lastThreadId;
        if (id == 0) id = ++g_lastThreadId;
        *threadId = id;
    }
    return reinterpret_cast<uintptr_t>(handle);
}
