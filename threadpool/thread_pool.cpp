// Worker thread pool. Each worker owns a start event (the owner rings it to
// begin a batch or to stop) and a done event (the worker sets it when idle);
// the owner waits for all done events together.
#include "rkcorr/threadpool.h"

#include <cerrno>
#include <chrono>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

namespace {

// Makes an automatic-reset, unsignalled, unnamed event, or throws.
HANDLE create_event() {
    HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    if (!event) throw std::bad_alloc();
    return event;
}

// Waits, without time-out, for all of the pool's own handles. Those handles
// are always live, so a failed wait can only come from a passing shortage of
// memory: it is tried again rather than taken for a finished wait.
void wait_for_all(int count, const HANDLE* handles) {
    while (WaitForMultipleObjects(static_cast<DWORD>(count), handles, TRUE, INFINITE) == WAIT_FAILED)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

CRkThreadPool::CRkThreadPool(int count)
    : m_pQueue(nullptr),
      m_nWorkers(0),
      m_phThreads(nullptr),
      m_phStartEvents(nullptr),
      m_phDoneEvents(nullptr),
      m_pArguments(nullptr) {
    InterlockedExchange(&m_lRunning, 0);
    // The arrays come first: a negative count throws bad_array_new_length
    // before anything else exists.
    std::unique_ptr<std::list<CRkCommand*>> queue(new std::list<CRkCommand*>);
    std::unique_ptr<HANDLE[]> threads(new HANDLE[count]());
    std::unique_ptr<HANDLE[]> starts(new HANDLE[count]());
    std::unique_ptr<HANDLE[]> dones(new HANDLE[count]());
    std::unique_ptr<WorkerArgument[]> arguments(new WorkerArgument[count]);
    m_pQueue = queue.release();
    m_phThreads = threads.release();
    m_phStartEvents = starts.release();
    m_phDoneEvents = dones.release();
    m_pArguments = arguments.release();
    m_nWorkers = count;
    InitializeCriticalSection(&m_QueueLock);
    int started = 0;
    try {
        for (int i = 0; i < count; ++i) {
            m_phStartEvents[i] = create_event();
            m_phDoneEvents[i] = create_event();
        }
        for (; started < count; ++started) {
            m_pArguments[started] = WorkerArgument(started, this);
            uintptr_t thread = _beginthreadex(nullptr, 0, &CRkThreadPool::WorkerThread,
                                              &m_pArguments[started], 0, nullptr);
            if (!thread) throw std::system_error(errno, std::generic_category(), "worker thread");
            m_phThreads[started] = reinterpret_cast<HANDLE>(thread);
        }
    } catch (...) {
        Shutdown(started);
        throw;
    }
}

CRkThreadPool::~CRkThreadPool() { Shutdown(m_nWorkers); }

void CRkThreadPool::Shutdown(int started) {
    if (started > 0) {
        // Every worker idle, then told to leave, then gone.
        wait_for_all(started, m_phDoneEvents);
        RingingChimes(0);
        wait_for_all(started, m_phThreads);
    }
    for (int i = 0; i < m_nWorkers; ++i)
        if (m_phThreads[i]) CloseHandle(m_phThreads[i]);
    DeleteCriticalSection(&m_QueueLock);
    for (int i = 0; i < m_nWorkers; ++i) {
        if (m_phStartEvents[i]) CloseHandle(m_phStartEvents[i]);
        if (m_phDoneEvents[i]) CloseHandle(m_phDoneEvents[i]);
    }
    delete[] m_phThreads;
    delete[] m_phStartEvents;
    delete[] m_phDoneEvents;
    delete[] m_pArguments;
    // Commands stored but never executed still belong to the pool.
    for (CRkCommand* command : *m_pQueue) delete command;
    delete m_pQueue;
}

void CRkThreadPool::Store(CRkCommand* command) {
    if (command) m_pQueue->push_back(command);
}

void CRkThreadPool::Execute() {
    if (m_nWorkers == 0) {
        // No workers: the batch runs here, in stored order.
        // A command that throws is still deleted; the exception reaches the
        // caller and the rest of the batch stays queued.
        while (CRkCommand* command = GetCommand()) {
            std::unique_ptr<CRkCommand> owned(command);
            owned->Run();
        }
        return;
    }
    wait_for_all(m_nWorkers, m_phDoneEvents);
    RingingChimes(1);
    wait_for_all(m_nWorkers, m_phDoneEvents);
    for (int i = 0; i < m_nWorkers; ++i) SetEvent(m_phDoneEvents[i]);
}

CRkCommand* CRkThreadPool::GetCommand() {
    CRkCommand* command = nullptr;
    EnterCriticalSection(&m_QueueLock);
    if (!m_pQueue->empty()) {
        command = m_pQueue->front();
        m_pQueue->pop_front();
    }
    LeaveCriticalSection(&m_QueueLock);
    return command;
}

void CRkThreadPool::RingingChimes(int value) {
    InterlockedExchange(&m_lRunning, value);
    for (int i = 0; i < m_nWorkers; ++i) SetEvent(m_phStartEvents[i]);
}

unsigned CRkThreadPool::WorkerThread(void* argument) {
    const WorkerArgument& self = *static_cast<WorkerArgument*>(argument);
    CRkThreadPool& pool = *self.second;
    const int index = self.first;
    SetEvent(pool.m_phDoneEvents[index]);
    for (;;) {
        while (WaitForSingleObject(pool.m_phStartEvents[index], INFINITE) == WAIT_FAILED)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (__atomic_load_n(&pool.m_lRunning, __ATOMIC_SEQ_CST) == 0) return 0;
        while (CRkCommand* command = pool.GetCommand()) {
            command->Run();
            delete command;
        }
        SetEvent(pool.m_phDoneEvents[index]);
    }
}
