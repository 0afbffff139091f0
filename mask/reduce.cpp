// Byte-wise 2 x 2 reduction: two rows are ORed eight bytes at a time, and a
// table folds the eight bit pairs of each two bytes into one output byte.
#include "mask/reduce.h"

#include <string.h>

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "rows are read and written as little-endian words");

namespace rkmask {
namespace {

// Bit 3 - i of the result set when bit 7 - 2i or bit 6 - 2i of b is: the four
// pixel pairs of a byte folded into four pixels, leftmost highest.
constexpr unsigned fold_byte(unsigned b) {
    unsigned v = 0;
    for (unsigned i = 0; i < 4; ++i)
        if (b & (0xC0u >> (2 * i))) v |= 0x8u >> i;
    return v;
}

// kFold[p]: the output byte of the two source bytes p & 0xFF (left) and
// p >> 8 (right), indexed by the 16-bit little-endian lane that holds them.
constexpr std::array<uint8_t, 65536> make_fold() {
    std::array<uint8_t, 256> nibble{};
    for (unsigned b = 0; b < 256; ++b) nibble[b] = static_cast<uint8_t>(fold_byte(b));
    std::array<uint8_t, 65536> t{};
    for (unsigned p = 0; p < 65536; ++p) t[p] = static_cast<uint8_t>(nibble[p & 0xFF] << 4 | nibble[p >> 8]);
    return t;
}
constexpr std::array<uint8_t, 65536> kFold = make_fold();

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    memcpy(&v, p, sizeof v);
    return v;
}

#if defined(__SSE2__)
// Output bytes of 16 source bytes in the low 8-bit half of each 16-bit lane:
// each byte's pixel pairs ORed into bits 6, 4, 2, 0, gathered into its low
// nibble, and the lane's two nibbles (left byte low) joined left first.
inline __m128i fold16(__m128i a) {
    const __m128i x1 = _mm_and_si128(_mm_or_si128(a, _mm_srli_epi16(a, 1)), _mm_set1_epi8(0x55));
    const __m128i x2 = _mm_and_si128(_mm_or_si128(x1, _mm_srli_epi16(x1, 1)), _mm_set1_epi8(0x33));
    const __m128i x3 = _mm_and_si128(_mm_or_si128(x2, _mm_srli_epi16(x2, 2)), _mm_set1_epi8(0x0F));
    return _mm_and_si128(_mm_or_si128(_mm_slli_epi16(x3, 4), _mm_srli_epi16(x3, 8)), _mm_set1_epi16(0xFF));
}
#endif

// One destination row from one or two source rows; r1 equals r0 when the
// source has a single row left.
inline void reduce_line(const uint8_t* r0, const uint8_t* r1, size_t n, uint8_t* d) {
    size_t k = 0;
#if defined(__SSE2__)
    // Thirty-two source bytes to sixteen output bytes a step; bits are
    // shifted only within bytes that the masks then keep apart.
    for (; k + 32 <= n; k += 32, d += 16) {
        auto load = [&](size_t at) {
            return _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + at)),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + at)));
        };
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                         _mm_packus_epi16(fold16(load(k)), fold16(load(k + 16))));
    }
#endif
    for (; k + 8 <= n; k += 8, d += 4) {
        // Little-endian load: bytes 2j and 2j + 1 of the row form lane j.
        const uint64_t a = load64(r0 + k) | load64(r1 + k);
        const uint32_t out = uint32_t{kFold[a & 0xFFFF]} | uint32_t{kFold[(a >> 16) & 0xFFFF]} << 8 |
                             uint32_t{kFold[(a >> 32) & 0xFFFF]} << 16 | uint32_t{kFold[a >> 48]} << 24;
        memcpy(d, &out, sizeof out);  // little-endian store: lane j to byte j
    }
    for (; k + 1 < n; k += 2) *d++ = kFold[(r0[k] | r1[k]) | (r0[k + 1] | r1[k + 1]) << 8];
    if (k < n) *d = kFold[r0[k] | r1[k]];
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
