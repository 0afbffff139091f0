// CRkThreadPool: random batches (empty, tiny, large, null commands) run each
// command exactly once, done and deleted when Execute returns; one worker
// runs in stored order; workers run in parallel off the owner's thread;
// destruction deletes what is left unrun; a throwing command without workers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "rkcorr/rkcorr.h"

namespace {

// Counts the runs and deletions of every command.
struct Tally {
    explicit Tally(size_t n) : runs(n), deletes(n) {}
    std::vector<std::atomic<int>> runs, deletes;
    std::atomic<int> totalRuns{0}, totalDeletes{0};
};

class CountingCommand : public CRkCommand {
public:
    CountingCommand(Tally& tally, size_t id, unsigned sleepMicroseconds = 0)
        : m_tally(tally), m_id(id), m_sleep(sleepMicroseconds) {}
    ~CountingCommand() override { ++m_tally.deletes[m_id], ++m_tally.totalDeletes; }
    void Run() override {
        if (m_sleep) std::this_thread::sleep_for(std::chrono::microseconds(m_sleep));
        ++m_tally.runs[m_id], ++m_tally.totalRuns;
    }

private:
    Tally& m_tally;
    size_t m_id;
    unsigned m_sleep;
};

TEST(ThreadPool, RandomBatchesRunEveryCommandExactlyOnce) {
    EXPECT_THROW(CRkThreadPool(-1), std::bad_array_new_length);
    std::mt19937 random(7);
    for (int workers : {0, 1, 3, 4}) {
        const size_t total = 8000;
        Tally tally(total);
        {
            CRkThreadPool pool(workers);
            for (size_t batch = 0, next = 0; next < total; ++batch) {
                // Runs of tiny batches, and every fourth batch of commands of random short durations.
                const size_t n =
                    std::min<size_t>(total - next, batch % 500 < 400 ? random() % 4 : random() % 300);
                for (size_t i = 0; i < n; ++i) {
                    pool.Store(new CountingCommand(tally, next++, batch % 4 == 3 ? random() % 400 : 0));
                }
                pool.Execute();
                ASSERT_EQ(tally.totalRuns, int(next));
                ASSERT_EQ(tally.totalDeletes, int(next));
            }
        }
        for (size_t i = 0; i < total; ++i) ASSERT_TRUE(tally.runs[i] == 1 && tally.deletes[i] == 1) << i;
    }
}

TEST(ThreadPool, OneWorkerRunsCommandsInStoredOrder) {
    struct Recording : CRkCommand {
        Recording(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
        void Run() override { m_log.push_back(m_id); }
        std::vector<int>& m_log;
        int m_id;
    };
    for (int workers : {1, 0}) {
        std::vector<int> log;  // touched only by the single worker during Execute
        CRkThreadPool pool(workers);
        for (int batch = 0; batch < 3; ++batch) {
            for (int i = 0; i < 500; ++i) pool.Store(new Recording(log, batch * 500 + i));
            pool.Execute();
        }
        ASSERT_EQ(log.size(), 1500u);
        for (int i = 0; i < 1500; ++i) ASSERT_EQ(log[i], i);
    }
}

TEST(ThreadPool, WorkersRunTheBatchInParallelOffTheOwnersThread) {
    // Each command waits until all have started, which can only happen if
    // that many workers run at the same time.
    struct Rendezvous : CRkCommand {
        Rendezvous(std::atomic<int>& arrived, std::atomic<int>& met) : m_arrived(arrived), m_met(met) {}
        void Run() override {
            if (std::this_thread::get_id() == owner) return;
            ++m_arrived;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (m_arrived < 3)
                if (std::chrono::steady_clock::now() > limit)
                    return;
                else
                    std::this_thread::yield();
            ++m_met;
        }
        std::atomic<int>& m_arrived;
        std::atomic<int>& m_met;
        const std::thread::id owner = std::this_thread::get_id();
    };
    CRkThreadPool pool(3);
    std::atomic<int> arrived{0}, met{0};
    for (int i = 0; i < 3; ++i) pool.Store(new Rendezvous(arrived, met));
    pool.Execute();
    EXPECT_EQ(met, 3);
}

TEST(ThreadPool, DestructionEndsAllThreadsAndDeletesWhatIsLeft) {
    for (int round = 0; round < 50; ++round) CRkThreadPool pool(round % 9);
    Tally tally(10);
    {
        CRkThreadPool pool(2);
        for (size_t i = 0; i < 10; ++i) pool.Store(new CountingCommand(tally, i));
    }
    EXPECT_EQ(tally.totalRuns, 0);
    EXPECT_EQ(tally.totalDeletes, 10);
}

TEST(ThreadPool, WithoutWorkersAThrowingCommandIsDeletedAndTheRestStays) {
    struct Throwing : CountingCommand {
        using CountingCommand::CountingCommand;
        void Run() override { throw std::runtime_error("command failed"); }
    };
    Tally tally(3);
    CRkThreadPool pool(0);
    pool.Store(new CountingCommand(tally, 0));
    pool.Store(new Throwing(tally, 1));
    pool.Store(new CountingCommand(tally, 2));
    EXPECT_THROW(pool.Execute(), std::runtime_error);
    EXPECT_EQ(tally.totalRuns, 1);
    EXPECT_EQ(tally.deletes[1], 1);
    pool.Execute();
    EXPECT_EQ(tally.runs[2], 1);
    EXPECT_EQ(tally.totalDeletes, 3);
}

}  // namespace
