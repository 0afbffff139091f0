// Code, width and case conversions over every code: Shift_JIS, JIS and UCS-2 inverses and range checks, width
// folds and their one-way exceptions, the Turkish case variants. The tables' contents: the oracle test.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "rkcorr/charcode.h"
#include "rkcorr/charconvert.h"

namespace {

bool valid_sjis(unsigned c) {
    const unsigned lead = c >> 8, trail = c & 0xFF;
    return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xEF)) && trail >= 0x40 &&
           trail <= 0xFC && trail != 0x7F;
}

bool valid_jis(unsigned j) {
    return (j >> 8) >= 0x21 && (j >> 8) <= 0x7E && (j & 0xFF) >= 0x21 && (j & 0xFF) <= 0x7E;
}

// JIS of a valid Shift_JIS code by position: 188 trail bytes cover two rows.
unsigned reference_jis(unsigned c) {
    const unsigned lead = c >> 8, trail = c & 0xFF;
    const unsigned l = lead < 0xA0 ? lead - 0x81 : lead - 0xC1,
                   t = trail < 0x7F ? trail - 0x40 : trail - 0x41;
    return ((0x21 + 2 * l + t / 94) << 8) | (0x21 + t % 94);
}

// Code conversions: inverses and range checks. Case: outside the four blocks (checked against the Unicode
// database in the oracle test) nothing changes, and the Turkish variants differ from the plain ones in one
// letter each.
TEST(CodeConvert, InversesRangeChecksAndCaseOnEveryCode) {
    CSmallToCapital up;
    CCapitalToSmall down;
    CSmallToCapitalTR up_tr;
    CCapitalToSmallTR down_tr;
    ICharConvert* const turkish[] = {&up_tr, &down_tr};
    unsigned mapped = 0, reverse = 0, through_jis = 0;
    for (unsigned c = 1; c <= 0xFFFF; ++c) {
        const auto code = static_cast<unsigned short>(c);
        const bool in_blocks = (c >= 0x40 && c <= 0x7F) || (c >= 0xC0 && c <= 0x2AF) ||
                               (c >= 0x380 && c <= 0x58F) || (c >= 0x1E00 && c <= 0x1FFF);
        ASSERT_TRUE(in_blocks || (up.Convert(code) == c && down.Convert(code) == c)) << std::hex << c;
        ASSERT_EQ(turkish[0]->Convert(code), c == 0x69 ? 0x130 : up.Convert(code)) << std::hex << c;
        ASSERT_EQ(turkish[1]->Convert(code), c == 0x49 ? 0x131 : down.Convert(code)) << std::hex << c;
        const unsigned short u = RKTC::sjistoucs2(code), s = RKTC::ucs2tosjis(code);
        ASSERT_TRUE((!u || RKTC::ucs2tosjis(u) == c) && (!s || RKTC::sjistoucs2(s) == c)) << std::hex << c;
        mapped += u != 0, reverse += s != 0;
        const unsigned short j = RKTC::sjistojis(code), back = RKTC::jistosjis(code),
                             uj = RKTC::ucs2tojis(code);
        ASSERT_EQ(j, valid_sjis(c) ? reference_jis(c) : c) << std::hex << c;
        ASSERT_TRUE(!valid_sjis(c) || (sjis2jis(code) == j && jis2sjis(j) == c)) << std::hex << c;
        ASSERT_TRUE(!valid_jis(c) || jis2sjis(code) == back) << std::hex << c;
        ASSERT_TRUE(valid_jis(c) ? valid_sjis(back) && RKTC::sjistojis(back) == c : back == c)
            << std::hex << c;
        // The composed forms: single bytes, IBM extensions and 0 pass unchanged.
        through_jis += valid_sjis(s);
        ASSERT_TRUE(valid_sjis(s) ? valid_jis(uj) && RKTC::jistoucs2(uj) == c : uj == s) << std::hex << c;
    }
    // Through JIS: all but the single bytes and the IBM extensions.
    EXPECT_EQ(std::tie(mapped, reverse, through_jis), std::make_tuple(7516u, 7516u, 7516u - 190u - 373u));
}

