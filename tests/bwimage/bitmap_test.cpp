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

// Layout readers on CreateDIB's zero-filled DIBs of each bit count, on v4, v5 and core headers.
TEST(Bitmap, HeaderReadersAndCreateDib) {
    const long depths[][3] = {{0, 1, 2},  {1, 1, 2},   {2, 4, 16},  {4, 4, 16},  {5, 8, 256}, {8, 8, 256},
                              {9, 16, 0}, {16, 16, 0}, {17, 24, 0}, {24, 24, 0}, {32, 4, 16}};
    const unsigned live = RkTestLiveBlocks();
    for (const auto& [asked, made, colours] : depths) {  // 11 x 5 pixels
        HGLOBAL h = RKIMG::CreateDIB(11, 5, WORD(asked));
        const BYTE* p = static_cast<const BYTE*>(GlobalLock(h));
        ASSERT_NE(p, nullptr);
        const long end = 40 + 4 * colours, size = end + 5 * ((11 * made + 31) / 32 * 4);
        EXPECT_EQ(Layout(p),
                  (std::vector<long>{11, 5, made, 0, 1, colours, 4 * colours, 40, end, end, size}));
        EXPECT_EQ(GlobalSize(h), size_t(size));
        EXPECT_TRUE(std::all_of(p + 40, p + size, [](BYTE v) { return v == 0; })) << asked;
        GlobalUnlock(h), GlobalFree(h);
    }
    EXPECT_EQ(RkTestLiveBlocks(), live);
    std::vector<BYTE> dib(124);
    for (DWORD size : {108, 124}) {
        const BITMAPINFOHEADER hd{size, 13, -4, 1, 1, 3, 0, 0, 0, 0x10003, 0};  // 3 colours, compression 3
        memcpy(dib.data(), &hd, sizeof hd);
        const long end = size + 12;
        EXPECT_EQ(Layout(dib.data()),
                  (std::vector<long>{13, -4, 1, 3, 0, 3, 12, long(size), end, end, end + 16}));
    }
    const BITMAPCOREHEADER core{12, 13, 4, 1, 8};
    memcpy(dib.data(), &core, sizeof core);
    EXPECT_EQ(Layout(dib.data()), (std::vector<long>{13, 4, 8, 0, 1, 256, 768, 12, 780, 780, 780 + 64}));
    dib[10] = 1;  // 1 bit: two 3-byte entries
    EXPECT_EQ(RKIMG::PaletteSize(dib.data()), 6);
    for (unsigned dpi = 1; dpi < 5000; ++dpi) ASSERT_EQ(RKIMG::DPMtoDPI(RKIMG::DPItoDPM(dpi)), dpi);
    EXPECT_EQ(RKIMG::DPItoDPM(300) * 10 + RKIMG::DPMtoDPI(0), 118110u);
}

// UpsideDown flips the stored rows of bottom-up DIBs only; both row orders give the same upright file.
TEST(Bitmap, UpsideDownAndOutputFiles) {
    std::mt19937 rng(5);
    for (int i = 0; i < 60; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, std::vector<int>{1, 8, 24}[i % 3], 40, 7);
        if (i % 10 == 5) c.width = 1;  // one column still flips
        TestDib d(c), other(c.width, c.height, !c.topDown, c.bpp);
        for (int y = 0; y < d.h; ++y) memcpy(other.row(y), d.row(y), d.stride);
        std::vector<BYTE> p = d.packed(), before = p;
        const size_t off = before.size() - d.bits.size();
        ASSERT_EQ(RKIMG::UpsideDown(p.data()), c.topDown ? FALSE : TRUE) << c.name();
        ASSERT_TRUE(std::equal(p.begin(), p.begin() + off, before.begin()) &&
                    std::equal(p.begin() + off, p.end(), (c.topDown ? d : other).bits.begin()));
        RKIMG::UpsideDown(p.data());
        ASSERT_EQ(p, before);
        const std::vector<BYTE> f = Written(CRkBMPImage(d.header(), d.bits.data())),
                                packed = (c.topDown ? other : d).packed();
        EXPECT_EQ(f, Written(CRkBMPImage(other.header(), other.bits.data()))) << c.name();
        const DWORD head[] = {DWORD(14 + packed.size()), 0, DWORD(14 + off)};
        std::vector<BYTE> want{'B', 'M'};  // size, reserved, offset of the rows; then the packed DIB
        want.insert(want.end(), reinterpret_cast<const BYTE*>(head), reinterpret_cast<const BYTE*>(head + 3));
        want.insert(want.end(), packed.begin(), packed.end());
        EXPECT_EQ(f, want) << c.name();
    }
    EXPECT_FALSE(RKIMG::UpsideDown(nullptr));
    for (int w : {0, 4}) EXPECT_FALSE(RKIMG::UpsideDown(TestDib(w, 4 - w, false, 8).packed().data()));
}

struct ProgressView : CRkBMPImage {
    using CRkBMPImage::CRkBMPImage;
    bool own() const { return m_pProgress == &m_DefaultProgress; }
};

// Dot conversions; a copy reports to its own default progress object unless the source had another one.
TEST(Bitmap, ConversionsAndProgress) {
    TestDib dib(8, 8);
    dib.header()->biYPelsPerMeter = 2834;  // 72 dpi; x is 300 dpi
    ProgressView img(dib.header(), dib.bits.data());
    EXPECT_EQ(img.GetXDot(10) * 1000 + img.GetDotY(10), 120028);
    EXPECT_EQ(img.MMtoDOT(10, 1) * 1000 + img.MMtoDOT(10, 0), 120028);
    EXPECT_EQ(img.POINTtoDOT(12, 1) * 1000 + img.POINTtoDOT(12, 0), 50012);
    CRkProgress other;
    EXPECT_TRUE(img.own());
    img.ReplaceProgressObj(&other);
    EXPECT_FALSE(ProgressView(img).own());
    img.SetDefaultProgressObj();
    EXPECT_TRUE(ProgressView(img).own());
    img.ReplaceProgressObj(nullptr);
    EXPECT_TRUE(img.own());
}

// Without a palette the rows follow the headers; a negative width writes no row; bad paths fail.
TEST(Bitmap, OutputFileEdges) {
    TestDib dib(9, 2, false, 1, 0);  // biClrUsed 0
    dib.bits[0] = 0xA5;
    CRkBMPImage img(dib.header(), dib.bits.data());
    const std::vector<BYTE> f = Written(img);
    ASSERT_EQ(f.size(), 54u + 8u);
    EXPECT_EQ(f[10] * 1000 + f[54], 54 * 1000 + 0xA5);
    const std::string dir = testing::TempDir();  // a directory
    for (const char* path : {"/nonexistent-dir/sub/x.bmp", dir.c_str(), (const char*)nullptr})
        EXPECT_FALSE(img.OutputBMPImage(path));
    TestDib neg(16, 3, false, 8);  // width -100: no row, and the size field takes 3 rows of -96 bytes
    neg.header()->biWidth = -100;
    const std::vector<BYTE> h = Written(CRkBMPImage(neg.header(), neg.bits.data(), DWORD(neg.bits.size())));
    ASSERT_EQ(h.size(), 1078u);
    EXPECT_EQ(h[2] | h[3] << 8, 1078 - 3 * 96);
}

}  // namespace
