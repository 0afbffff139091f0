// Packed-DIB helpers and the CRkBMPImage view: layout readers, creation, flipping, conversions, file writer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "rkcorr/bmpimage.h"
#include "support/test_dib.h"

using rktest::TestDib;

namespace {

// The file OutputBMPImage writes for the image, or {} when it fails.
std::vector<BYTE> Written(const CRkBMPImage& img) {
    const std::string path = testing::TempDir() + "rkcorr_" + std::to_string(getpid()) + ".bmp";
    if (!img.OutputBMPImage(path.c_str())) return {};
    std::ifstream in(path, std::ios::binary);
    std::vector<BYTE> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(path.c_str());
    return f;
}

// Everything the layout readers say of a packed DIB.
std::vector<long> Layout(const BYTE* p) {
    return {RKIMG::DIBWidth(p),     RKIMG::DIBHeight(p),
            RKIMG::DIBBitCount(p),  long(RKIMG::DIBCompression(p)),
            RKIMG::IsBottomUp(p),   RKIMG::DIBNumColors(p),
            RKIMG::PaletteSize(p),  RKIMG::FindPalette(p) - p,
            RKIMG::DIBBits(p) - p,  RKIMG::FindDIBBits(p) - p,
            long(RKIMG::DIBSize(p))};
}

// Layout readers on random info headers and a core header (16-bit fields, 3-byte entries); the bit
// counts CreateDIB rounds to; dpi round trips.
TEST(Bitmap, HeaderReadersAndCreateDib) {
    std::mt19937 rng(3);
    for (int i = 0; i < 500; ++i) {
        const int bpp = std::vector<int>{1, 4, 8, 16, 24, 32}[rng() % 6], w = 1 + rng() % 70,
                  h = 1 + rng() % 9;
        const DWORD size = std::vector<DWORD>{40, 108, 124}[rng() % 3],
                    used = rng() % 3 ? 0 : rng() % 0x30000;
        const bool topDown = rng() % 2;
        const int colors = used ? used & 0xFFFF : bpp <= 8 ? 1 << bpp : 0, pal = WORD(4 * colors);
        const DWORD stride = (bpp * w + 31) / 32 * 4;
        std::vector<BYTE> dib(size + 4 * 65536 + stride * h);
        BITMAPINFOHEADER hd{size, w, topDown ? -h : h, 1, WORD(bpp), DWORD(rng() % 4), 0, 0, 0, used, 0};
        memcpy(dib.data(), &hd, sizeof hd);
        ASSERT_EQ(RKIMG::WIDTHBYTES(bpp * w), stride);
        ASSERT_EQ(Layout(dib.data()),
                  (std::vector<long>{w, topDown ? -h : h, bpp, hd.biCompression, !topDown, colors, pal, size,
                                     size + pal, size + pal, size + pal + stride * h}))
            << bpp << " " << used << " " << size;
    }
    std::vector<BYTE> core(12 + 768 + 16 * 4, 0);
    BITMAPCOREHEADER ch{12, 13, 4, 1, 8};
    memcpy(core.data(), &ch, sizeof ch);
    EXPECT_EQ(Layout(core.data()),
              (std::vector<long>{13, 4, 8, 0, 1, 256, 768, 12, 780, 780, long(core.size())}));
    core[10] = 1;  // 1 bit: two 3-byte entries
    EXPECT_EQ(RKIMG::PaletteSize(core.data()), 6);
    const WORD depths[][2] = {{0, 1},  {1, 1},   {2, 4},   {4, 4},   {5, 8}, {8, 8},
                              {9, 16}, {16, 16}, {17, 24}, {24, 24}, {32, 4}};  // asked, made
    const unsigned live = RkTestLiveBlocks();
    for (const auto& [asked, made] : depths) {
        HGLOBAL h = RKIMG::CreateDIB(11, 5, asked);
        const BYTE* p = static_cast<const BYTE*>(GlobalLock(h));
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(RKIMG::DIBWidth(p) == 11 && RKIMG::DIBHeight(p) == 5 && RKIMG::DIBBitCount(p) == made &&
                    RKIMG::DIBSize(p) == GlobalSize(h))
            << asked;
        EXPECT_TRUE(std::all_of(p + 40, p + GlobalSize(h), [](BYTE v) { return v == 0; })) << asked;
        GlobalUnlock(h), GlobalFree(h);
    }
    EXPECT_EQ(RkTestLiveBlocks(), live);
    for (unsigned dpi = 1; dpi < 5000; ++dpi) ASSERT_EQ(RKIMG::DPMtoDPI(RKIMG::DPItoDPM(dpi)), dpi);
    EXPECT_EQ(RKIMG::DPItoDPM(300) * 10 + RKIMG::DPMtoDPI(0), 118110u);
}

// Twice is the identity, header and palette untouched; empty images fail, top-down ones stay.
TEST(Bitmap, UpsideDownFlipsStoredRows) {
    std::mt19937 rng(5);
    EXPECT_FALSE(RKIMG::UpsideDown(nullptr));
    for (int i = 0; i < 40; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, i % 2 ? 8 : 24, 40, 7);
        c.topDown = i % 10 == 0;
        if (i % 10 == 5) c.width = 1;  // one column still flips
        const TestDib d(c);
        std::vector<BYTE> p = d.packed(), before = p;
        ASSERT_EQ(RKIMG::UpsideDown(p.data()), c.topDown ? FALSE : TRUE) << c.name();
        const size_t off = before.size() - d.bits.size();
        for (int y = 0; y < d.h; ++y)
            ASSERT_EQ(memcmp(p.data() + off + d.stride * y, d.stored(c.topDown ? y : d.h - 1 - y), d.stride),
                      0);
        ASSERT_EQ(memcmp(p.data(), before.data(), off), 0);
        RKIMG::UpsideDown(p.data());
        ASSERT_EQ(p, before);
    }
    for (int w : {0, 4}) EXPECT_FALSE(RKIMG::UpsideDown(TestDib(w, 4 - w, false, 8).packed().data()));
}

