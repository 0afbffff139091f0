// Packed-DIB helpers and the CRkBMPImage view: layout readers, creation and its
// failure paths, flipping, row addressing, conversions and the file writer.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bw_fixture.h"
#include "rkcorr/bmpimage.h"
#include "rkcorr/platform_memory.h"

namespace {

std::vector<BYTE> InfoDib(int width, int height, int bpp, DWORD clrUsed, DWORD size = 40) {
    std::vector<BYTE> dib(124 + 1024 + RKIMG::WIDTHBYTES(bpp * std::abs(width)) * std::abs(height), 0);
    BITMAPINFOHEADER h{};
    h.biSize = size;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bpp);
    h.biCompression = 3;
    h.biClrUsed = clrUsed;
    memcpy(dib.data(), &h, sizeof h);
    return dib;
}

std::vector<BYTE> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempPath(const char* name) {
    return std::string(testing::TempDir()) + "rkcorr_" + std::to_string(getpid()) + "_" + name;
}

template <class V>
V At(const std::vector<BYTE>& b, size_t off) {
    V v;
    memcpy(&v, b.data() + off, sizeof v);
    return v;
}

}  // namespace

TEST(Rkimg, HeaderReaders) {
    EXPECT_EQ(RKIMG::WIDTHBYTES(0), 0u);
    EXPECT_EQ(RKIMG::WIDTHBYTES(1), 4u);
    EXPECT_EQ(RKIMG::WIDTHBYTES(32), 4u);
    EXPECT_EQ(RKIMG::WIDTHBYTES(33), 8u);

    auto d24 = InfoDib(10, -7, 24, 0);
    EXPECT_EQ(RKIMG::DIBWidth(d24.data()), 10);
    EXPECT_EQ(RKIMG::DIBHeight(d24.data()), -7);
    EXPECT_EQ(RKIMG::DIBBitCount(d24.data()), 24);
    EXPECT_EQ(RKIMG::DIBCompression(d24.data()), 3u);
    EXPECT_FALSE(RKIMG::IsBottomUp(d24.data()));
    EXPECT_EQ(RKIMG::PaletteSize(d24.data()), 0);
    EXPECT_EQ(RKIMG::DIBBits(d24.data()), d24.data() + 40);
    EXPECT_EQ(RKIMG::DIBSize(d24.data()), 40u + 32u * 7u);

    auto d1 = InfoDib(9, 3, 1, 0);
    EXPECT_TRUE(RKIMG::IsBottomUp(d1.data()));
    EXPECT_EQ(RKIMG::PaletteSize(d1.data()), 8);
    EXPECT_EQ(RKIMG::FindPalette(d1.data()), d1.data() + 40);
    EXPECT_EQ(RKIMG::FindDIBBits(d1.data()), d1.data() + 48);
    EXPECT_EQ(RKIMG::DIBSize(d1.data()), 40u + 8u + 4u * 3u);

    // Colours: biClrUsed when set (its low 16 bits), else 2^bpp up to 8 bits.
    struct { int bpp; DWORD used; int colors; } colors[] = {
        {24, 0, 0}, {1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {8, 17, 17}, {8, 0x10005, 5}};
    for (const auto& c : colors) {
        auto d = InfoDib(5, 2, c.bpp, c.used);
        EXPECT_EQ(RKIMG::DIBNumColors(d.data()), c.colors) << c.bpp << " " << c.used;
        EXPECT_EQ(RKIMG::PaletteSize(d.data()), 4 * c.colors);
    }
    // The extended headers read like the info header.
    for (DWORD size : {108u, 124u}) {
        auto d = InfoDib(5, -2, 8, 0, size);
        EXPECT_EQ(RKIMG::DIBHeight(d.data()), -2);
        EXPECT_EQ(RKIMG::DIBBits(d.data()), d.data() + size + 1024);
    }
    // The core header: 16-bit fields and 3-byte palette entries.
    std::vector<BYTE> core(12 + 768 + 16 * 4, 0);
    BITMAPCOREHEADER ch{12, 13, 4, 1, 8};
    memcpy(core.data(), &ch, sizeof ch);
    EXPECT_EQ(RKIMG::DIBWidth(core.data()), 13);
    EXPECT_EQ(RKIMG::DIBHeight(core.data()), 4);
    EXPECT_EQ(RKIMG::DIBBitCount(core.data()), 8);
    EXPECT_EQ(RKIMG::DIBCompression(core.data()), 0u);
    EXPECT_TRUE(RKIMG::IsBottomUp(core.data()));
    EXPECT_EQ(RKIMG::DIBNumColors(core.data()), 256);
    EXPECT_EQ(RKIMG::PaletteSize(core.data()), 768);
    EXPECT_EQ(RKIMG::DIBBits(core.data()), core.data() + 12 + 768);
    EXPECT_EQ(RKIMG::DIBSize(core.data()), core.size());
    ch.bcBitCount = 1;
    memcpy(core.data(), &ch, sizeof ch);
    EXPECT_EQ(RKIMG::PaletteSize(core.data()), 6);
}

TEST(Rkimg, ResolutionConversions) {
    EXPECT_EQ(RKIMG::DPItoDPM(72), 2834u);
    EXPECT_EQ(RKIMG::DPItoDPM(300), 11811u);
    EXPECT_EQ(RKIMG::DPMtoDPI(0), 0);
    for (unsigned dpi = 1; dpi < 5000; ++dpi) ASSERT_EQ(RKIMG::DPMtoDPI(RKIMG::DPItoDPM(dpi)), dpi);
}

TEST(Rkimg, CreateDibDepthsAndFailure) {
    struct Case { WORD asked, made, colors; } cases[] = {
        {0, 1, 2}, {1, 1, 2}, {2, 4, 16}, {4, 4, 16}, {5, 8, 256}, {8, 8, 256},
        {9, 16, 0}, {16, 16, 0}, {17, 24, 0}, {24, 24, 0}, {32, 4, 16}};
    for (const Case& c : cases) {
        unsigned live = RkTestLiveBlocks();
        HGLOBAL h = RKIMG::CreateDIB(11, 5, c.asked);
        ASSERT_NE(h, 0u);
        BYTE* p = static_cast<BYTE*>(GlobalLock(h));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(RKIMG::DIBBitCount(p), c.made) << c.asked;
        EXPECT_EQ(RKIMG::DIBNumColors(p), c.colors) << c.asked;
        EXPECT_EQ(RKIMG::DIBWidth(p), 11);
        EXPECT_EQ(RKIMG::DIBHeight(p), 5);
        EXPECT_EQ(GlobalSize(h), RKIMG::DIBSize(p));
        for (size_t i = 40; i < GlobalSize(h); ++i) ASSERT_EQ(p[i], 0) << i;
        GlobalUnlock(h);
        EXPECT_EQ(RkTestLockCount(h), 0u);
        GlobalFree(h);
        EXPECT_EQ(RkTestLiveBlocks(), live);
    }
    unsigned live = RkTestLiveBlocks();
    RkTestFailNthAlloc(1);
    EXPECT_EQ(RKIMG::CreateDIB(8, 8, 1), 0u);
    RkTestFailNthLock(1);
    EXPECT_EQ(RKIMG::CreateDIB(8, 8, 1), 0u);
    EXPECT_EQ(RkTestLiveBlocks(), live);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

TEST(Rkimg, UpsideDown) {
    EXPECT_FALSE(RKIMG::UpsideDown(nullptr));
    for (int height : {1, 2, 5, 6}) {
        auto d = InfoDib(20, height, 8, 4);
        BYTE* bits = RKIMG::DIBBits(d.data());
        DWORD row = RKIMG::WIDTHBYTES(8 * 20);
        std::mt19937 rng(height);
        for (DWORD i = 0; i < row * height; ++i) bits[i] = static_cast<BYTE>(rng());
        std::vector<BYTE> before(d);
        ASSERT_TRUE(RKIMG::UpsideDown(d.data()));
        EXPECT_EQ(memcmp(d.data(), before.data(), 40 + 16), 0);  // header and palette untouched
        for (int y = 0; y < height; ++y)
            ASSERT_EQ(memcmp(bits + row * y, before.data() + (bits - d.data()) + row * (height - 1 - y), row), 0);
        ASSERT_TRUE(RKIMG::UpsideDown(d.data()));
        EXPECT_EQ(d, before);
    }
    // Empty images fail; a top-down one is left as it is.
    auto empty = InfoDib(0, 4, 8, 0), flat = InfoDib(4, 0, 8, 0), topDown = InfoDib(4, -3, 8, 0);
    EXPECT_FALSE(RKIMG::UpsideDown(empty.data()));
    EXPECT_FALSE(RKIMG::UpsideDown(flat.data()));
    std::vector<BYTE> before(topDown);
    RKIMG::UpsideDown(topDown.data());
    EXPECT_EQ(topDown, before);
}

TEST(BmpImage, AddressingAndConversions) {
    std::mt19937 rng(7);
    for (bool topDown : {false, true}) {
        BWBuffer dib(37, 5, topDown);
        dib.randomize(rng);
        CRkBMPImage img(dib.header(), dib.bits.data());
        EXPECT_EQ(img.CheckUpsideDown(), topDown ? TRUE : FALSE);
        EXPECT_EQ(img.GetLineByteSize(), 8);
        EXPECT_EQ(img.GetImageBufSize(), 40u);
        EXPECT_EQ(img.GetXResolution(), 300);
        EXPECT_EQ(img.GetYResolution(), 200);
        for (int y = 0; y < 5; ++y) EXPECT_EQ(img.GetLineData(y), dib.row(y));
        TRkImgRect<unsigned short> r = img.GetRkImgRect(), ln = img.GetLNImgRect();
        EXPECT_EQ(r.right, 36);
        EXPECT_EQ(r.bottom, 4);
        EXPECT_EQ(ln.right, 36);
        EXPECT_EQ(ln.bottom, 4);
        EXPECT_EQ(img.GetRGBQUAD(0).rgbRed, 255);
        EXPECT_EQ(img.GetRGBQUAD(1).rgbGreen, 0);
        EXPECT_EQ(CRkBMPImage(dib.header(), dib.bits.data(), 1234).GetImageBufSize(), 1234u);
    }
    BWBuffer grey(5, 3, false, 8);
    CRkBMPImage g(grey.header(), grey.bits.data());
    EXPECT_EQ(g.GetLineByteSize(), 8);
    EXPECT_EQ(g.GetRGBQUAD(255).rgbBlue, 255);

    BWBuffer dib(8, 8, false);
    dib.header()->biYPelsPerMeter = 2834;  // 72 dpi; x is 300 dpi
    CRkBMPImage img(dib.header(), dib.bits.data());
    EXPECT_EQ(img.GetXDot(10), 120);
    EXPECT_EQ(img.GetDotY(10), 28);
    EXPECT_EQ(img.MMtoDOT(10, 1), 120);
    EXPECT_EQ(img.MMtoDOT(10, 0), 28);
    EXPECT_EQ(img.POINTtoDOT(12, 1), 50);
    EXPECT_EQ(img.POINTtoDOT(12, 0), 12);
    EXPECT_EQ(img.GetXDot(65535), static_cast<WORD>(65535u * 300u / 25u));  // cut to 16 bits
    EXPECT_EQ(img.POINTtoDOT(65535, 1), static_cast<short>(65535 * 300 / 72));
    EXPECT_EQ(img.DPMtoDPI(2834), 72);
}

namespace {
// Exposes the installed progress object.
struct ProgressView : CRkBMPImage {
    using CRkBMPImage::CRkBMPImage;
    CRkProgress* progress() const { return m_pProgress; }
    const CRkProgress* defaultProgress() const { return &m_DefaultProgress; }
};
}  // namespace

// A copy points at its own default object, never at the source's.
TEST(BmpImage, ProgressObjects) {
    EXPECT_EQ(CRkProgress().SendProgress(5), 1);
    BWBuffer dib(8, 8, false);
    ProgressView img(dib.header(), dib.bits.data());
    EXPECT_EQ(img.progress(), img.defaultProgress());
    CRkProgress other;
    img.ReplaceProgressObj(&other);
    EXPECT_EQ(ProgressView(img).progress(), &other);
    img.SetDefaultProgressObj();
    EXPECT_EQ(img.progress(), img.defaultProgress());
    ProgressView copy(img);
    EXPECT_EQ(copy.progress(), copy.defaultProgress());
    img.ReplaceProgressObj(nullptr);
    EXPECT_EQ(img.progress(), img.defaultProgress());
}

// Both storage orders of one picture give byte-identical upright files.
TEST(BmpImage, OutputFileLayoutAndStorageOrder) {
    std::mt19937 rng(99);
    for (int bpp : {1, 8}) {
        BWBuffer bottomUp(29, 7, false, bpp), topDown(29, 7, true, bpp);
        bottomUp.randomize(rng);
        for (int y = 0; y < 7; ++y) memcpy(topDown.row(y), bottomUp.row(y), bottomUp.stride);
        std::string p1 = TempPath("bu.bmp"), p2 = TempPath("td.bmp");
        ASSERT_TRUE(CRkBMPImage(bottomUp.header(), bottomUp.bits.data()).OutputBMPImage(p1.c_str()));
        ASSERT_TRUE(CRkBMPImage(topDown.header(), topDown.bits.data()).OutputBMPImage(p2.c_str()));
        std::vector<BYTE> f1 = ReadFile(p1), f2 = ReadFile(p2);
        EXPECT_EQ(f1, f2);
        const DWORD colors = bpp == 1 ? 2 : 256;
        const DWORD off = 54 + 4 * colors;
        ASSERT_EQ(f1.size(), off + 7u * bottomUp.stride);
        EXPECT_EQ(f1[0], 'B');
        EXPECT_EQ(f1[1], 'M');
        EXPECT_EQ(At<DWORD>(f1, 2), f1.size());
        EXPECT_EQ(At<DWORD>(f1, 6), 0u);
        EXPECT_EQ(At<DWORD>(f1, 10), off);
        EXPECT_EQ(At<LONG>(f1, 14 + 4), 29);
        EXPECT_EQ(At<LONG>(f1, 14 + 8), 7);  // positive height
        EXPECT_EQ(memcmp(f1.data() + 14 + 12, reinterpret_cast<BYTE*>(bottomUp.header()) + 12, 28), 0);
        EXPECT_EQ(memcmp(f1.data() + 54, bottomUp.palette(), 4 * colors), 0);
        EXPECT_EQ(memcmp(f1.data() + off, bottomUp.bits.data(), bottomUp.bits.size()), 0);
        unlink(p1.c_str());
        unlink(p2.c_str());
    }
}

TEST(BmpImage, OutputWithoutPaletteAndFailures) {
    BWBuffer dib(9, 2, false, 1, 0);  // biClrUsed 0: no palette written
    dib.bits[0] = 0xA5;
    CRkBMPImage img(dib.header(), dib.bits.data());
    std::string p = TempPath("nopal.bmp");
    ASSERT_TRUE(img.OutputBMPImage(p.c_str()));
    std::vector<BYTE> f = ReadFile(p);
    ASSERT_EQ(f.size(), 54u + 8u);
    EXPECT_EQ(At<DWORD>(f, 10), 54u);
    EXPECT_EQ(f[54], 0xA5);
    unlink(p.c_str());

    EXPECT_FALSE(img.OutputBMPImage("/nonexistent-dir/sub/x.bmp"));
    EXPECT_FALSE(img.OutputBMPImage(testing::TempDir().c_str()));  // a directory
    EXPECT_FALSE(img.OutputBMPImage(nullptr));
}