// Shift_JIS widths: a single byte widens to a mapped code that narrows back; only 0x8140..0x8396 narrow, and
// one way only the voiced katakana (to their unvoiced sound, one or two codes below in UCS-2) and rare kana.
TEST(WidthConvert, ShiftJisRoundTripsAndOneWayFolds) {
    unsigned one_way = 0;
    for (unsigned c = 0; c <= 0x1FFFF; ++c) {
        const unsigned f = Jmbbtombc(c), h = Jmbctombb(c);
        if ((c >= 0x21 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDF))
            ASSERT_TRUE(f >= 0x8140u && RKTC::sjistoucs2(static_cast<unsigned short>(f)) && Jmbctombb(f) == c)
                << std::hex << c;
        else
            ASSERT_EQ(f, c) << std::hex << c;
        ASSERT_TRUE((c >= 0x8140 && c <= 0x8396) || h == c) << std::hex << c;
        if (h == c || Jmbbtombc(h) == c) continue;
        ++one_way;
        const unsigned u = RKTC::sjistoucs2(static_cast<unsigned short>(c)),
                       base = RKTC::sjistoucs2(static_cast<unsigned short>(Jmbbtombc(h)));
        ASSERT_TRUE(c >= 0x8340u && (u - base == 1 || u - base == 2 || c >= 0x838E)) << std::hex << c;
    }
    EXPECT_EQ(one_way, 31u);
}

// UCS-2 widths: One2Two and Two2One undo each other; the one-way folds differ from the two-way ones where
// listed (voiced (+1) and semi-voiced (+2) katakana fold like their unvoiced sound), and RkTwo2One from the
// one-way ones where listed (0: unchanged).
TEST(WidthConvert, Ucs2FoldsAndTheirDocumentedExceptions) {
    std::map<unsigned, unsigned> one_way = {{0xFF02, 0x22},   {0xFF07, 0x27},   {0xFF40, 0x60},
                                            {0x30F4, 0xFF73}, {0x2010, 0xFF70}, {0x201A, 0x2C},
                                            {0x201B, 0x27},   {0x201C, 0x22},   {0x201F, 0x22}};
    for (unsigned v : {0x30AC, 0x30AE, 0x30B0, 0x30B2, 0x30B4, 0x30B6, 0x30B8, 0x30BA, 0x30BC, 0x30BE,
                       0x30C0, 0x30C2, 0x30C5, 0x30C7, 0x30C9, 0x30D0, 0x30D3, 0x30D6, 0x30D9, 0x30DC})
        one_way[v] = RKTC::Two2One(static_cast<unsigned short>(v - 1), 0);
    for (unsigned v : {0x30D1, 0x30D4, 0x30D7, 0x30DA, 0x30DD})
        one_way[v] = RKTC::Two2One(static_cast<unsigned short>(v - 2), 0);
    const std::map<unsigned, unsigned> rk = {
        {0x30EE, 0xFF9C}, {0x30F0, 0xFF72}, {0x30F1, 0xFF74}, {0x30F5, 0xFF76}, {0x30F6, 0xFF79},
        {0xFFE5, 0x5C},   {0xFFE3, 0x7E},   {0xFF3C, 0},      {0xFF5E, 0},      {0xFF02, 0},
        {0xFF07, 0},      {0xFF40, 0},      {0xFFE0, 0},      {0xFFE1, 0},      {0x3000, 0},
        {0x2010, 0},      {0x201A, 0},      {0x201B, 0},      {0x201C, 0},      {0x201F, 0}};
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const auto code = static_cast<unsigned short>(u);
        const unsigned short f = RKTC::One2Two(code), two = RKTC::Two2One(code, 0),
                             one = RKTC::Two2One(code, 7);
        ASSERT_TRUE(f == u || (RKTC::Two2One(f, 0) == u && RKTC::Two2One(f, 1) == u)) << std::hex << u;
        ASSERT_TRUE(two == u || RKTC::One2Two(two) == u) << std::hex << u;
        const auto ow = one_way.find(u);
        ASSERT_EQ(one, ow == one_way.end() ? two : ow->second) << std::hex << u;
        ASSERT_TRUE(ow == one_way.end() || two == u) << std::hex << u;
        const auto it = rk.find(u);
        ASSERT_EQ(RKTC::RkTwo2One(code), it == rk.end() ? one : it->second ? it->second : u) << std::hex << u;
    }
}

}  // namespace
