// Half-width <-> full-width folding: round trips where they hold, and the
// one-way folds where they do not.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "rkcorr/charcode.h"

TEST(WidthConvert, ShiftJisHalfWidthRoundTrips) {
    std::set<unsigned> full;
    for (unsigned c = 0; c <= 0x1FFFF; ++c) {
        const unsigned f = Jmbbtombc(c);
        if ((c >= 0x21 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDF)) {
            ASSERT_GE(f, 0x8140u) << std::hex << c;
            ASSERT_NE(RKTC::sjistoucs2(static_cast<unsigned short>(f)), 0) << std::hex << c;
            ASSERT_EQ(Jmbctombb(f), c) << std::hex << c;
            full.insert(f);
        } else {
            ASSERT_EQ(f, c) << std::hex << c;
        }
    }
    EXPECT_EQ(full.size(), 94u + 63u);
}

TEST(WidthConvert, ShiftJisFullWidthOneWayFolds) {
    unsigned one_way = 0;
    for (unsigned c = 0; c <= 0x1FFFF; ++c) {
        const unsigned h = Jmbctombb(c);
        if (c < 0x8140 || c > 0x8396) {
            ASSERT_EQ(h, c) << std::hex << c;
            continue;
        }
        if (h == c || Jmbbtombc(h) == c) continue;
        // A voiced katakana: it folds to the half-width form of its unvoiced sound,
        // one or two codes below it in UCS-2 (or the plain form of a rare kana).
        ++one_way;
        ASSERT_GE(c, 0x8340u) << std::hex << c;
        const unsigned u = RKTC::sjistoucs2(static_cast<unsigned short>(c));
        const unsigned base = RKTC::sjistoucs2(static_cast<unsigned short>(Jmbbtombc(h)));
        ASSERT_TRUE((u - base == 1 || u - base == 2) || c >= 0x838E) << std::hex << c;
    }
    EXPECT_EQ(one_way, 31u);
}

TEST(WidthConvert, Ucs2TwoWayFoldIsTheExactInverseOfOne2Two) {
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const auto code = static_cast<unsigned short>(u);
        const unsigned short f = RKTC::One2Two(code);
        if (f != u) {
            ASSERT_EQ(RKTC::Two2One(f, 0), u) << std::hex << u;
            ASSERT_EQ(RKTC::Two2One(f, 1), u) << std::hex << u;
        }
        const unsigned short h = RKTC::Two2One(code, 0);
        if (h != u) {
            ASSERT_EQ(RKTC::One2Two(h), u) << std::hex << u;
        }
    }
}

TEST(WidthConvert, Ucs2OneWayFoldsOnlyWhatTwoWayKeeps) {
    // Voiced (+1) and semi-voiced (+2) katakana fold like their unvoiced sound.
    std::map<unsigned, unsigned> voiced;
    for (unsigned v : {0x30AC, 0x30AE, 0x30B0, 0x30B2, 0x30B4, 0x30B6, 0x30B8, 0x30BA, 0x30BC, 0x30BE,
                       0x30C0, 0x30C2, 0x30C5, 0x30C7, 0x30C9, 0x30D0, 0x30D3, 0x30D6, 0x30D9, 0x30DC})
        voiced[v] = v - 1;
    for (unsigned v : {0x30D1, 0x30D4, 0x30D7, 0x30DA, 0x30DD}) voiced[v] = v - 2;
    const std::map<unsigned, unsigned> others = {{0xFF02, 0x22},   {0xFF07, 0x27},   {0xFF40, 0x60},
                                                 {0x30F4, 0xFF73}, {0x2010, 0xFF70}, {0x201A, 0x2C},
                                                 {0x201B, 0x27},   {0x201C, 0x22},   {0x201F, 0x22}};
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const auto code = static_cast<unsigned short>(u);
        const unsigned short two = RKTC::Two2One(code, 0), one = RKTC::Two2One(code, 7);
        if (voiced.count(u)) {
            ASSERT_EQ(two, u);
            ASSERT_EQ(one, RKTC::Two2One(static_cast<unsigned short>(voiced[u]), 0)) << std::hex << u;
        } else if (others.count(u)) {
            ASSERT_EQ(two, u);
            ASSERT_EQ(one, others.at(u)) << std::hex << u;
        } else {
            ASSERT_EQ(one, two) << std::hex << u;
        }
    }
}

TEST(WidthConvert, RkTwo2OneDiffersFromOneWayTwo2OneOnlyWhereDocumented) {
    const unsigned keep = 0x10000;
    const std::map<unsigned, unsigned> diff = {
        {0x30EE, 0xFF9C}, {0x30F0, 0xFF72}, {0x30F1, 0xFF74}, {0x30F5, 0xFF76}, {0x30F6, 0xFF79},
        {0xFFE5, 0x5C},   {0xFFE3, 0x7E},   {0xFF3C, keep},   {0xFF5E, keep},   {0xFF02, keep},
        {0xFF07, keep},   {0xFF40, keep},   {0xFFE0, keep},   {0xFFE1, keep},   {0x3000, keep},
        {0x2010, keep},   {0x201A, keep},   {0x201B, keep},   {0x201C, keep},   {0x201F, keep}};
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const auto code = static_cast<unsigned short>(u);
        const auto it = diff.find(u);
        const unsigned want = it == diff.end() ? RKTC::Two2One(code, 1) : it->second == keep ? u : it->second;
        ASSERT_EQ(RKTC::RkTwo2One(code), want) << std::hex << u;
    }
}
