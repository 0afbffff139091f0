// Shift_JIS, JIS X 0208 and UCS-2 conversions of single codes.
#include "rkcorr/charcode.h"

namespace {

// Lead 0x81-0x9F or 0xE0-0xEF, trail 0x40-0x7E or 0x80-0xFC.
bool is_convertible_sjis(unsigned short code) {
    const unsigned lead = code >> 8, trail = code & 0xFF;
    const bool lead_ok = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEF);
    const bool trail_ok = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
    return lead_ok && trail_ok;
}

bool is_jis(unsigned short code) {
    const unsigned row = code >> 8, cell = code & 0xFF;
    return row >= 0x21 && row <= 0x7E && cell >= 0x21 && cell <= 0x7E;
}

}  // namespace

// Both arithmetic conversions compute in int, as the byte values promote, and
// keep the low 16 bits of the result.
unsigned short sjis2jis(unsigned short sjis) {
    const int lead = sjis >> 8;
    int trail = sjis & 0xFF;
    if (trail >= 0x80) --trail;
    const int base = lead < 0xA0 ? lead - 0x71 : lead - 0xB1;
    int row, cell;
    if (trail < 0x9E) {
        row = 2 * base + 1;
        cell = trail - 0x1F;
    } else {
        row = 2 * base + 2;
        cell = trail - 0x7D;
    }
    return static_cast<unsigned short>((static_cast<unsigned>(row) << 8) | static_cast<unsigned>(cell));
}

unsigned short jis2sjis(unsigned short jis) {
    const int row = jis >> 8, cell = jis & 0xFF;
    int trail = (row & 1) ? cell + 0x1F : cell + 0x7D;
    if (trail >= 0x7F) ++trail;
    const int half = (row - 0x21) >> 1;
    const int lead = half < 31 ? half + 0x81 : half + 0xC1;
    return static_cast<unsigned short>(lead * 256 + trail);
}

namespace RKTC {

unsigned short sjistoucs2(unsigned short c) {
    if (c <= 0xDF) return g_sjistoucs2_table_01[c];
    if (c >= 0x8140 && c <= 0x9FFF) return g_sjistoucs2_table_02[c - 0x8140];
    if (c >= 0xE040 && c <= 0xEAAF) return g_sjistoucs2_table_03[c - 0xE040];
    if (c >= 0xFA40 && c <= 0xFC4F) return g_sjistoucs2_table_04[c - 0xFA40];
    return 0;
}

unsigned short ucs2tosjis(unsigned short u) {
    if (u <= 0xFF) return g_ucs2tosjis_table_01[u];
    if (u >= 0x0390 && u <= 0x045F) return g_ucs2tosjis_table_01_2[u - 0x0390];
    if (u >= 0x1E00 && u <= 0x266F) return g_ucs2tosjis_table_02[u - 0x1E00];
    if (u >= 0x3000 && u <= 0x33FF) return g_ucs2tosjis_table_03[u - 0x3000];
    if (u >= 0x4E00 && u <= 0x9FFF) return g_ucs2tosjis_table_04[u - 0x4E00];
    if (u >= 0xF900 && u <= 0xFAFF) return g_ucs2tosjis_table_05[u - 0xF900];
    if (u >= 0xFF00) return g_ucs2tosjis_table_06[u - 0xFF00];
    return 0;
}

unsigned short sjistojis(unsigned short sjis) { return is_convertible_sjis(sjis) ? sjis2jis(sjis) : sjis; }

unsigned short jistosjis(unsigned short jis) { return is_jis(jis) ? jis2sjis(jis) : jis; }

unsigned short ucs2tojis(unsigned short ucs2) { return sjistojis(ucs2tosjis(ucs2)); }

unsigned short jistoucs2(unsigned short jis) { return sjistoucs2(jistosjis(jis)); }

}  // namespace RKTC
