// Execute of an empty batch and of 1,000 trivial commands on two workers,
// beside the same work done by two std::threads spawned for each batch.
#include <benchmark/benchmark.h>

#include <atomic>
#include <list>
#include <mutex>
#include <thread>

#include "rkcorr/threadpool.h"

namespace {

std::atomic<long> g_sink{0};

class Trivial : public CRkCommand {
public:
    void Run() override { g_sink.fetch_add(1, std::memory_order_relaxed); }
};

constexpr int kWorkers = 2;

void run_pool(benchmark::State& state) {
    const int commands = static_cast<int>(state.range(0));
    CRkThreadPool pool(kWorkers);
    pool.Execute();  // the first batch also waits for the threads to start
    for (auto _ : state) {
        for (int i = 0; i < commands; ++i) pool.Store(new Trivial);
        pool.Execute();
    }
    state.SetItemsProcessed(state.iterations() * commands);
}

// The peer: the same queue of commands, drained by threads made for the batch.
void run_spawned(benchmark::State& state) {
    const int commands = static_cast<int>(state.range(0));
    std::list<CRkCommand*> queue;
    std::mutex lock;
    auto drain = [&] {
        for (;;) {
            CRkCommand* command;
            {
                std::lock_guard<std::mutex> guard(lock);
                if (queue.empty()) return;
                command = queue.front();
                queue.pop_front();
            }
            command->Run();
            delete command;
        }
    };
    for (auto _ : state) {
        for (int i = 0; i < commands; ++i) queue.push_back(new Trivial);
        std::thread workers[kWorkers];
        for (auto& t : workers) t = std::thread(drain);
        for (auto& t : workers) t.join();
    }
    state.SetItemsProcessed(state.iterations() * commands);
}

BENCHMARK(run_pool)->Name("Pool/Execute")->Arg(0)->Arg(1000)->UseRealTime();
BENCHMARK(run_spawned)->Name("SpawnPerBatch/Execute")->Arg(0)->Arg(1000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