struct ProgressView : CRkBMPImage {
    using CRkBMPImage::CRkBMPImage;
    bool own() const { return m_pProgress == &m_DefaultProgress; }
};

// Dot conversions cut to 16 bits; a copy reports to its own default progress object unless the source
// had another one installed.
TEST(Bitmap, ConversionsAndProgress) {
    TestDib dib(8, 8);
    dib.header()->biYPelsPerMeter = 2834;  // 72 dpi; x is 300 dpi
    ProgressView img(dib.header(), dib.bits.data());
    EXPECT_EQ(img.GetXDot(10) * 1000 + img.GetDotY(10), 120028);
    EXPECT_EQ(img.MMtoDOT(10, 1) * 1000 + img.MMtoDOT(10, 0), 120028);
    EXPECT_EQ(img.POINTtoDOT(12, 1) * 1000 + img.POINTtoDOT(12, 0), 50012);
    EXPECT_EQ(img.GetXDot(65535), static_cast<WORD>(65535u * 300u / 25u));
    EXPECT_EQ(img.POINTtoDOT(65535, 1), static_cast<short>(65535 * 300 / 72));
    CRkProgress other;
    EXPECT_TRUE(img.own());
    img.ReplaceProgressObj(&other);
    EXPECT_FALSE(ProgressView(img).own());
    img.SetDefaultProgressObj();
    EXPECT_TRUE(ProgressView(img).own());
    img.ReplaceProgressObj(nullptr);
    EXPECT_TRUE(img.own());
}

// Both row orders give the same upright file; no palette, widths <= 0 and bad paths.
TEST(Bitmap, OutputFiles) {
    std::mt19937 rng(99);
    for (int i = 0; i < 12; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, i % 2 ? 1 : 8, 70, 9);
        c.topDown = false;
        TestDib bottomUp(c), topDown(c.width, c.height, true, c.bpp);
        for (int y = 0; y < c.height; ++y) memcpy(topDown.row(y), bottomUp.row(y), bottomUp.stride);
        const std::vector<BYTE> f = Written(CRkBMPImage(bottomUp.header(), bottomUp.bits.data())),
                                packed = bottomUp.packed();
        EXPECT_EQ(f, Written(CRkBMPImage(topDown.header(), topDown.bits.data()))) << c.name();
        const DWORD head[] = {DWORD(14 + packed.size()), 0, DWORD(14 + packed.size() - bottomUp.bits.size())};
        std::vector<BYTE> want{'B', 'M'};  // size, reserved, offset of the rows; then the packed DIB
        want.insert(want.end(), reinterpret_cast<const BYTE*>(head), reinterpret_cast<const BYTE*>(head + 3));
        want.insert(want.end(), packed.begin(), packed.end());
        EXPECT_EQ(f, want) << c.name();
    }
    TestDib dib(9, 2, false, 1, 0);  // biClrUsed 0: no palette written
    dib.bits[0] = 0xA5;
    CRkBMPImage img(dib.header(), dib.bits.data());
    const std::vector<BYTE> f = Written(img);
    ASSERT_EQ(f.size(), 54u + 8u);
    EXPECT_EQ(f[10] * 1000 + f[54], 54 * 1000 + 0xA5);
    const std::string dir = testing::TempDir();  // a directory
    for (const char* path : {"/nonexistent-dir/sub/x.bmp", dir.c_str(), (const char*)nullptr})
        EXPECT_FALSE(img.OutputBMPImage(path));
    // Widths <= 0: headers and palette, no row; the size field takes the (negative) row size.
    for (LONG width : {0, -100}) {
        TestDib d(16, 3, false, 8);
        d.header()->biWidth = width;
        const std::vector<BYTE> h = Written(CRkBMPImage(d.header(), d.bits.data(), DWORD(d.bits.size())));
        ASSERT_EQ(h.size(), 1078u) << width;
        DWORD size;
        memcpy(&size, h.data() + 2, 4);
        EXPECT_EQ(size, width ? 1078u - 3 * 96 : 1078u);
    }
}

}  // namespace
