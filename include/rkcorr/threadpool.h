// A fixed set of worker threads that runs batches of caller-supplied commands.
//
//     CRkThreadPool pool(4);
//     for (...) pool.Store(new MyCommand(...));   // the pool owns each command
//     pool.Execute();                             // runs them all, then returns
//
// Threading rules: the thread that constructed the pool calls Store, Execute
// and the destructor; Store only while no Execute is running. The workers run
// the commands of a batch in parallel, each exactly once, taking them in the
// order they were stored; each command is deleted by the worker that ran it,
// right after its Run. Everything a command did is visible to the owner's
// thread when Execute returns. A command must not call Store or Execute on the
// pool that runs it. An exception that leaves Run is not caught: it ends the
// process.
#ifndef RKCORR_THREADPOOL_H
#define RKCORR_THREADPOOL_H

#include <stdint.h>

#include <list>
#include <utility>

#include "rkcorr/export.h"
#include "rkcorr/platform_thread.h"

// Base of the caller's commands. The pool calls Run once, then deletes the
// command through this class.
class RKCORR_API CRkCommand {
public:
    virtual ~CRkCommand();
    virtual void Run() = 0;
};

class RKCORR_API CRkThreadPool {
public:
    // Starts `count` worker threads. A negative count throws
    // std::bad_array_new_length and memory for the pool's arrays that cannot
    // be had std::bad_alloc, before any thread starts. Events and threads
    // that the platform cannot create are not reported (the pool then runs
    // with the workers it has), and the pool still stops cleanly. A pool of 0 workers
    // runs its batches on the owner's thread, in stored order.
    explicit CRkThreadPool(int count);
    // Stops and joins the workers. Commands stored but never executed are
    // deleted without being run.
    virtual ~CRkThreadPool();

    // Appends a command to the queue; the pool owns it from now on. A null
    // pointer is appended too: the worker that takes it finds the queue empty
    // for the rest of the batch, and the commands after it wait for the next
    // Execute. Takes no lock (see the threading rules above). If the queue
    // cannot grow, std::bad_alloc is thrown and the command stays the caller's.
    virtual void Store(CRkCommand* command);
    // Runs every stored command and returns when all are done, leaving the
    // workers parked for the next batch.
    virtual void Execute();

    CRkThreadPool(const CRkThreadPool&) = delete;
    CRkThreadPool& operator=(const CRkThreadPool&) = delete;

protected:
    // Takes the first command off the queue under the queue lock; null when
    // the queue is empty.
    CRkCommand* GetCommand();
    // Sets the running flag to `value`, then every worker's start event.
    void RingingChimes(int value);
    // The workers' thread routine; `argument` is the worker's argument pair.
    static unsigned WorkerThread(void* argument);

private:
    typedef std::pair<int32_t, CRkThreadPool*> WorkerArgument;

    std::list<CRkCommand*>* m_pQueue;
    CRITICAL_SECTION m_QueueLock;
    int32_t m_nWorkers;
    HANDLE* m_phThreads;
    HANDLE* m_phStartEvents;
    HANDLE* m_phDoneEvents;
    WorkerArgument* m_pArguments;
    volatile LONG m_lRunning;
};

#endif
