// Byte-wise 2 x 2 reduction: two rows are ORed eight bytes at a time, and a
// table folds each byte's four bit pairs into a nibble.
#include "mask/reduce.h"

#include <string.h>

#include <array>

namespace rkmask {
namespace {

// kFold[b]: bit 3 - i set when bit 7 - 2i or bit 6 - 2i of b is set, that is
// the four pixel pairs of a byte folded into four pixels, leftmost highest.
constexpr std::array<uint8_t, 256> make_fold(unsigned shift) {
    std::array<uint8_t, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned v = 0;
        for (unsigned i = 0; i < 4; ++i)
            if (b & (0xC0u >> (2 * i))) v |= 0x8u >> i;
        t[b] = static_cast<uint8_t>(v << shift);
    }
    return t;
}
constexpr std::array<uint8_t, 256> kFoldHi = make_fold(4);  // first byte of a pair
constexpr std::array<uint8_t, 256> kFoldLo = make_fold(0);  // second byte of a pair

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, sizeof v);
    return v;
}

inline uint8_t fold_pair(unsigned a, unsigned b) { return kFoldHi[a] | kFoldLo[b]; }

// One destination row from one or two source rows; r1 equals r0 when the
// source has a single row left.
inline void reduce_line(const uint8_t* r0, const uint8_t* r1, size_t n, uint8_t* d) {
    size_t k = 0;
    for (; k + 8 <= n; k += 8, d += 4) {
        // Little-endian load: byte j of the row is bits 8j..8j+7 of the word.
        const uint64_t a = load64(r0 + k) | load64(r1 + k);
        const uint32_t lo = static_cast<uint32_t>(a), hi = static_cast<uint32_t>(a >> 32);
        d[0] = fold_pair(lo & 0xFF, (lo >> 8) & 0xFF);
        d[1] = fold_pair((lo >> 16) & 0xFF, lo >> 24);
        d[2] = fold_pair(hi & 0xFF, (hi >> 8) & 0xFF);
        d[3] = fold_pair((hi >> 16) & 0xFF, hi >> 24);
    }
    for (; k + 1 < n; k += 2) *d++ = fold_pair(r0[k] | r1[k], r0[k + 1] | r1[k + 1]);
    if (k < n) *d = kFoldHi[r0[k] | r1[k]];
}

}  // namespace

void reduce_rows(const uint8_t* src, size_t srcStride, size_t srcLineBytes, size_t srcHeight, uint8_t* dst,
                 size_t dstStride) {
    size_t s = 0;
    for (; s + 1 < srcHeight; s += 2, dst += dstStride)
        reduce_line(src + s * srcStride, src + (s + 1) * srcStride, srcLineBytes, dst);
    if (s < srcHeight) reduce_line(src + s * srcStride, src + s * srcStride, srcLineBytes, dst);
}

}  // namespace rkmask
