// Packed-DIB helpers and the CRkBMPImage view on random DIBs: layout readers,
// creation and its failure paths, flipping, addressing and the file writer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "rkcorr/bmpimage.h"
#include "support/test_dib.h"

using rktest::TestDib;

namespace {

std::vector<BYTE> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempPath(const char* name) {
    return std::string(testing::TempDir()) + "rkcorr_" + std::to_string(getpid()) + "_" + name;
}

}  // namespace

// Random depths, colour counts, header sizes and row orders against the
// layout computed here.
TEST(Rkimg, HeaderReadersOnRandomDibs) {
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
        SCOPED_TRACE(std::to_string(bpp) + " " + std::to_string(used) + " " + std::to_string(size));
        ASSERT_EQ(RKIMG::WIDTHBYTES(bpp * w), stride);
        ASSERT_EQ(RKIMG::DIBWidth(dib.data()), w);
        ASSERT_EQ(RKIMG::DIBHeight(dib.data()), topDown ? -h : h);
        ASSERT_EQ(RKIMG::DIBBitCount(dib.data()), bpp);
        ASSERT_EQ(RKIMG::DIBCompression(dib.data()), hd.biCompression);
        ASSERT_EQ(RKIMG::IsBottomUp(dib.data()), !topDown);
        ASSERT_EQ(RKIMG::DIBNumColors(dib.data()), colors);
        ASSERT_EQ(RKIMG::PaletteSize(dib.data()), pal);
        ASSERT_EQ(RKIMG::FindPalette(dib.data()), dib.data() + size);
        ASSERT_EQ(RKIMG::DIBBits(dib.data()), dib.data() + size + pal);
        ASSERT_EQ(RKIMG::FindDIBBits(dib.data()), dib.data() + size + pal);
        ASSERT_EQ(RKIMG::DIBSize(dib.data()), size + pal + stride * h);
    }
    // The core header: 16-bit fields and 3-byte palette entries.
    std::vector<BYTE> core(12 + 768 + 16 * 4, 0);
    BITMAPCOREHEADER ch{12, 13, 4, 1, 8};
    memcpy(core.data(), &ch, sizeof ch);
    EXPECT_EQ(RKIMG::DIBWidth(core.data()) * 100 + RKIMG::DIBHeight(core.data()), 1304);
    EXPECT_EQ(RKIMG::DIBBitCount(core.data()), 8);
    EXPECT_EQ(RKIMG::DIBCompression(core.data()), 0u);
    EXPECT_TRUE(RKIMG::IsBottomUp(core.data()));
    EXPECT_EQ(RKIMG::DIBNumColors(core.data()), 256);
    EXPECT_EQ(RKIMG::DIBBits(core.data()), core.data() + 12 + 768);
    EXPECT_EQ(RKIMG::DIBSize(core.data()), core.size());
    ch.bcBitCount = 1;
    memcpy(core.data(), &ch, sizeof ch);
    EXPECT_EQ(RKIMG::PaletteSize(core.data()), 6);
}

TEST(Rkimg, ResolutionConversionsRoundTrip) {
    EXPECT_EQ(RKIMG::DPItoDPM(300), 11811u);
    EXPECT_EQ(RKIMG::DPMtoDPI(0), 0);
    for (unsigned dpi = 1; dpi < 5000; ++dpi) ASSERT_EQ(RKIMG::DPMtoDPI(RKIMG::DPItoDPM(dpi)), dpi);
}

