// CRkThreadPool: random batches run every command exactly once and delete it
// by the time Execute returns; one worker keeps stored order; workers run in
// parallel off the owner's thread; destruction deletes what is left unrun; a
// stored null ends a taker's share; refused events and threads leave workers
// out (the owner runs the batch when none is left); a throwing command.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"

namespace {

// A command that calls `run` and counts its own deletion.
class Fn : public CRkCommand {
public:
    Fn(std::atomic<int>& deletes, std::function<void()> run) : m_deletes(deletes), m_run(std::move(run)) {}
    ~Fn() override { ++m_deletes; }
    void Run() override { m_run(); }

private:
    std::atomic<int>& m_deletes;
    std::function<void()> m_run;
};

TEST(ThreadPool, RandomBatchesRunEveryCommandExactlyOnce) {
    EXPECT_THROW(CRkThreadPool(-1), std::bad_array_new_length);
    std::mt19937 random(7);
    for (int workers : {0, 1, 3, 4}) {
        const size_t total = 8000;
        std::vector<std::atomic<int>> runs(total);
        std::atomic<int> deletes{0}, ran{0};
        {
            CRkThreadPool pool(workers);
            for (size_t batch = 0, next = 0; next < total; ++batch) {
                // Runs of tiny batches, and every fourth batch of commands of random short durations.
                const size_t n =
                    std::min<size_t>(total - next, batch % 500 < 400 ? random() % 4 : random() % 300);
                for (size_t i = 0; i < n; ++i, ++next) {
                    const unsigned sleep = batch % 4 == 3 ? random() % 400 : 0;
                    pool.Store(new Fn(deletes, [&runs, &ran, next, sleep] {
                        std::this_thread::sleep_for(std::chrono::microseconds(sleep));
                        ++runs[next], ++ran;
                    }));
                }
                pool.Execute();
                ASSERT_EQ(ran, int(next));
                ASSERT_EQ(deletes, int(next));
            }
        }
        for (size_t i = 0; i < total; ++i) ASSERT_EQ(runs[i], 1) << i;
    }
}

TEST(ThreadPool, OneWorkerKeepsStoredOrderAndOthersRunInParallel) {
    std::atomic<int> deletes{0};
    for (int workers : {1, 0}) {
        std::vector<int> log;  // touched only by the single taker during Execute
        CRkThreadPool pool(workers);
        for (int batch = 0; batch < 3; ++batch) {
            for (int i = 0; i < 500; ++i)
                pool.Store(new Fn(deletes, [&log, i, batch] { log.push_back(batch * 500 + i); }));
            pool.Execute();
        }
        ASSERT_EQ(log.size(), 1500u);
        for (int i = 0; i < 1500; ++i) ASSERT_EQ(log[i], i);
    }
    // Each command waits until all three have started off the owner's
    // thread, which only three workers running at once can do.
    CRkThreadPool pool(3);
    std::atomic<int> arrived{0}, met{0};
    const std::thread::id owner = std::this_thread::get_id();
    for (int i = 0; i < 3; ++i)
        pool.Store(new Fn(deletes, [&] {
            if (std::this_thread::get_id() == owner) return;
            ++arrived;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (arrived < 3 && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
            met += arrived >= 3;
        }));
    pool.Execute();
    EXPECT_EQ(met, 3);
}

TEST(ThreadPool, DestructionDeletesTheUnrunAndANullEndsATakersShare) {
    for (int round = 0; round < 50; ++round) CRkThreadPool pool(round % 9);
    std::atomic<int> runs{0}, deletes{0};
    {
        CRkThreadPool pool(2);
        for (int i = 0; i < 10; ++i) pool.Store(new Fn(deletes, [&] { ++runs; }));
    }
    EXPECT_EQ(runs + 100 * deletes, 1000);
    for (int workers : {0, 1}) {
        runs = deletes = 0;
        {
            CRkThreadPool pool(workers);
            pool.Store(new Fn(deletes, [&] { ++runs; }));
            pool.Store(nullptr);
            pool.Store(new Fn(deletes, [&] { ++runs; }));
            pool.Execute();
            EXPECT_EQ(runs, 1) << workers;  // one taker: it met the null and stopped
            pool.Execute();
            EXPECT_EQ(runs, 2) << workers;
            pool.Store(nullptr);
            pool.Store(new Fn(deletes, [&] { ++runs; }));
        }
        EXPECT_EQ(runs + 100 * deletes, 302) << workers;  // the last command deleted unrun
    }
}

TEST(ThreadPool, WithoutWorkersAThrowingCommandIsDeletedAndTheRestStays) {
    std::atomic<int> runs{0}, deletes{0};
    CRkThreadPool pool(0);
    pool.Store(new Fn(deletes, [&] { ++runs; }));
    pool.Store(new Fn(deletes, [] { throw std::runtime_error("command failed"); }));
    pool.Store(new Fn(deletes, [&] { runs += 10; }));
    EXPECT_THROW(pool.Execute(), std::runtime_error);
    EXPECT_EQ(runs + 100 * deletes, 201);
    pool.Execute();
    EXPECT_EQ(runs + 100 * deletes, 311);
}

// Pools of 3 built with the n-th event or thread refused: construction does
// not throw, every command of two batches runs once, every handle is closed
// (no allocation left); a lone worker refused
// (its thread or either event) leaves the batch to the owner's thread.
TEST(ThreadPool, RefusedEventsAndThreadsLeaveTheWorkersOut) {
    auto refuse = [](bool thread, unsigned n) {
        RkTestFailNthThread(thread ? n : 0);
        RkTestFailNthEvent(thread ? 0 : n);
    };
    { CRkThreadPool warm(3); }  // the platform's handle table at its size
    for (int thread = 0; thread < 2; ++thread)
        for (unsigned n = 1; n <= (thread ? 3u : 6u); ++n) {
            std::atomic<int> runs{0}, deletes{0};
            const long live = rktest::g_live;
            {
                refuse(thread, n);
                CRkThreadPool pool(3);
                refuse(false, 0);
                for (int batch = 1; batch <= 2; ++batch) {
                    for (int i = 0; i < 25; ++i) pool.Store(new Fn(deletes, [&] { ++runs; }));
                    pool.Execute();
                    ASSERT_EQ(runs + 100 * deletes, 2525 * batch) << thread << " " << n;
                }
            }
            EXPECT_EQ(deletes, 50);
            EXPECT_EQ(rktest::g_live.load(), live) << "a handle left open: " << thread << " " << n;
        }
    std::atomic<int> deletes{0};
    for (unsigned n = 0; n <= 3; ++n) {
        std::thread::id where;
        refuse(n == 3, n == 3 ? 1 : n);
        CRkThreadPool pool(1);
        refuse(false, 0);
        pool.Store(new Fn(deletes, [&] { where = std::this_thread::get_id(); }));
        pool.Execute();
        EXPECT_EQ(where == std::this_thread::get_id(), n != 0) << n;
    }
}

}  // namespace
