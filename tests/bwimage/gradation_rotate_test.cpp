// Gradation against a direct evaluation of its weighted window for every k;
// quarter turns against the pixel mapping, with their header updates, the
// buffer-size refusal and four turns giving back the image.
#include <gtest/gtest.h>

#include <cstdlib>

#include "toolkit_case.h"

namespace {

// Output pixel black when 2 x (weighted black count of the window) > T; the
// upper-right and lower-left quadrants weigh nothing.
BWBuffer RefGradation(const BWBuffer& s, int k) {
    static const int kThreshold[11] = {0, 0, 5, 35, 114, 266, 515, 885, 1400, 2084, 2961};
    const int r = k - 1;
    BWBuffer out = s;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            int sum = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    if ((dx > 0 && dy < 0) || (dx < 0 && dy > 0)) continue;
                    const int px = x + dx, py = y + dy;
                    if (px >= 0 && py >= 0 && px < s.w && py < s.h && s.get(px, py))
                        sum += 2 * r - std::abs(dx) - std::abs(dy);
                }
            out.set(x, y, 2 * sum > kThreshold[k]);
        }
    return out;
}

TEST(Gradation, MatchesDirectWindowForEveryK) {
    std::mt19937 rng(606);
    for (int iter = 0; iter < 270; ++iter) {
        const int k = 2 + iter % 9;
        BWBuffer b = RandomImage(rng, 70, 30);
        const BWBuffer want = RefGradation(b, k);
        CRkBWImage img = b.image();
        ASSERT_EQ(img.Gradation(static_cast<WORD>(k)), 1);
        ASSERT_EQ(PixelDiff(b, want), "") << "k " << k << " " << b.w << "x" << b.h;
    }
    BWBuffer b = RandomImage(rng);
    const BWBuffer before = b;
    CRkBWImage img = b.image();
    EXPECT_EQ(img.Gradation(1), 1);
    EXPECT_EQ(img.Gradation(11), 1);
    EXPECT_EQ(b.bits, before.bits);
}

TEST(Rotation, MovesEveryPixelAndTheGeometry) {
    std::mt19937 rng(707);
    for (int iter = 0; iter < 600; ++iter) {
        BWBuffer b = RandomImage(rng, 80, 80);
        const BWBuffer before = b;
        const bool clockwise = iter % 2 == 0;
        const int w = b.w, h = b.h;
        const int newStride = (h + 31) / 32 * 4;
        // The pixel area is a whole buffer of the needed size: exactly, or one
        // byte short (refused, nothing changes).
        const bool shortBuffer = iter % 5 == 0;
        const size_t need = static_cast<size_t>(newStride) * w;
        b.bits.resize(std::max(b.bits.size(), need), 0);
        const std::vector<BYTE> bitsBefore = b.bits;
        CRkBWImage img(b.header(), b.bits.data(), static_cast<DWORD>(need - (shortBuffer ? 1 : 0)));
        const int got = clockwise ? img.Clockwise() : img.CounterClockwise();
        if (shortBuffer) {
            ASSERT_EQ(got, 0);
            EXPECT_EQ(b.bits, bitsBefore);
            EXPECT_EQ(b.header()->biWidth, w);
            continue;
        }
        ASSERT_EQ(got, 1);
        EXPECT_EQ(img.GetWidth(), h);
        EXPECT_EQ(img.GetHeight(), w);
        EXPECT_EQ(img.GetLineByteSize(), newStride);
        EXPECT_EQ(img.GetXResolution(), RKIMG::DPMtoDPI(7874));
        const BITMAPINFOHEADER* hd = b.header();
        EXPECT_EQ(hd->biWidth, h);
        EXPECT_EQ(hd->biHeight, before.topDown ? -w : w);
        EXPECT_EQ(hd->biXPelsPerMeter, 7874);
        EXPECT_EQ(hd->biYPelsPerMeter, 11811);
        BWBuffer turned(h, w, before.topDown);
        turned.bits.assign(b.bits.begin(), b.bits.begin() + static_cast<long>(need));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int nx = clockwise ? h - 1 - y : y, ny = clockwise ? x : w - 1 - x;
                ASSERT_EQ(turned.get(nx, ny), before.get(x, y)) << x << "," << y << " of " << w << "x" << h;
            }
        // Three more turns the same way give back the pixels.
        img.SetImageBufSize(static_cast<DWORD>(b.bits.size()));
        for (int i = 0; i < 3; ++i) ASSERT_EQ(clockwise ? img.Clockwise() : img.CounterClockwise(), 1);
        BWBuffer back(w, h, before.topDown);
        back.bits.assign(b.bits.begin(), b.bits.begin() + static_cast<long>(back.bits.size()));
        EXPECT_EQ(PixelDiff(back, before), "");
        EXPECT_EQ(img.GetXResolution(), RKIMG::DPMtoDPI(11811));
    }
}

}  // namespace