TEST(Rkimg, CreateDibDepthsAndFailure) {
    struct Case {
        WORD asked, made, colors;
    } cases[] = {{0, 1, 2},  {1, 1, 2},   {2, 4, 16},  {4, 4, 16},  {5, 8, 256}, {8, 8, 256},
                 {9, 16, 0}, {16, 16, 0}, {17, 24, 0}, {24, 24, 0}, {32, 4, 16}};
    const unsigned live = RkTestLiveBlocks();
    for (const Case& c : cases) {
        HGLOBAL h = RKIMG::CreateDIB(11, 5, c.asked);
        BYTE* p = static_cast<BYTE*>(GlobalLock(h));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(RKIMG::DIBBitCount(p), c.made) << c.asked;
        EXPECT_EQ(RKIMG::DIBNumColors(p), c.colors) << c.asked;
        EXPECT_EQ(RKIMG::DIBWidth(p) * 100 + RKIMG::DIBHeight(p), 1105);
        EXPECT_EQ(GlobalSize(h), RKIMG::DIBSize(p));
        for (size_t i = 40; i < GlobalSize(h); ++i) ASSERT_EQ(p[i], 0) << i;
        GlobalUnlock(h);
        EXPECT_EQ(RkTestLockCount(h), 0u);
        GlobalFree(h);
    }
    RkTestFailNthAlloc(1);
    EXPECT_EQ(RKIMG::CreateDIB(8, 8, 1), 0u);
    RkTestFailNthLock(1);
    EXPECT_EQ(RKIMG::CreateDIB(8, 8, 1), 0u);
    EXPECT_EQ(RkTestLiveBlocks(), live);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

TEST(Rkimg, UpsideDownTwiceIsTheIdentity) {
    std::mt19937 rng(5);
    EXPECT_FALSE(RKIMG::UpsideDown(nullptr));
    for (int i = 0; i < 40; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, i % 2 ? 8 : 24, 40, 7);
        c.topDown = false;
        const TestDib d(c);
        std::vector<BYTE> p = d.packed(), before = p;
        ASSERT_TRUE(RKIMG::UpsideDown(p.data())) << c.name();
        const size_t off = before.size() - d.bits.size();
        EXPECT_EQ(memcmp(p.data(), before.data(), off), 0);  // header and palette untouched
        for (int y = 0; y < d.h; ++y)
            ASSERT_EQ(memcmp(p.data() + off + d.stride * y, d.stored(d.h - 1 - y), d.stride), 0) << c.name();
        ASSERT_TRUE(RKIMG::UpsideDown(p.data()));
        ASSERT_EQ(p, before);
    }
    // Empty images fail; a top-down one is left as it is.
    for (auto [w, h] : {std::pair<int, int>{0, 4}, {4, 0}}) {
        TestDib e(w, h, false, 8);
        std::vector<BYTE> p = e.packed();
        EXPECT_FALSE(RKIMG::UpsideDown(p.data()));
    }
    std::vector<BYTE> td = TestDib(rktest::DibCase{4, 3, 8, true, 0, 1}).packed(), before = td;
    RKIMG::UpsideDown(td.data());
    EXPECT_EQ(td, before);
}

TEST(BmpImage, AddressingAndConversions) {
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i) {
        const rktest::DibCase c = rktest::RandomCase(rng, i % 2 ? 1 : 8, 70, 9);
        TestDib d(c);
        CRkBMPImage img(d.header(), d.bits.data());
        EXPECT_EQ(img.CheckUpsideDown(), c.topDown ? TRUE : FALSE);
        EXPECT_EQ(img.GetLineByteSize(), d.stride);
        EXPECT_EQ(img.GetImageBufSize(), d.bits.size());
        EXPECT_EQ(img.GetXResolution() * 1000 + img.GetYResolution(), 300200);
        for (int y = 0; y < d.h; ++y) ASSERT_EQ(img.GetLineData(y), d.row(y)) << c.name();
        for (auto r : {img.GetRkImgRect(), img.GetLNImgRect()})
            EXPECT_EQ(r.right * 1000 + r.bottom, (d.w - 1) * 1000 + d.h - 1);
        EXPECT_EQ(img.GetRGBQUAD(d.colors() - 1).rgbRed, d.palette()[d.colors() - 1].rgbRed);
        EXPECT_EQ(CRkBMPImage(d.header(), d.bits.data(), 1234).GetImageBufSize(), 1234u);
    }
    TestDib dib(8, 8);
    dib.header()->biYPelsPerMeter = 2834;  // 72 dpi; x is 300 dpi
    CRkBMPImage img(dib.header(), dib.bits.data());
    EXPECT_EQ(img.GetXDot(10), 120);
    EXPECT_EQ(img.GetDotY(10), 28);
    EXPECT_EQ(img.MMtoDOT(10, 1) * 1000 + img.MMtoDOT(10, 0), 120028);
    EXPECT_EQ(img.POINTtoDOT(12, 1) * 1000 + img.POINTtoDOT(12, 0), 50012);
    EXPECT_EQ(img.GetXDot(65535), static_cast<WORD>(65535u * 300u / 25u));  // cut to 16 bits
    EXPECT_EQ(img.POINTtoDOT(65535, 1), static_cast<short>(65535 * 300 / 72));
    EXPECT_EQ(img.DPMtoDPI(2834), 72);
}

