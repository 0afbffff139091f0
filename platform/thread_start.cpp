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

extern "C" uintptr_t _beginthreadex(void* /*security*/, unsigned stackSize,
                                    _beginthreadex_proc_type start, void* argument,
                                    unsigned initFlags, unsigned* threadId) {
    if (start == nullptr || (initFlags & CREATE_SUSPENDED)) {
        errno = EINVAL;
        return 0;
    }
    std::shared_ptr<SyncObject> object;
    StartBlock* block = nullptr;
    try {
        object = std::make_shared<SyncObject>(SyncObject::Thread, true, false);
        block = new StartBlock{object, start, argument};
    } catch (...) {
        errno = ENOMEM;
        return 0;
    }
    pthread_attr_t attributes;
    int rc = pthread_attr_init(&attributes);
    if (rc == 0 && stackSize != 0) rc = pthread_attr_setstacksize(&attributes, stack_bytes(stackSize));
    pthread_t thread;
    if (rc == 0) rc = pthread_create(&thread, &attributes, thread_main, block);
    pthread_attr_destroy(&attributes);
    if (rc != 0) {
        delete block;
        errno = rc;
        return 0;
    }
    // From here the thread runs and owns the start block.
    HANDLE handle = nullptr;
    {
        std::lock_guard<std::mutex> guard(rkplatform::sync_mutex());
        object->thread = thread;
        try {
            handle = rkplatform::add_handle(object);
        } catch (...) {
            handle = nullptr;
        }
    }
    if (!handle) {
        // No handle can be given for a thread that already runs: let it
        // finish on its own and report the failure.
        pthread_detach(thread);
        errno = ENOMEM;
        return 0;
    }
    if (threadId) {
        unsigned id = ++g_lastThreadId;
        if (id == 0) id = ++g_lastThreadId;
        *threadId = id;
    }
    return reinterpret_cast<uintptr_t>(handle);
}
