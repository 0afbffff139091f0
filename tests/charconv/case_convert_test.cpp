// Case converters: blocks and round trips over every code, and the Turkish
// letters (the mappings themselves are checked against Python in the oracle test).
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "rkcorr/charconvert.h"

namespace {

bool in_blocks(unsigned c) {
    return (c >= 0x40 && c <= 0x7F) || (c >= 0xC0 && c <= 0x2AF) || (c >= 0x380 && c <= 0x58F) ||
           (c >= 0x1E00 && c <= 0x1FFF);
}

}  // namespace

TEST(CaseConvert, RoundTripsExceptTheOneWayLetters) {
    CSmallToCapital up;
    CCapitalToSmall down;
    // Capitals whose small form has another capital, and small letters whose
    // capital has no small form in the tables.
    const std::set<unsigned> up_one_way = {0x0131, 0x1FB3, 0x1FC3, 0x1FF3};
    const std::set<unsigned> down_one_way = {0x0130, 0x01C5, 0x01C8, 0x01CB};
    unsigned pairs = 0;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const auto code = static_cast<unsigned short>(c);
        const unsigned short u = up.Convert(code), d = down.Convert(code);
        if (!in_blocks(c)) {
            ASSERT_EQ(u, c);
            ASSERT_EQ(d, c);
            continue;
        }
        ASSERT_TRUE(u == c || d == c) << std::hex << c;  // no code is both small and capital
        ASSERT_TRUE(in_blocks(u) && in_blocks(d)) << std::hex << c;
        if (u != c) {
            ++pairs;
            ASSERT_EQ(down.Convert(u) == c, !up_one_way.count(c)) << std::hex << c;
        }
        if (d != c) {
            ASSERT_EQ(up.Convert(d) == c, !down_one_way.count(c)) << std::hex << c;
        }
    }
    EXPECT_GT(pairs, 500u);
}

TEST(CaseConvert, TurkishVariantsDifferInOneLetterOnly) {
    std::unique_ptr<ICharConvert> up(new CSmallToCapital), down(new CCapitalToSmall);
    std::unique_ptr<ICharConvert> up_tr(new CSmallToCapitalTR), down_tr(new CCapitalToSmallTR);
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const auto code = static_cast<unsigned short>(c);
        ASSERT_EQ(up_tr->Convert(code), c == 0x69 ? 0x130 : up->Convert(code)) << std::hex << c;
        ASSERT_EQ(down_tr->Convert(code), c == 0x49 ? 0x131 : down->Convert(code)) << std::hex << c;
    }
    EXPECT_EQ(up_tr->Convert(0x131), 0x49);
    EXPECT_EQ(down_tr->Convert(0x130), 0x69);
}
