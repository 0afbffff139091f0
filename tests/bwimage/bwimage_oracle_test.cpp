// The bilevel toolkit against Leptonica on random images: labeling against
// pixConnCompBB (whole images and areas, one page-sized), the 3 x 3 square
// inside the rectangle against the bricks, quarter turns against pixRotate90,
// and bitmap files read back by pixRead.
#include <gtest/gtest.h>
#include <unistd.h>

#include "bwimage/bw_reference.h"
#include "support/lept_bridge.h"

using namespace bwref;

namespace {

bool LeptPixel(PIX* pix, int x, int y) {
    l_uint32 v = 0;
    pixGetPixel(pix, x, y, &v);
    return v != 0;
}

// Both connectivities, with and without dots, over the area; Leptonica labels
// the clipped image.
void CheckLabeling(TestDib& b, PIX* pix, const Rect& r, const std::string& what) {
    Rect area = r;
    BOX* box = boxCreate(r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1);
    PIX* clip = pixClipRectangle(pix, box, nullptr);
    for (int conn : {8, 4})
        for (int drop : {0, 1}) {
            std::vector<Rect> out;
            ASSERT_EQ(b.image().SegmentInit(out, &area, drop, conn == 8, 0, nullptr), 1);
            std::vector<bwref::Box> ours;
            for (const auto& o : out) ours.emplace_back(o.left, o.top, o.right, o.bottom);
            std::sort(ours.begin(), ours.end());
            ASSERT_EQ(ours, rktest::LeptBoxes(clip, conn, drop, r.left, r.top))
                << what << " connectivity " << conn << " dropDots " << drop;
        }
    pixDestroy(&clip);
    boxDestroy(&box);
}

TEST(BwImageOracle, LabelingMatchesConnectedComponents) {
    std::mt19937 rng(1234);
    for (int iter = 0; iter < 401; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, iter == 400 ? 1300 : 160, iter == 400 ? 900 : 160);
        if (iter % 20 < 2) {  // one column or one row
            b = TestDib(iter % 20 ? b.w : 1, iter % 20 ? 1 : b.h, b.topDown);
            b.randomFill(rng, 0.4);
        }
        PIX* pix = rktest::ToPix(b);
        const std::string what = std::to_string(iter) + " " + std::to_string(b.w) + "x" + std::to_string(b.h);
        CheckLabeling(b, pix, Rect(0, 0, WORD(b.w - 1), WORD(b.h - 1)), what);
        for (int k = 0; k < 2; ++k) CheckLabeling(b, pix, RandomRect(rng, b), what + " area");
        pixDestroy(&pix);
        if (HasFatalFailure()) return;
    }
}

TEST(BwImageOracle, SquareAndTurnsMatchLeptonica) {
    std::mt19937 rng(808);
    for (int iter = 0; iter < 900; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, 150, iter % 3 == 2 ? 100 : 40);
        const TestDib before = b;
        PIX* src = rktest::ToPix(b);
        const int w = b.w, h = b.h;
        if (iter % 3 == 2) {  // a quarter turn
            const bool clockwise = iter % 2;
            PIX* want = pixRotate90(src, clockwise ? 1 : -1);
            const size_t need = size_t((h + 31) / 32 * 4) * w;
            b.bits.resize(std::max(b.bits.size(), need), 0);
            CRkBWImage img(b.header(), b.bits.data(), DWORD(b.bits.size()));
            ASSERT_EQ(clockwise ? img.Clockwise() : img.CounterClockwise(), 1);
            TestDib turned(h, w, b.topDown);
            turned.bits.assign(b.bits.begin(), b.bits.begin() + long(need));
            for (int y = 0; y < w; ++y)
                for (int x = 0; x < h; ++x)
                    ASSERT_EQ(turned.get(x, y), LeptPixel(want, x, y)) << x << "," << y;
            pixDestroy(&want);
        } else {  // the square: Leptonica's brick strictly inside, nothing outside
            const Rect r = RandomRect(rng, b);
            const bool dilate = iter % 3;
            PIX* want = dilate ? pixDilateBrick(nullptr, src, 3, 3) : pixErodeBrick(nullptr, src, 3, 3);
            Rect copy = r;
            CRkBWImage img = b.image();
            dilate ? img.LocalDilation(&copy) : img.LocalErosion(&copy);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool inside = x > r.left && x < r.right && y > r.top && y < r.bottom;
                    const bool outside = x < r.left || x > r.right || y < r.top || y > r.bottom;
                    if (inside || outside) {
                        ASSERT_EQ(b.get(x, y), inside ? LeptPixel(want, x, y) : before.get(x, y))
                            << x << "," << y << " " << Describe(b, r);
                    }
                }
            pixDestroy(&want);
        }
        pixDestroy(&src);
    }
}

// Leptonica's value as a source palette index (grey ramps and black/white
// have unique entries); without a colour map the value itself.
int LeptIndex(PIX* pix, const TestDib& d, int x, int y) {
    l_uint32 v = 0;
    pixGetPixel(pix, x, y, &v);
    l_int32 r = l_int32(v), g = r, b = r;
    if (PIXCMAP* cmap = pixGetColormap(pix))
        pixcmapGetColor(cmap, l_int32(v), &r, &g, &b);
    else if (d.bpp == 1 || pixGetDepth(pix) != 8)
        return int(v);
    for (int i = 0; i < (1 << d.bpp); ++i)
        if (d.palette()[i].rgbRed == r && d.palette()[i].rgbGreen == g && d.palette()[i].rgbBlue == b)
            return i;
    return -1;
}

TEST(BwImageOracle, WrittenBitmapsReadBackTheSame) {
    setMsgSeverity(L_SEVERITY_WARNING);
    std::mt19937 rng(4242);
    const std::string path = testing::TempDir() + "rkcorr_oracle_" + std::to_string(getpid()) + ".bmp";
    for (int i = 0; i < 60; ++i) {
        const rktest::DibCase c = rktest::RandomCase(rng, i % 2 ? 1 : 8, 110, 20);
        TestDib d(c);
        ASSERT_TRUE(CRkBMPImage(d.header(), d.bits.data()).OutputBMPImage(path.c_str()));
        PIX* pix = pixRead(path.c_str());
        ASSERT_NE(pix, nullptr);
        ASSERT_EQ(pixGetWidth(pix) * 1000 + pixGetHeight(pix), d.w * 1000 + d.h);
        for (int y = 0; y < d.h; ++y)
            for (int x = 0; x < d.w; ++x)
                ASSERT_EQ(LeptIndex(pix, d, x, y), d.bpp == 1 ? d.get(x, y) : d.row(y)[x])
                    << c.name() << " at " << x << "," << y;
        pixDestroy(&pix);
    }
    unlink(path.c_str());
}

}  // namespace
