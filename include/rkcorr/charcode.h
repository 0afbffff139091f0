// Conversions of single character codes between Shift_JIS, JIS X 0208 (row
// and cell, 0x2121 to 0x7E7E) and UCS-2, and between the half-width and
// full-width forms of a character. Every function takes one code and returns
// one code; a code that cannot be converted comes back unchanged, except from
// the two table lookups between Shift_JIS and UCS-2, which return 0.
//
// A double-byte Shift_JIS code is lead byte * 256 + trail byte, a JIS code row
// byte * 256 + cell byte, and a single-byte Shift_JIS code its byte value.
#ifndef RKCORR_CHARCODE_H
#define RKCORR_CHARCODE_H

#include "rkcorr/export.h"

namespace RKTC {

// Shift_JIS <-> UCS-2 through the code tables below (Windows code page 932,
// one code per character, so that the two directions are exact inverses).
RKCORR_API unsigned short sjistoucs2(unsigned short sjis);
RKCORR_API unsigned short ucs2tosjis(unsigned short ucs2);
// Shift_JIS <-> JIS; a value outside the other code's byte ranges comes back
// unchanged.
RKCORR_API unsigned short sjistojis(unsigned short sjis);
RKCORR_API unsigned short jistosjis(unsigned short jis);
RKCORR_API unsigned short ucs2tojis(unsigned short ucs2);  // ucs2tosjis, then sjistojis
RKCORR_API unsigned short jistoucs2(unsigned short jis);   // jistosjis, then sjistoucs2

// UCS-2 width folding. Two2One uses the two-way tables when `oneway` is 0
// (only folds that One2Two undoes) and the one-way tables otherwise.
RKCORR_API unsigned short One2Two(unsigned short ucs2);
RKCORR_API unsigned short Two2One(unsigned short ucs2, int oneway);
RKCORR_API unsigned short RkTwo2One(unsigned short ucs2);

// Width tables. 0 in a UCS-2 folding table means "keep the code".
RKCORR_API extern const unsigned int nAscii[96];            // ASCII - 0x20 -> full-width Shift_JIS
RKCORR_API extern const unsigned int nKatakana[64];         // half-width kana - 0xA0 -> full-width Shift_JIS
RKCORR_API extern const unsigned short wTable1[95];         // One2Two: ASCII - 0x20
RKCORR_API extern const unsigned short wTable2[63];         // One2Two: code - 0xFF61
RKCORR_API extern const unsigned short wTable1_Twoway[77];  // Two2One: code - 0x30A1
RKCORR_API extern const unsigned short wTable1_Oneway[77];
RKCORR_API extern const unsigned short wTable2_Twoway[94];  // Two2One: code - 0xFF01
RKCORR_API extern const unsigned short wTable2_Oneway[94];
RKCORR_API extern const unsigned short wTable_Oneway1[96];  // RkTwo2One: code - 0x30A0
RKCORR_API extern const unsigned short wTable_Oneway2[96];  // RkTwo2One: code - 0xFF00

}  // namespace RKTC

// Shift_JIS <-> JIS arithmetic without any range check.
RKCORR_API unsigned short sjis2jis(unsigned short sjis);
RKCORR_API unsigned short jis2sjis(unsigned short jis);
// Shift_JIS width folding: half-width ASCII and katakana to full width, and
// back (a voiced full-width katakana loses its voicing mark).
RKCORR_API unsigned int Jmbbtombc(unsigned int sjis);
RKCORR_API unsigned int Jmbctombb(unsigned int sjis);

// Shift_JIS -> UCS-2, 0 where unmapped.
RKCORR_API extern const unsigned short g_sjistoucs2_table_01[224];   // 0x00 to 0xDF
RKCORR_API extern const unsigned short g_sjistoucs2_table_02[7872];  // 0x8140 to 0x9FFF
RKCORR_API extern const unsigned short g_sjistoucs2_table_03[2672];  // 0xE040 to 0xEAAF
RKCORR_API extern const unsigned short g_sjistoucs2_table_04[528];   // 0xFA40 to 0xFC4F
// UCS-2 -> Shift_JIS, 0 where unmapped.
RKCORR_API extern const unsigned short g_ucs2tosjis_table_01[256];    // U+0000 to U+00FF
RKCORR_API extern const unsigned short g_ucs2tosjis_table_01_2[208];  // U+0390 to U+045F
RKCORR_API extern const unsigned short g_ucs2tosjis_table_02[2160];   // U+1E00 to U+266F
RKCORR_API extern const unsigned short g_ucs2tosjis_table_03[1024];   // U+3000 to U+33FF
RKCORR_API extern const unsigned short g_ucs2tosjis_table_04[20992];  // U+4E00 to U+9FFF
RKCORR_API extern const unsigned short g_ucs2tosjis_table_05[512];    // U+F900 to U+FAFF
RKCORR_API extern const unsigned short g_ucs2tosjis_table_06[256];    // U+FF00 to U+FFFF

#endif
