// Bitmap files written by OutputBMPImage, read back with Leptonica: the same
// pixels for bottom-up and top-down sources, 1-bit and 8-bit.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <unistd.h>

#include <random>
#include <string>

#include "support/test_dib.h"
#include "rkcorr/bmpimage.h"

using BWBuffer = rktest::TestDib;

namespace {

// Leptonica's value turned back into a source palette index (grey ramps and
// black/white have unique entries). Without a colour map a 1-bit value is the
// index itself and an 8-bit value a grey level.
int LeptValue(PIX* pix, const BWBuffer& d, int x, int y) {
    l_uint32 v = 0;
    pixGetPixel(pix, x, y, &v);
    l_int32 r = static_cast<l_int32>(v), g = r, b = r;
    PIXCMAP* cmap = pixGetColormap(pix);
    if (cmap != nullptr)
        pixcmapGetColor(cmap, static_cast<l_int32>(v), &r, &g, &b);
    else if (d.bpp == 1 || pixGetDepth(pix) != 8)
        return static_cast<int>(v);
    for (int i = 0; i < (1 << d.bpp); ++i) {
        const RGBQUAD& q = d.palette()[i];
        if (q.rgbRed == r && q.rgbGreen == g && q.rgbBlue == b) return i;
    }
    return -1;
}

}  // namespace

TEST(BmpOutputOracle, LeptonicaReadsTheSamePixels) {
    setMsgSeverity(L_SEVERITY_WARNING);
    std::mt19937 rng(4242);
    const std::string base = std::string(testing::TempDir()) + "rkcorr_oracle_" + std::to_string(getpid());
    int files = 0;
    for (int bpp : {1, 8}) {
        for (int width : {1, 7, 8, 33, 64, 101}) {
            for (bool topDown : {false, true}) {
                int height = std::uniform_int_distribution<int>(1, 20)(rng);
                BWBuffer d(width, height, topDown, bpp);
                d.randomize(rng);
                std::string path = base + "_" + std::to_string(files++) + ".bmp";
                ASSERT_TRUE(CRkBMPImage(d.header(), d.bits.data()).OutputBMPImage(path.c_str()));
                PIX* pix = pixRead(path.c_str());
                ASSERT_NE(pix, nullptr) << path;
                EXPECT_EQ(pixGetWidth(pix), width);
                EXPECT_EQ(pixGetHeight(pix), height);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        ASSERT_EQ(LeptValue(pix, d, x, y), bpp == 1 ? d.get(x, y) : d.row(y)[x])
                            << "bpp " << bpp << " width " << width << " topDown " << topDown << " at " << x
                            << "," << y;
                pixDestroy(&pix);
                unlink(path.c_str());
            }
        }
    }
}
