// Worker thread pool. Each worker owns a start event (the owner rings it to
// begin a batch or to stop) and a done event (the worker sets it when idle);
// the owner waits for all done events together.
//
// Events and threads that the platform cannot create raise nothing: the pool
// runs with the workers it could set up completely (none: the owner's thread
// runs the batch). The results of the waits are not examined; whatever they
// answer, the destructor lets the pool go only after every started worker
// has left: a worker clears the pool pointer of its argument pair as its very
// last access to the pool.
#include "rkcorr/threadpool.h"

#include <memory>
#include <new>
#include <thread>

CRkThreadPool::CRkThreadPool(int count)
    : m_pQueue(nullptr),
      m_nWorkers(0),
      m_phThreads(nullptr),
      m_phStartEvents(nullptr),
      m_phDoneEvents(nullptr),
      m_pArguments(nullptr) {
    InterlockedExchange(&m_lRunning, 0);
    // Only these allocations can fail, and they come before anything else
    // exists: a negative count throws bad_array_new_length.
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
    // A worker needs both its events and its thread. One that cannot have
    // them all is left out, so that no wait of the pool counts on a worker
    // that does not exist: the pool runs with the workers it could start.
    int events = 0;
    for (int i = 0; i < count; ++i) {
        HANDLE start = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        HANDLE done = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        if (start && done) {
            m_phStartEvents[events] = start;
            m_phDoneEvents[events] = done;
            ++events;
        } else {
            if (start) CloseHandle(start);
            if (done) CloseHandle(done);
        }
    }
    InitializeCriticalSection(&m_QueueLock);
    int workers = 0;
    for (int i = 0; i < events; ++i) {
        m_phStartEvents[workers] = m_phStartEvents[i];
        m_phDoneEvents[workers] = m_phDoneEvents[i];
        m_pArguments[workers] = WorkerArgument(workers, this);
        const uintptr_t thread =
            _beginthreadex(nullptr, 0, &CRkThreadPool::WorkerThread, &m_pArguments[workers], 0, nullptr);
        if (thread) {
            m_phThreads[workers++] = reinterpret_cast<HANDLE>(thread);
        } else {
            CloseHandle(m_phStartEvents[workers]);
            CloseHandle(m_phDoneEvents[workers]);
        }
    }
    for (int i = workers; i < count; ++i) m_phStartEvents[i] = m_phDoneEvents[i] = nullptr;
    m_nWorkers = workers;
}

CRkThreadPool::~CRkThreadPool() {
    if (m_nWorkers > 0) {
        // Every worker idle, then told to leave, then gone.
        WaitForMultipleObjects(static_cast<DWORD>(m_nWorkers), m_phDoneEvents, TRUE, INFINITE);
        RingingChimes(0);
        WaitForMultipleObjects(static_cast<DWORD>(m_nWorkers), m_phThreads, TRUE, INFINITE);
        // When a wait returned early, the workers that were started are
        // still on their way out (the running flag is 0 and every start
        // event is set); they are let finish before the pool goes.
        for (int i = 0; i < m_nWorkers; ++i) {
            while (__atomic_load_n(&m_pArguments[i].second, __ATOMIC_ACQUIRE) != nullptr)
                std::this_thread::yield();
        }
    }
    for (int i = 0; i < m_nWorkers; ++i)
        if (m_phThreads[i]) CloseHandle(m_phThreads[i]);
    DeleteCriticalSection(&m_QueueLock);
    for (int i = 0; i < m_nWorkers; ++i) {
        CloseHandle(m_phStartEvents[i]);
        CloseHandle(m_phDoneEvents[i]);
    }
    delete[] m_phThreads;
    delete[] m_phStartEvents;
    delete[] m_phDoneEvents;
    delete[] m_pArguments;
    // Commands stored but never executed still belong to the pool.
    for (CRkCommand* command : *m_pQueue) delete command;
    delete m_pQueue;
}

void CRkThreadPool::Store(CRkCommand* command) { m_pQueue->push_back(command); }

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
    WaitForMultipleObjects(static_cast<DWORD>(m_nWorkers), m_phDoneEvents, TRUE, INFINITE);
    RingingChimes(1);
    WaitForMultipleObjects(static_cast<DWORD>(m_nWorkers), m_phDoneEvents, TRUE, INFINITE);
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
    WorkerArgument& self = *static_cast<WorkerArgument*>(argument);
    CRkThreadPool& pool = *self.second;
    const int index = self.first;
    SetEvent(pool.m_phDoneEvents[index]);
    for (;;) {
        WaitForSingleObject(pool.m_phStartEvents[index], INFINITE);
        if (__atomic_load_n(&pool.m_lRunning, __ATOMIC_SEQ_CST) == 0) break;
        while (CRkCommand* command = pool.GetCommand()) {
            command->Run();
            delete command;
        }
        SetEvent(pool.m_phDoneEvents[index]);
    }
    // The last access to the pool: from here on it may be gone.
    __atomic_store_n(&self.second, static_cast<CRkThreadPool*>(nullptr), __ATOMIC_RELEASE);
    return 0;
}
