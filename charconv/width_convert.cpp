// Half-width <-> full-width folding of single Shift_JIS and UCS-2 codes.
#include "rkcorr/charcode.h"

namespace {

// Full-width katakana with a voiced or semi-voiced sound: the unvoiced
// Shift_JIS code that the half-width table knows.
unsigned int unvoiced_katakana(unsigned int c) {
    switch (c) {
        case 0x834B:
        case 0x834D:
        case 0x834F:
        case 0x8351:
        case 0x8353:
        case 0x8355:
        case 0x8357:
        case 0x8359:
        case 0x835B:
        case 0x835D:
        case 0x835F:
        case 0x8361:
        case 0x8364:
        case 0x8366:
        case 0x8368:
        case 0x836F:
        case 0x8372:
        case 0x8375:
        case 0x8378:
        case 0x837B: return c - 1;
        case 0x8370:
        case 0x8373:
        case 0x8376:
        case 0x8379:
        case 0x837C: return c - 2;
        case 0x838E: return 0x838F;  // small wa
        case 0x8390: return 0x8343;  // wi
        case 0x8391: return 0x8347;  // we
        case 0x8394: return 0x8345;  // vu
        case 0x8395: return 0x834A;  // small ka
        case 0x8396: return 0x8350;  // small ke
        default: return c;
    }
}

template <unsigned N>
int find_row(const unsigned int (&table)[N], unsigned int code) {
    for (unsigned i = 0; i < N; ++i)
        if (table[i] == code) return static_cast<int>(i);
    return -1;
}

// A folding-table row of 0 keeps the code.
unsigned short fold(unsigned short row, unsigned short code) { return row ? row : code; }

// Sound marks, Japanese punctuation and three quotation marks, folded to their
// half-width forms the same way in both directions; any other code stays.
unsigned short half_punctuation(unsigned short u) {
    switch (u) {
        case 0x309C: return 0xFF9F;
        case 0x309B: return 0xFF9E;
        case 0x3001: return 0xFF64;
        case 0x3002: return 0xFF61;
        case 0x300C: return 0xFF62;
        case 0x300D: return 0xFF63;
        case 0x2018: return 0x60;
        case 0x2019: return 0x27;
        case 0x201D: return 0x22;
        default: return u;
    }
}

}  // namespace

unsigned int Jmbbtombc(unsigned int c) {
    if (c >= 0x21 && c <= 0x7E) return RKTC::nAscii[c - 0x20];
    if (c >= 0xA1 && c <= 0xDF) return RKTC::nKatakana[c - 0xA0];
    return c;
}

unsigned int Jmbctombb(unsigned int c) {
    if (c < 0x8140 || c > 0x8396) return c;
    int row;
    if (c < 0x8340) {
        if ((row = find_row(RKTC::nAscii, c)) >= 0) return static_cast<unsigned int>(row) + 0x20;
        if ((row = find_row(RKTC::nKatakana, c)) >= 0) return static_cast<unsigned int>(row) + 0xA0;
        return c;
    }
    if ((row = find_row(RKTC::nKatakana, unvoiced_katakana(c))) >= 0)
        return static_cast<unsigned int>(row) + 0xA0;
    return c;
}

namespace RKTC {

unsigned short One2Two(unsigned short u) {
    if (u >= 0x20 && u <= 0x7E) return wTable1[u - 0x20];
    if (u >= 0xFF61 && u <= 0xFF9F) return wTable2[u - 0xFF61];
    switch (u) {
        case 0xA2: return 0xFFE0;
        case 0xA3: return 0xFFE1;
        case 0xA5: return 0xFFE5;
        default: return u;
    }
}

unsigned short Two2One(unsigned short u, int oneway) {
    if (u >= 0x30A1 && u <= 0x30ED) return fold((oneway ? wTable1_Oneway : wTable1_Twoway)[u - 0x30A1], u);
    if (u >= 0xFF01 && u <= 0xFF5E) return fold((oneway ? wTable2_Oneway : wTable2_Twoway)[u - 0xFF01], u);
    switch (u) {
        case 0xFFE5: return 0xA5;
        case 0xFFE1: return 0xA3;
        case 0xFFE0: return 0xA2;
        case 0x30EF: return 0xFF9C;
        case 0x30F2: return 0xFF66;
        case 0x30F3: return 0xFF9D;
        case 0x30FB: return 0xFF65;
        case 0x30FC: return 0xFF70;
        case 0x30F4: return oneway ? 0xFF73 : u;
        case 0x3000: return 0x20;
        // Dashes and the other quotation marks: two-way keeps what One2Two does not produce.
        case 0x2010: return oneway ? 0xFF70 : u;
        case 0x201A: return oneway ? 0x2C : u;
        case 0x201B: return oneway ? 0x27 : u;
        case 0x201C: return oneway ? 0x22 : u;
        case 0x201F: return oneway ? 0x22 : u;
        default: return half_punctuation(u);
    }
}

unsigned short RkTwo2One(unsigned short u) {
    if (u >= 0x30A0 && u <= 0x30FF) return fold(wTable_Oneway1[u - 0x30A0], u);
    if (u >= 0xFF00 && u <= 0xFF5F) return fold(wTable_Oneway2[u - 0xFF00], u);
    switch (u) {
        case 0xFFE5: return 0x5C;
        case 0xFFE3: return 0x7E;
        default: return half_punctuation(u);
    }
}

}  // namespace RKTC
