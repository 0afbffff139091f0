// The Win32-style thread calls: events against a model on random sequences,
// wake-ups across threads, time-outs are honoured, ended threads stay signalled, dead handles are
// refused, and critical sections and the interlocked exchange exclude.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "rkcorr/rkcorr.h"

namespace {

static_assert(sizeof(HANDLE) == sizeof(void*), "handles are pointer-sized");
static_assert(sizeof(LONG) == 4, "InterlockedExchange works on 32 bits");
static_assert(INFINITE == 0xFFFFFFFFu && WAIT_OBJECT_0 == 0, "Win32 values");

using Clock = std::chrono::steady_clock;

HANDLE auto_event() { return CreateEvent(nullptr, FALSE, FALSE, nullptr); }

// Spins (yielding) until `done` holds; false after 10 s.
template <typename F>
bool eventually(F done) {
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (Clock::now() > limit) return false;
        std::this_thread::yield();
    }
    return true;
}

// Random single-threaded sequences of set, reset and non-blocking waits on
// auto-reset and manual-reset events against a model: an auto-reset event is
// consumed by exactly one wait, wait-all takes every object or none, wait-any
// the lowest set one.
TEST(ThreadCalls, EventsMatchTheModelOnRandomSequences) {
    std::mt19937 rng(17);
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + rng() % 5;
        std::vector<HANDLE> e(n);
        std::vector<bool> manual(n), set(n);
        for (int i = 0; i < n; ++i) {
            manual[i] = rng() % 2, set[i] = rng() % 2;
            e[i] = CreateEvent(nullptr, manual[i], set[i], nullptr);
        }
        for (int step = 0; step < 50; ++step) {
            const int i = rng() % n, op = rng() % 5;
            if (op == 0) {
                EXPECT_TRUE(SetEvent(e[i]));
                set[i] = true;
            } else if (op == 1) {
                EXPECT_TRUE(ResetEvent(e[i]));
                set[i] = false;
            } else if (op == 2) {
                ASSERT_EQ(WaitForSingleObject(e[i], 0), set[i] ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
                if (!manual[i]) set[i] = false;
            } else {  // wait-all (3) or wait-any (4) on events i..n-1
                bool all = true;
                int first = -1;
                for (int k = i; k < n; ++k) all = all && set[k], first = first < 0 && set[k] ? k : first;
                const DWORD want = op == 3 ? (all ? WAIT_OBJECT_0 : WAIT_TIMEOUT)
                                           : (first >= 0 ? WAIT_OBJECT_0 + (first - i) : WAIT_TIMEOUT);
                ASSERT_EQ(WaitForMultipleObjects(n - i, &e[i], op == 3, 0), want) << round << " " << step;
                for (int k = i; k < n; ++k)
                    if (!manual[k] && ((op == 3 && all) || (op == 4 && k == first))) set[k] = false;
            }
        }
        for (HANDLE h : e) EXPECT_TRUE(CloseHandle(h));
    }
}

TEST(ThreadCalls, SetEventWakesExactlyOneOfTwoWaiters) {
    HANDLE e = auto_event();
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            WaitForSingleObject(e, INFINITE);
            ++woken;
        });
    SetEvent(e);
    ASSERT_TRUE(eventually([&] { return woken == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(woken, 1);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);  // consumed by the woken thread
    SetEvent(e);
    ASSERT_TRUE(eventually([&] { return woken == 2; }));
    for (auto& t : waiters) t.join();
    CloseHandle(e);
}

TEST(ThreadCalls, SetBeforeWaitIsNotLost) {
    // Ping-pong: each side sets the other's event, often before the other
    // has started to wait on it.
    HANDLE ping = auto_event(), pong = auto_event();
    const int rounds = 20000;
    int shared = 0;  // handed back and forth; the events order the accesses
    std::thread other([&] {
        for (int i = 0; i < rounds; ++i) {
            WaitForSingleObject(ping, INFINITE);
            ++shared;
            SetEvent(pong);
        }
    });
    for (int i = 0; i < rounds; ++i) {
        SetEvent(ping);
        WaitForSingleObject(pong, INFINITE);
        ++shared;
    }
    other.join();
    EXPECT_EQ(shared, 2 * rounds);
    CloseHandle(ping);
    CloseHandle(pong);
}

TEST(ThreadCalls, TimeOutsAreHonoured) {
    HANDLE e[2] = {auto_event(), auto_event()};
    EXPECT_EQ(WaitForMultipleObjects(2, e, TRUE, 20), WAIT_TIMEOUT);
    const auto start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(e[0], 50), WAIT_TIMEOUT);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        SetEvent(e[0]);
    });
    EXPECT_EQ(WaitForSingleObject(e[0], 10000), WAIT_OBJECT_0);
    setter.join();
    for (HANDLE h : e) CloseHandle(h);
}