namespace {
struct ProgressView : CRkBMPImage {
    using CRkBMPImage::CRkBMPImage;
    CRkProgress* progress() const { return m_pProgress; }
    const CRkProgress* defaultProgress() const { return &m_DefaultProgress; }
};
}  // namespace

// A copy points at its own default object, never at the source's.
TEST(BmpImage, ProgressObjects) {
    EXPECT_EQ(CRkProgress().SendProgress(5), 1);
    TestDib dib(8, 8);
    ProgressView img(dib.header(), dib.bits.data());
    EXPECT_EQ(img.progress(), img.defaultProgress());
    CRkProgress other;
    img.ReplaceProgressObj(&other);
    EXPECT_EQ(ProgressView(img).progress(), &other);
    img.SetDefaultProgressObj();
    ProgressView copy(img);
    EXPECT_EQ(copy.progress(), copy.defaultProgress());
    img.ReplaceProgressObj(nullptr);
    EXPECT_EQ(img.progress(), img.defaultProgress());
}

// Both storage orders of one picture give byte-identical upright files.
TEST(BmpImage, OutputFileLayoutAndStorageOrder) {
    std::mt19937 rng(99);
    for (int i = 0; i < 12; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, i % 2 ? 1 : 8, 70, 9);
        c.topDown = false;
        TestDib bottomUp(c), topDown(c.width, c.height, true, c.bpp);
        for (int y = 0; y < c.height; ++y) memcpy(topDown.row(y), bottomUp.row(y), bottomUp.stride);
        std::string p1 = TempPath("bu.bmp"), p2 = TempPath("td.bmp");
        ASSERT_TRUE(CRkBMPImage(bottomUp.header(), bottomUp.bits.data()).OutputBMPImage(p1.c_str()));
        ASSERT_TRUE(CRkBMPImage(topDown.header(), topDown.bits.data()).OutputBMPImage(p2.c_str()));
        const std::vector<BYTE> f = ReadFile(p1), packed = bottomUp.packed();
        EXPECT_EQ(f, ReadFile(p2)) << c.name();
        ASSERT_EQ(f.size(), 14 + packed.size());
        BITMAPFILEHEADER fh;
        memcpy(&fh, f.data(), sizeof fh);
        EXPECT_EQ(WORD(fh.bfType), 0x4D42);  // copies: the packed fields are misaligned
        EXPECT_EQ(DWORD(fh.bfSize), f.size());
        EXPECT_EQ(fh.bfReserved1 + fh.bfReserved2, 0);
        EXPECT_EQ(DWORD(fh.bfOffBits), f.size() - bottomUp.bits.size());
        EXPECT_TRUE(std::equal(packed.begin(), packed.end(), f.begin() + 14)) << c.name();
        unlink(p1.c_str());
        unlink(p2.c_str());
    }
}

TEST(BmpImage, OutputWithoutPaletteAndFailures) {
    TestDib dib(9, 2, false, 1, 0);  // biClrUsed 0: no palette written
    dib.bits[0] = 0xA5;
    CRkBMPImage img(dib.header(), dib.bits.data());
    std::string p = TempPath("nopal.bmp");
    ASSERT_TRUE(img.OutputBMPImage(p.c_str()));
    std::vector<BYTE> f = ReadFile(p);
    ASSERT_EQ(f.size(), 54u + 8u);
    EXPECT_EQ(f[10], 54);
    EXPECT_EQ(f[54], 0xA5);
    unlink(p.c_str());
    EXPECT_FALSE(img.OutputBMPImage("/nonexistent-dir/sub/x.bmp"));
    EXPECT_FALSE(img.OutputBMPImage(testing::TempDir().c_str()));  // a directory
    EXPECT_FALSE(img.OutputBMPImage(nullptr));
}
