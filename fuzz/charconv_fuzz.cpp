// Fuzz target: every code conversion and case converter on every input code.
// Each must return a value for any 16-bit (32-bit for the Shift_JIS width
// folders) input; the table lookups between Shift_JIS and UCS-2 and the
// checked Shift_JIS / JIS pair are exact inverses wherever they convert. The
// first input of a run also sweeps all 65536 codes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "rkcorr/rkcorr.h"

namespace {

void convert(unsigned short c, unsigned int wide, int mode) {
    static CSmallToCapital s2c;
    static CCapitalToSmall c2s;
    static CSmallToCapitalTR s2cTR;
    static CCapitalToSmallTR c2sTR;
    static ICharConvert* const converters[] = {&s2c, &c2s, &s2cTR, &c2sTR};
    const unsigned short u = RKTC::sjistoucs2(c);
    if (u != 0 && RKTC::ucs2tosjis(u) != c) std::abort();
    const unsigned short s = RKTC::ucs2tosjis(c);
    if (s != 0 && RKTC::sjistoucs2(s) != c) std::abort();
    const unsigned short j = RKTC::sjistojis(c);
    if (j != c && RKTC::jistosjis(j) != c) std::abort();
    (void)RKTC::jistosjis(c);
    (void)RKTC::ucs2tojis(c);
    (void)RKTC::jistoucs2(c);
    (void)sjis2jis(c);
    (void)jis2sjis(c);
    (void)Jmbbtombc(wide);
    (void)Jmbctombb(wide);
    (void)RKTC::One2Two(c);
    (void)RKTC::Two2One(c, mode);
    (void)RKTC::RkTwo2One(c);
    for (ICharConvert* k : converters) (void)k->Convert(c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool swept = false;
    if (!swept) {
        swept = true;
        for (unsigned c = 0; c < 65536; ++c) convert(static_cast<unsigned short>(c), c, int(c & 1));
    }
    FuzzedDataProvider in(data, size);
    while (in.remaining_bytes() >= 2) {
        const unsigned short c = in.ConsumeIntegral<unsigned short>();
        const unsigned int wide = in.ConsumeBool() ? in.ConsumeIntegral<unsigned int>() : c;
        convert(c, wide, in.ConsumeIntegral<int>());
    }
    return 0;
}
