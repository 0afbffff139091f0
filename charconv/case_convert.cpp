// Case converters: one table lookup per code, the Turkish variants testing
// their one special letter first.
#include "rkcorr/charconvert.h"

namespace {

unsigned short lookup(unsigned short c, const unsigned short* latin, const unsigned short* latin_ext,
                      const unsigned short* greek, const unsigned short* greek_ext) {
    if (c >= 0x0040 && c <= 0x007F) return latin[c - 0x0040];
    if (c >= 0x00C0 && c <= 0x02AF) return latin_ext[c - 0x00C0];
    if (c >= 0x0380 && c <= 0x058F) return greek[c - 0x0380];
    if (c >= 0x1E00 && c <= 0x1FFF) return greek_ext[c - 0x1E00];
    return c;
}

}  // namespace

ICharConvert::~ICharConvert() = default;

unsigned short CSmallToCapital::Convert(unsigned short code) {
    return lookup(code, g_wStoC_0x0040_0x007f, g_wStoC_0x00c0_0x02af, g_wStoC_0x0380_0x058f,
                  g_wStoC_0x1e00_0x1fff);
}

unsigned short CCapitalToSmall::Convert(unsigned short code) {
    return lookup(code, g_wCtoS_0x0040_0x007f, g_wCtoS_0x00c0_0x02af, g_wCtoS_0x0380_0x058f,
                  g_wCtoS_0x1e00_0x1fff);
}

unsigned short CSmallToCapitalTR::Convert(unsigned short code) {
    return code == 0x0069 ? 0x0130 : CSmallToCapital::Convert(code);
}

unsigned short CCapitalToSmallTR::Convert(unsigned short code) {
    return code == 0x0049 ? 0x0131 : CCapitalToSmall::Convert(code);
}
