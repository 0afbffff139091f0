#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
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
    for (size_t i = 0; i < n; ++i)
        pool.Store(new CountingCommand(tally, first + i, random ? (*random)() % 400 : 0));
    return first + n;
}

void expect_each_ran_once(const Tally& tally, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(tally.runs[i], 1) << "command " << i;
        ASSERT_EQ(tally.deletes[i], 1) << "command " << i;
    }
}

TEST(ThreadPool, EmptyBatchesReturnAndLeaveTheWorkersParked) {
    for (int workers : {0, 1, 2, 5}) {
        CRkThreadPool pool(workers);
        pool.Execute();
        pool.Execute();
        Tally tally(1);
        pool.Store(new CountingCommand(tally, 0));
        pool.Execute();
        EXPECT_EQ(tally.runs[0], 1);
        pool.Execute();
    }
}

TEST(ThreadPool, BatchesInARowRunEveryCommandExactlyOnce) {
    const size_t total = 20000;
    Tally tally(total);
    std::mt19937 random(7);
    CRkThreadPool pool(4);
    size_t next = 0;
    while (next < total) {
        const size_t n = std::min<size_t>(total - next, random() % 300);
        next = store_batch(pool, tally, next, n);
        pool.Execute();
        // Everything of the batch is done and visible when Execute returns.
        ASSERT_EQ(tally.totalRuns, static_cast<int>(next));
        ASSERT_EQ(tally.totalDeletes, static_cast<int>(next));
    }
    expect_each_ran_once(tally, total);
}

TEST(ThreadPool, CommandsOfRandomShortDurationsAllRun) {
    const size_t total = 600;
    Tally tally(total);
    std::mt19937 random(11);
    {
        CRkThreadPool pool(3);
        size_t next = 0;
        for (int batch = 0; batch < 6; ++batch) {
            next = store_batch(pool, tally, next, total / 6, &random);
            pool.Execute();
            ASSERT_EQ(tally.totalRuns, static_cast<int>(next));
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

// Waits until `expected` commands of the batch have started, which can only
// happen if that many workers run at the same time.
class RendezvousCommand : public CRkCommand {
public:
    RendezvousCommand(std::atomic<int>& arrived, int expected, std::atomic<bool>& met)
        : m_arrived(arrived), m_expected(expected), m_met(met) {}
    void Run() override {
        ++m_arrived;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_arrived < m_expected)
            if (std::chrono::steady_clock::now() > limit) return;
            else std::this_thread::yield();
        m_met = true;
    }

private:
    std::atomic<int>& m_arrived;
    int m_expected;
    std::atomic<bool>& m_met;
};

TEST(ThreadPool, WorkersRunTheBatchInParallelOffTheOwnersThread) {
    const int workers = 3;
    CRkThreadPool pool(workers);
    std::atomic<int> arrived{0};
    std::atomic<bool> met{false};
    for (int i = 0; i < workers; ++i) pool.Store(new RendezvousCommand(arrived, workers, met));
    pool.Execute();
    EXPECT_TRUE(met);

    struct WhereCommand : CRkCommand {
        explicit WhereCommand(std::thread::id& where) : m_where(where) {}
        void Run() override { m_where = std::this_thread::get_id(); }
        std::thread::id& m_where;
    };
    std::thread::id where;
    pool.Store(new WhereCommand(where));
    pool.Execute();
    EXPECT_NE(where, std::this_thread::get_id());
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

TEST(ThreadPool, NullCommandsAreIgnored) {
    Tally tally(3);
    CRkThreadPool pool(1);
    pool.Store(new CountingCommand(tally, 0));
    pool.Store(nullptr);
    pool.Store(new CountingCommand(tally, 1));
    pool.Store(nullptr);
    pool.Store(new CountingCommand(tally, 2));
    pool.Execute();
    expect_each_ran_once(tally, 3);
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

TEST(ThreadPool, NegativeCountThrows) {
    EXPECT_THROW(CRkThreadPool(-1), std::bad_array_new_length);
}

// Exposes the workers' queue access for a white-box look.
class OpenPool : public CRkThreadPool {
public:
    using CRkThreadPool::CRkThreadPool;
    using CRkThreadPool::GetCommand;
};

TEST(ThreadPool, GetCommandTakesFromTheFrontUntilEmpty) {
    Tally tally(3);
    OpenPool pool(2);
    EXPECT_EQ(pool.GetCommand(), nullptr);
    std::vector<CRkCommand*> stored;
    for (size_t i = 0; i < 3; ++i) {
        stored.push_back(new CountingCommand(tally, i));
        pool.Store(stored.back());
    }
    for (CRkCommand* expected : stored) {
        std::unique_ptr<CRkCommand> got(pool.GetCommand());
        EXPECT_EQ(got.get(), expected);
    }
    EXPECT_EQ(pool.GetCommand(), nullptr);
    EXPECT_EQ(tally.totalRuns, 0);
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
    EXPECT_EQ(tally.totalRuns, static_cast<int>(next));
    expect_each_ran_once(tally, next);
}

}  // namespace