struct ThreadData {
    std::atomic<int>* finished;
    unsigned sleepMicroseconds;
};

unsigned sleeper(void* raw) {
    auto* data = static_cast<ThreadData*>(raw);
    std::this_thread::sleep_for(std::chrono::microseconds(data->sleepMicroseconds));
    ++*data->finished;
    return 7;
}

TEST(ThreadCalls, WaitAllOnThreadsReturnsWhenEveryThreadHasEnded) {
    std::mt19937 random(42);
    for (int round = 0; round < 20; ++round) {
        const int n = 1 + round % 6;
        std::atomic<int> finished{0};
        std::vector<ThreadData> data(n);
        std::vector<HANDLE> threads(n);
        for (int i = 0; i < n; ++i) {
            data[i] = {&finished, static_cast<unsigned>(random() % 3000)};
            unsigned id = 0;
            threads[i] = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, sleeper, &data[i], 0, &id));
            ASSERT_NE(threads[i], nullptr);
            EXPECT_NE(id, 0u);
        }
        EXPECT_EQ(WaitForMultipleObjects(n, threads.data(), TRUE, INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(finished, n);
        for (HANDLE t : threads) EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);  // stays signalled
        for (HANDLE t : threads) EXPECT_TRUE(CloseHandle(t));
    }

    // A thread runs on after its handle is closed.
    HANDLE pair[2] = {auto_event(), auto_event()};
    uintptr_t t = _beginthreadex(
        nullptr, 64 * 1024,
        [](void* raw) -> unsigned {
            auto* events = static_cast<HANDLE*>(raw);
            WaitForSingleObject(events[0], INFINITE);
            SetEvent(events[1]);
            return 0;
        },
        pair, 0, nullptr);
    ASSERT_NE(t, 0u);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(t), 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(reinterpret_cast<HANDLE>(t)));
    SetEvent(pair[0]);
    EXPECT_EQ(WaitForSingleObject(pair[1], INFINITE), WAIT_OBJECT_0);
    for (HANDLE h : pair) CloseHandle(h);
}

TEST(ThreadCalls, DeadAndForeignHandlesAreRefused) {
    HANDLE e = auto_event();
    ASSERT_TRUE(CloseHandle(e));
    EXPECT_FALSE(CloseHandle(e));
    EXPECT_FALSE(SetEvent(e));
    EXPECT_FALSE(ResetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(nullptr, INFINITE), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, INFINITE), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(nullptr));
    HANDLE live = auto_event();
    HANDLE mixed[2] = {live, e};
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, TRUE, INFINITE), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(0, mixed, TRUE, INFINITE), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(1, nullptr, TRUE, INFINITE), WAIT_FAILED);
    HANDLE next = auto_event();
    EXPECT_NE(next, e);  // a closed handle's value is not given to the next object
    // SetEvent refuses a thread handle.
    auto nothing = [](void*) -> unsigned { return 0; };
    uintptr_t t = _beginthreadex(nullptr, 0, nothing, nullptr, 0, nullptr);
    ASSERT_NE(t, 0u);
    EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(t)));
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(t), INFINITE), WAIT_OBJECT_0);
    CloseHandle(reinterpret_cast<HANDLE>(t));
    // Unsupported requests fail cleanly.
    EXPECT_EQ(CreateEvent(nullptr, FALSE, FALSE, "named"), nullptr);
    errno = 0;
    EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_EQ(_beginthreadex(nullptr, 0, nothing, nullptr, CREATE_SUSPENDED, nullptr), 0u);
    EXPECT_EQ(errno, EINVAL);
    CloseHandle(live);
    CloseHandle(next);
}

TEST(ThreadCalls, CriticalSectionAndInterlockedExchangeExclude) {
    volatile LONG value = 5;
    EXPECT_EQ(InterlockedExchange(&value, -3), 5);
    EXPECT_EQ(value, -3);
    // A nested critical section and a spin lock on the exchange each keep a
    // plain counter exact.
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    volatile LONG lock = 0;
    long guarded = 0, spun = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&cs);
                EnterCriticalSection(&cs);  // the owner may enter again
                ++guarded;
                LeaveCriticalSection(&cs);
                ++guarded;
                LeaveCriticalSection(&cs);
                while (InterlockedExchange(&lock, 1) != 0) std::this_thread::yield();
                ++spun;
                InterlockedExchange(&lock, 0);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(guarded, 4 * 20000 * 2);
    EXPECT_EQ(spun, 4 * 20000);
    DeleteCriticalSection(&cs);
}

}  // namespace
