#include "merge_alloc_hook.h"

#include <cstdlib>
#include <new>

long merge_fail_in = 0;

void* operator new(std::size_t n) {
    if (merge_fail_in > 0 && --merge_fail_in == 0) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
