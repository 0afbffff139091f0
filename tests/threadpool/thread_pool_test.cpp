// CRkThreadPool: random batches run every command exactly once and delete it by the time Execute returns;
// nulls, throws, destruction and parallel runs; refused events and threads leave workers out.
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
struct Fn : CRkCommand {
    Fn(std::atomic<int>& deletes, std::function<void()> run) : deletes(deletes), run(std::move(run)) {}
    ~Fn() override { ++deletes; }
    void Run() override { run(); }
    std::atomic<int>& deletes;
    std::function<void()> run;
};

// A single taker (the owner's thread or one worker) runs the batch in stored order.
TEST(ThreadPool, RandomBatchesRunEveryCommandExactlyOnce) {
    EXPECT_THROW(CRkThreadPool(-1), std::bad_array_new_length);
    std::mt19937 random(7);
    for (int workers : {0, 1, 3, 4}) {
        const size_t total = 8000;
        std::vector<std::atomic<int>> runs(total);
        std::vector<size_t> order;  // touched by a single taker only
        std::atomic<int> deletes{0}, ran{0};
        {
            CRkThreadPool pool(workers);
            for (size_t batch = 0, next = 0; next < total; ++batch) {
                // Runs of tiny batches, and every fourth batch of commands of random short durations.
                const size_t n =
                    std::min<size_t>(total - next, batch % 500 < 400 ? random() % 4 : random() % 300);
                for (size_t i = 0; i < n; ++i, ++next) {
                    const unsigned sleep = batch % 4 == 3 ? random() % 400 : 0;
                    pool.Store(new Fn(deletes, [&, next, sleep] {
                        std::this_thread::sleep_for(std::chrono::microseconds(sleep));
                        ++runs[next], ++ran;
                        if (workers <= 1) order.push_back(next);
                    }));
                }
                pool.Execute();
                ASSERT_EQ(ran + 100000 * deletes, int(next) * 100001);
            }
        }
        for (size_t i = 0; i < total; ++i) ASSERT_EQ(runs[i], 1) << i;
        for (size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], i);
        EXPECT_EQ(order.size(), workers <= 1 ? total : 0);
    }
}

// A stored null ends a taker's share; destruction deletes what is left unrun; without workers a throwing
// command is deleted and the rest stays; three workers run at once.
TEST(ThreadPool, NullsThrowsDestructionAndParallelRuns) {
    for (int round = 0; round < 50; ++round) CRkThreadPool pool(round % 9);
    std::atomic<int> runs{0}, deletes{0};
    auto add = [&](CRkThreadPool& pool, int k) { pool.Store(new Fn(deletes, [&runs, k] { runs += k; })); };
    auto count = [&] { return runs + 100 * deletes; };
    for (int workers : {0, 1}) {
        runs = deletes = 0;
        {
            CRkThreadPool pool(workers);
            add(pool, 1), pool.Store(nullptr), add(pool, 1), pool.Execute();
            EXPECT_EQ(runs, 1) << workers;  // one taker: it met the null and stopped
            pool.Execute();
            EXPECT_EQ(runs, 2) << workers;
            pool.Store(nullptr), add(pool, 1);
        }
        EXPECT_EQ(count(), 302) << workers;  // the last command deleted unrun
    }
    runs = deletes = 0;
    CRkThreadPool alone(0);
    add(alone, 1), alone.Store(new Fn(deletes, [] { throw std::runtime_error("command failed"); })),
        add(alone, 10);
    EXPECT_THROW(alone.Execute(), std::runtime_error);
    EXPECT_EQ(count(), 201);
    alone.Execute();
    EXPECT_EQ(count(), 311);
    // Each command waits until all three have started, which only three takers at once can do.
    CRkThreadPool pool(3);
    std::atomic<int> arrived{0}, met{0};
    for (int i = 0; i < 3; ++i)
        pool.Store(new Fn(deletes, [&] {
            ++arrived;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (arrived < 3 && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
            met += arrived >= 3;
        }));
    pool.Execute();
    EXPECT_EQ(met, 3);
}

// Pools of 1 and 3 with the n-th event or thread refused (or none) run every command of two batches once and
// close every handle; a lone worker refused (its thread or either event) leaves the batch to the owner.
TEST(ThreadPool, RefusedEventsAndThreadsLeaveTheWorkersOut) {
    auto refuse = [](bool thread, unsigned n) {
        RkTestFailNthThread(thread ? n : 0);
        RkTestFailNthEvent(thread ? 0 : n);
    };
    { CRkThreadPool warm(3); }  // the platform's handle table at its size
    for (int workers : {1, 3})
        for (int thread = 0; thread < 2; ++thread)
            for (unsigned n = 0; n <= unsigned(thread ? workers : 2 * workers); ++n) {
                std::atomic<int> runs{0}, deletes{0};
                std::thread::id where;  // of the lone taker
                const long live = rktest::g_live;
                {
                    refuse(thread, n);
                    CRkThreadPool pool(workers);
                    refuse(false, 0);
                    for (int batch = 1; batch <= 2; ++batch) {
                        for (int i = 0; i < 25; ++i)
                            pool.Store(new Fn(deletes, [&, workers] {
                                ++runs;
                                if (workers == 1) where = std::this_thread::get_id();
                            }));
                        pool.Execute();
                        ASSERT_EQ(runs + 100 * deletes, 2525 * batch) << workers << thread << n;
                    }
                }
                EXPECT_TRUE(workers == 3 || (where == std::this_thread::get_id()) == (n != 0)) << thread << n;
                EXPECT_EQ(rktest::g_live.load(), live) << "a handle left open: " << workers << thread << n;
            }
}

}  // namespace
