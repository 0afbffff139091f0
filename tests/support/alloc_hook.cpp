// The replaced operator new and delete behind the tests' allocation failures.
#include "support/alloc_hook.h"

#include <cstdlib>
#include <new>

// The replacements pair malloc with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace rktest {

std::atomic<long> g_failIn{0};
std::atomic<long> g_live{0};
std::atomic<long> g_count{0};

}  // namespace rktest

namespace {

void* allocate(std::size_t size) {
    using namespace rktest;
    if (g_failIn.load() > 0 && --g_failIn == 0) return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (p) {
        ++g_live;
        ++g_count;
    }
    return p;
}

void release(void* p) {
    if (!p) return;
    --rktest::g_live;
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
