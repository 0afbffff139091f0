// CRkThreadPool when the platform refuses events or threads, and null
// commands: construction never throws for them, every stored command runs
// exactly once with the workers that could be started (or on the owner's
// thread when none could), destruction ends every thread, and a stored null
// pointer ends a worker's share of the batch.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "rkcorr/rkcorr.h"

namespace {

class Count : public CRkCommand {
public:
    Count(std::atomic<int>& runs, std::atomic<int>& deletes) : m_runs(runs), m_deletes(deletes) {}
    ~Count() override { ++m_deletes; }
    void Run() override { ++m_runs; }

private:
    std::atomic<int>& m_runs;
    std::atomic<int>& m_deletes;
};

// A pool of 3 built with the n-th event (or thread) refused, two batches.
void run_with_refusal(bool thread, unsigned n) {
    std::atomic<int> runs{0}, deletes{0};
    {
        if (thread)
            RkTestFailNthThread(n);
        else
            RkTestFailNthEvent(n);
        CRkThreadPool pool(3);
        RkTestFailNthThread(0);
        RkTestFailNthEvent(0);
        for (int batch = 1; batch <= 2; ++batch) {
            for (int i = 0; i < 25; ++i) pool.Store(new Count(runs, deletes));
            pool.Execute();
            ASSERT_EQ(runs, 25 * batch) << (thread ? "thread " : "event ") << n;
            ASSERT_EQ(deletes, 25 * batch);
        }
    }
    EXPECT_EQ(deletes, 50);
}

TEST(ThreadPoolFailures, RefusedEventsAndThreadsLeaveTheWorkersOut) {
    for (unsigned n = 1; n <= 6; ++n) run_with_refusal(false, n);
    for (unsigned n = 1; n <= 3; ++n) run_with_refusal(true, n);
}

// Records the thread it ran on.
class WhereRan : public CRkCommand {
public:
    explicit WhereRan(std::thread::id& where) : m_where(where) {}
    void Run() override { m_where = std::this_thread::get_id(); }

private:
    std::thread::id& m_where;
};

TEST(ThreadPoolFailures, ALoneWorkerRefusedLeavesTheBatchToTheOwner) {
    std::thread::id where;
    RkTestFailNthThread(1);
    CRkThreadPool pool(1);
    RkTestFailNthThread(0);
    pool.Store(new WhereRan(where));
    pool.Execute();
    EXPECT_EQ(where, std::this_thread::get_id());
    CRkThreadPool whole(1);
    whole.Store(new WhereRan(where));
    whole.Execute();
    EXPECT_NE(where, std::this_thread::get_id());
}

TEST(ThreadPoolFailures, EveryEventRefusedRunsOnTheOwnersThread) {
    std::atomic<int> runs{0}, deletes{0};
    for (unsigned n = 1; n <= 4; ++n) {
        RkTestFailNthEvent(1);
        CRkThreadPool pool(1);  // one worker: losing either event loses it
        RkTestFailNthEvent(0);
        pool.Store(new Count(runs, deletes));
        pool.Execute();
    }
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(deletes, 4);
}

TEST(ThreadPoolFailures, AStoredNullEndsTheWorkersShareOfTheBatch) {
    for (int workers : {0, 1}) {
        std::atomic<int> runs{0}, deletes{0};
        {
            CRkThreadPool pool(workers);
            pool.Store(new Count(runs, deletes));
            pool.Store(nullptr);
            pool.Store(new Count(runs, deletes));
            pool.Execute();
            // One taker: it met the null and stopped; the last command waits.
            EXPECT_EQ(runs, 1) << workers;
            pool.Execute();
            EXPECT_EQ(runs, 2) << workers;
            pool.Store(nullptr);
            pool.Store(new Count(runs, deletes));
        }
        // Destroyed with a null and a command still queued: the command is
        // deleted without running.
        EXPECT_EQ(runs, 2);
        EXPECT_EQ(deletes, 3);
    }
}

}  // namespace
