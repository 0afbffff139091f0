// CRkThreadPool: an empty batch returns, batches in a row run each command
// exactly once (done and deleted when Execute returns), one worker runs in
// stored order, workers run in parallel off the owner's thread, destruction
// right after construction ends every thread, and 10,000 small batches do
// not hang.
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

// Counts its runs and its destructions, per command and in total.
struct Tally {
    explicit Tally(size_t n) : runs(n), deletes(n) {}
    std::vector<std::atomic<int>> runs, deletes;
    std::atomic<int> totalRuns{0}, totalDeletes{0};
};

class CountingCommand : public CRkCommand {
public:
    CountingCommand(Tally& tally, size_t id, unsigned sleepMicroseconds = 0)
        : m_tally(tally), m_id(id), m_sleep(sleepMicroseconds) {}
    ~CountingCommand() override {
        ++m_tally.deletes[m_id];
        ++m_tally.totalDeletes;
    }
    void Run() override {
        if (m_sleep) std::this_thread::sleep_for(std::chrono::microseconds(m_sleep));
        ++m_tally.runs[m_id];
        ++m_tally.totalRuns;
    }

private:
    Tally& m_tally;
    size_t m_id;
    unsigned m_sleep;
};

// Stores `n` counting commands with ids from `first`; returns the next id.
size_t store_batch(CRkThreadPool& pool, Tally& tally, size_t first, size_t n, std::mt19937* random = nullptr) {
    for (size_t i = 0; i < n; ++i) pool.Store(new CountingCommand(tally, first + i, random ? (*random)() % 400 : 0));
    return first + n;
}

void expect_each_ran_once(const Tally& tally, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(tally.runs[i], 1) << "command " << i;
        ASSERT_EQ(tally.deletes[i], 1) << "command " << i;
    }
}

TEST(ThreadPool, EmptyBatches) {
    EXPECT_THROW(CRkThreadPool(-1), std::bad_array_new_length);
    for (int workers : {0, 1, 2, 5}) {
        CRkThreadPool pool(workers);
        pool.Execute();
        pool.Execute();
        Tally tally(2);
        pool.Store(new CountingCommand(tally, 0));
        pool.Store(new CountingCommand(tally, 1));
        pool.Execute();
        expect_each_ran_once(tally, 2);
        pool.Execute();
    }
}

TEST(ThreadPool, BatchesInARowRunEveryCommandExactlyOnce) {
    const size_t total = 20000;
    Tally tally(total);
    std::mt19937 random(7);
    {
        CRkThreadPool pool(4);
        size_t next = 0;
        for (int batch = 0; next < total; ++batch) {
            // Every fourth batch has commands of random short durations.
            const size_t n = std::min<size_t>(total - next, random() % 300);
            next = store_batch(pool, tally, next, n, batch % 4 == 3 ? &random : nullptr);
            pool.Execute();
            // Everything of the batch is done and deleted when Execute returns.
            ASSERT_EQ(tally.totalRuns, static_cast<int>(next));
            ASSERT_EQ(tally.totalDeletes, static_cast<int>(next));
        }
    }
    expect_each_ran_once(tally, total);
}

class RecordingCommand : public CRkCommand {
public:
    RecordingCommand(std::vector<int>& log, int id) : m_log(log), m_id(id) {}
    void Run() override { m_log.push_back(m_id); }

private:
    std::vector<int>& m_log;
    int m_id;
};

TEST(ThreadPool, OneWorkerRunsCommandsInStoredOrder) {
    for (int workers : {1, 0}) {
        std::vector<int> log;  // touched only by the single worker during Execute
        CRkThreadPool pool(workers);
        for (int batch = 0; batch < 3; ++batch) {
            for (int i = 0; i < 500; ++i) pool.Store(new RecordingCommand(log, batch * 500 + i));
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
                if (std::chrono::steady_clock::now() > limit) return;
                else std::this_thread::yield();
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

TEST(ThreadPool, DestructionRightAfterConstructionEndsAllThreads) {
    for (int round = 0; round < 50; ++round) {
        CRkThreadPool pool(round % 9);
    }
    // Commands left stored are deleted without being run.
    Tally tally(10);
    {
        CRkThreadPool pool(2);
        store_batch(pool, tally, 0, 10);
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

TEST(ThreadPool, TenThousandSmallBatchesDoNotHang) {
    const size_t batches = 10000;
    Tally tally(batches * 3);
    std::mt19937 random(3);
    CRkThreadPool pool(3);
    size_t next = 0;
    for (size_t b = 0; b < batches; ++b) {
        next = store_batch(pool, tally, next, random() % 4);
        pool.Execute();
    }
    expect_each_ran_once(tally, next);
}

}  // namespace
