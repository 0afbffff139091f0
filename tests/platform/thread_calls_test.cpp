// Thread calls: events against a model, wake-ups, time-outs, threads, dead handles, memory running out,
// exclusion.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"

namespace {

using Clock = std::chrono::steady_clock;

HANDLE AutoEvent() { return CreateEvent(nullptr, FALSE, FALSE, nullptr); }

HANDLE Thread(unsigned (*f)(void*), void* arg = nullptr, unsigned flags = 0) {
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, f, arg, flags, nullptr));
}

// Spins (yielding) until `done` holds; false after 10 s.
template <typename F>
bool Eventually(F done) {
    for (const auto limit = Clock::now() + std::chrono::seconds(10); !done(); std::this_thread::yield())
        if (Clock::now() > limit) return false;
    return true;
}

// Auto- and manual-reset events, wait-all and wait-any against a model; closed ones refused.
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
            if (op <= 1) {
                EXPECT_TRUE(op == 0 ? SetEvent(e[i]) : ResetEvent(e[i]));
                set[i] = op == 0;
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
        for (HANDLE h : e)
            ASSERT_TRUE(CloseHandle(h) && !SetEvent(h) && !CloseHandle(h) &&
                        WaitForSingleObject(h, 0) == WAIT_FAILED);
    }
}

struct Waiting {
    HANDLE event;
    std::atomic<int> woken;
    static unsigned Wait(void* raw) {
        auto* w = static_cast<Waiting*>(raw);
        WaitForSingleObject(w->event, INFINITE);
        return ++w->woken;
    }
};

// Threads waiting on an auto-reset event: each SetEvent wakes one of them and is consumed; a thread's handle
// is signalled once its routine has returned, and stays so; the handle of a running thread may be closed; a
// timed wait ends at its time-out.
TEST(ThreadCalls, WakeUpsThreadEndsAndTimeOuts) {
    Waiting w{AutoEvent(), {0}};
    std::vector<HANDLE> threads;
    for (int i = 0; i < 5; ++i) threads.push_back(Thread(Waiting::Wait, &w));
    EXPECT_EQ(WaitForMultipleObjects(5, threads.data(), FALSE, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(threads[4]));  // still waiting
    threads.pop_back();
    for (int k = 1; k <= 5; ++k) {
        SetEvent(w.event);
        ASSERT_TRUE(Eventually([&] { return w.woken == k; }));
        EXPECT_EQ(WaitForSingleObject(w.event, 0), WAIT_TIMEOUT);  // consumed by the woken thread
    }
    EXPECT_EQ(WaitForMultipleObjects(4, threads.data(), TRUE, INFINITE), WAIT_OBJECT_0);
    for (HANDLE t : threads) EXPECT_TRUE(WaitForSingleObject(t, 0) == WAIT_OBJECT_0 && CloseHandle(t));
    EXPECT_EQ(WaitForSingleObject(w.event, 20), WAIT_TIMEOUT);
    CloseHandle(w.event);
}

// Dead, foreign and never given handles and unsupported requests fail cleanly.
TEST(ThreadCalls, DeadAndForeignHandlesAreRefused) {
    HANDLE e = AutoEvent(), live = AutoEvent();
    ASSERT_TRUE(CloseHandle(e));
    EXPECT_FALSE(ResetEvent(e) || CloseHandle(nullptr));
    HANDLE mixed[2] = {live, e};
    for (const auto& [n, handles] : {std::pair<DWORD, HANDLE*>{2, mixed}, {0, mixed}, {1, nullptr}})
        EXPECT_EQ(WaitForMultipleObjects(n, handles, TRUE, INFINITE), WAIT_FAILED);
    HANDLE next = AutoEvent(), t = Thread([](void*) -> unsigned { return 0; });
    EXPECT_NE(next, e);                         // a closed handle's value is not given to the next object
    EXPECT_FALSE(t == nullptr || SetEvent(t));  // not an event
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(CreateEvent(nullptr, FALSE, FALSE, "named"), nullptr);  // unsupported, as are the next two
    errno = 0;
    EXPECT_TRUE(Thread(nullptr) == nullptr && errno == EINVAL);
    errno = 0;
    EXPECT_TRUE(Thread(Waiting::Wait, nullptr, CREATE_SUSPENDED) == nullptr && errno == EINVAL);
    for (HANDLE h : {t, live, next}) CloseHandle(h);
}

// A thread that cannot have its memory is refused with ENOMEM, leaving nothing behind.
TEST(ThreadCalls, ThreadRefusedWhenMemoryRunsOut) {
    const long failed = rktest::SweepAllocations([](long n) {
        const long before = rktest::g_live;
        rktest::g_failIn = n;
        errno = 0;
        const HANDLE t = Thread([](void*) -> unsigned { return 7; });
        const bool hit = rktest::g_failIn == 0;
        rktest::g_failIn = 0;
        if (t == nullptr) {
            EXPECT_TRUE(hit && errno == ENOMEM) << "allocation " << n;
        } else {
            EXPECT_TRUE(WaitForSingleObject(t, INFINITE) == WAIT_OBJECT_0 && CloseHandle(t));
            EXPECT_TRUE(Eventually([&] { return rktest::g_live == before; }));
        }
        return hit;
    });
    EXPECT_GE(failed, 2);
}

// A critical section entered twice by its owner keeps four threads' count; the exchange gives the old value.
TEST(ThreadCalls, CriticalSectionExcludesAndExchangeAnswersTheOldValue) {
    volatile LONG value = 5;
    EXPECT_TRUE(InterlockedExchange(&value, -3) == 5 && value == -3);
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    long guarded = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                EnterCriticalSection(&cs), EnterCriticalSection(&cs), ++guarded;
                LeaveCriticalSection(&cs), ++guarded, LeaveCriticalSection(&cs);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(guarded, 4 * 20000 * 2);
    DeleteCriticalSection(&cs);
}

}  // namespace
