// Shift_JIS, JIS and UCS-2 conversions over every 16-bit code.
#include <gtest/gtest.h>

#include "rkcorr/charcode.h"

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
    const unsigned l = lead < 0xA0 ? lead - 0x81 : lead - 0xC1;
    const unsigned t = trail < 0x7F ? trail - 0x40 : trail - 0x41;
    return ((0x21 + 2 * l + t / 94) << 8) | (0x21 + t % 94);
}

}  // namespace

TEST(CodeConvert, SjisAndUcs2AreExactInversesOn7516Codes) {
    unsigned mapped = 0, reverse_mapped = 0;
    for (unsigned c = 1; c <= 0xFFFF; ++c) {
        const unsigned short u = RKTC::sjistoucs2(static_cast<unsigned short>(c));
        if (u) {
            ++mapped;
            ASSERT_EQ(RKTC::ucs2tosjis(u), c) << std::hex << c;
        }
        const unsigned short s = RKTC::ucs2tosjis(static_cast<unsigned short>(c));
        if (s) {
            ++reverse_mapped;
            ASSERT_EQ(RKTC::sjistoucs2(s), c) << std::hex << c;
        }
    }
    EXPECT_EQ(mapped, 7516u);
    EXPECT_EQ(reverse_mapped, 7516u);
    EXPECT_EQ(RKTC::sjistoucs2(0), 0);
    EXPECT_EQ(RKTC::ucs2tosjis(0), 0);
}

TEST(CodeConvert, JisConversionsCheckTheirRanges) {
    unsigned jis_codes = 0;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const auto code = static_cast<unsigned short>(c);
        const unsigned short j = RKTC::sjistojis(code);
        if (valid_sjis(c)) {
            ASSERT_EQ(j, reference_jis(c)) << std::hex << c;
            ASSERT_EQ(sjis2jis(code), j);
            ASSERT_EQ(jis2sjis(j), c);
        } else {
            ASSERT_EQ(j, c) << std::hex << c;
        }
        const unsigned short s = RKTC::jistosjis(code);
        if (valid_jis(c)) {
            ++jis_codes;
            ASSERT_TRUE(valid_sjis(s)) << std::hex << c;
            ASSERT_EQ(RKTC::sjistojis(s), c);
            ASSERT_EQ(jis2sjis(code), s);
        } else {
            ASSERT_EQ(s, c) << std::hex << c;
        }
    }
    EXPECT_EQ(jis_codes, 94u * 94u);
}

TEST(CodeConvert, ComposedFunctionsInheritTheChecks) {
    unsigned through_jis = 0;
    for (unsigned u = 1; u <= 0xFFFF; ++u) {
        const auto code = static_cast<unsigned short>(u);
        const unsigned short s = RKTC::ucs2tosjis(code);
        const unsigned short j = RKTC::ucs2tojis(code);
        if (valid_sjis(s)) {
            ++through_jis;
            ASSERT_TRUE(valid_jis(j)) << std::hex << u;
            ASSERT_EQ(RKTC::jistoucs2(j), u) << std::hex << u;
        } else {
            ASSERT_EQ(j, s) << std::hex << u;  // single bytes, IBM extensions and 0 pass unchanged
        }
    }
    EXPECT_EQ(through_jis, 7516u - 190u - 373u);  // less single bytes and IBM extensions
}
