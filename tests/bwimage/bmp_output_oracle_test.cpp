// Bitmap files written by OutputBMPImage, read back with Leptonica: the same
// pixels for bottom-up and top-down sources, 1-bit and 8-bit.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <unistd.h>

#include <random>
#include <string>

#include "rkcorr/bmpimage.h"
#include "toolkit_image.h"

namespace {

// The source pixel value (palette index) at (x, y).
int SourceValue(const TestDib& d, int x, int y) {
    if (d.bitCount == 1) return d.get(x, y);
    return d.row(y)[x];
}

// Leptonica's value, turned back into a palette index: with a colour map the
// index is kept; a 1-bit image read without one is 1 for black.
int LeptValue(PIX* pix, const TestDib& d, int x, int y) {
    l_uint32 v = 0;
    pixGetPixel(pix, x, y, &v);
    PIXCMAP* cmap = pixGetColormap(pix);
    if (cmap != nullptr) {
        l_int32 r, g, b;
        pixcmapGetColor(cmap, static_cast<l_int32>(v), &r, &g, &b);
        // Map the colour back to the source palette entry (grey ramps and
        // black/white are unique).
        for (DWORD i = 0; i < d.header()->biClrUsed; ++i) {
            const RGBQUAD& q = d.palette()[i];
            if (q.rgbRed == r && q.rgbGreen == g && q.rgbBlue == b) return static_cast<int>(i);
        }
        return -1;
    }
    if (d.bitCount == 8 && pixGetDepth(pix) == 8) {
        // A grey image without map: the grey level of the entry.
        for (DWORD i = 0; i < d.header()->biClrUsed; ++i)
            if (d.palette()[i].rgbRed == v) return static_cast<int>(i);
        return -1;
    }
    return static_cast<int>(v);
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
                TestDib d(width, height, topDown, bpp);
                d.randomize(rng);
                CRkBMPImage img(d.header(), d.bits.data());
                std::string path = base + "_" + std::to_string(files++) + ".bmp";
                ASSERT_TRUE(img.OutputBMPImage(path.c_str()));
                PIX* pix = pixRead(path.c_str());
                ASSERT_NE(pix, nullptr) << path;
                EXPECT_EQ(pixGetWidth(pix), width);
                EXPECT_EQ(pixGetHeight(pix), height);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        ASSERT_EQ(LeptValue(pix, d, x, y), SourceValue(d, x, y))
                            << "bpp " << bpp << " width " << width << " topDown " << topDown << " at " << x << "," << y;
                pixDestroy(&pix);
                unlink(path.c_str());
            }
        }
    }
}
