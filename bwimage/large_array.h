// Large page-size arrays (the scorer's colour copy, brightness and gradient
// map, some 70 MB for an A4 page): huge-page advice for fresh ones, and
// stores that bypass the cache for arrays written once and not read back
// soon, so that the processor does not first read every destination line
// into the cache. Plain stores on builds without SSE2; the bytes written are
// the same either way.
#ifndef RKCORR_BWIMAGE_LARGE_ARRAY_H
#define RKCORR_BWIMAGE_LARGE_ARRAY_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace rkbwimage {

// Asks the kernel to back the whole pages of a fresh array of n bytes with
// huge pages before anything touches it: one fault per 2 MB instead of one
// per 4 kB when it is first written. Only advice: nothing changes if the
// kernel declines.
inline void advise_huge_pages(void* p, size_t n) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const uintptr_t page = 4096, first = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + n) & ~(page - 1);
    if (n >= (size_t{2} << 20) && end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)p, (void)n;
#endif
}

// A fresh array of n elements for a page, advised before anything touches
// it; every byte 0 when `zero` (0 and 0.0f alike).
template <class T>
T* new_page_array(size_t n, bool zero) {
    T* p = new T[n];
    advise_huge_pages(p, n * sizeof(T));
    if (zero) memset(p, 0, n * sizeof(T));
    return p;
}

// memcpy(dst, src, n) for blocks that do not overlap; call stream_fence()
// before anything else reads dst.
inline void stream_copy(uint8_t* dst, const uint8_t* src, size_t n) {
#if defined(__SSE2__)
    const size_t head = (16 - (reinterpret_cast<uintptr_t>(dst) & 15)) & 15;
    if (n < head + 64) {
        memcpy(dst, src, n);
        return;
    }
    memcpy(dst, src, head);
    size_t k = head;
    for (; k + 64 <= n; k += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + k + 48), d);
    }
    memcpy(dst + k, src + k, n - k);
#else
    memcpy(dst, src, n);
#endif
}

// Orders the streamed stores before the stores and loads that follow.
inline void stream_fence() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

}  // namespace rkbwimage

#endif
