// Morphology, shapes, gradation, boxes, projections and quarter turns vs per-pixel references.
#include <gtest/gtest.h>

#include "bwimage/bw_reference.h"

using namespace bwref;

namespace {

Box Of(const Rect& r) { return Box(r.left, r.top, r.right, r.bottom); }

typedef void (CRkBWImage::*Morph)(Rect*, CRkBWImage*, TRkImgPos<unsigned short>*);
const Morph kMorph[] = {&CRkBWImage::Erosion, &CRkBWImage::Dilation, &CRkBWImage::Opening,
                        &CRkBWImage::Closing};
const std::vector<bool> kSteps[] = {{false}, {true}, {false, true}, {true, false}};  // true: dilation

// Kinds 0-3 square and 4-7 element morphology, 8 outline, 9 thinning, 10 gradation.
TEST(Toolkit, ImageOperationsMatchReferences) {
    std::mt19937 rng(101);
    for (int iter = 0; iter < 4400; ++iter) {
        const int kind = iter % 11, k = 2 + rng() % 9;
        TestDib b = rktest::RandomBilevel(rng, 120, 36), want = b;
        if (iter % 7 == 0) b.blobFill(rng, 12), want = b;  // thick shapes thin over many sub-passes
        const bool whole = iter % 13 == 0;                 // no rectangle: the whole image
        Rect r = whole ? Rect(0, 0, WORD(b.w - 1), WORD(b.h - 1)) : RandomRect(rng, b), asked = r;
        TestDib el(1 + rng() % 6, 1 + rng() % 6, rng() % 2);  // an element, its origin given or the centre
        el.randomFill(rng, (1 + rng() % 9) / 10.0);
        TRkImgPos<unsigned short> origin(WORD(rng() % el.w), WORD(rng() % el.h));
        const bool given = rng() % 3 != 0;
        const int ox = given ? origin.x : el.w / 2, oy = given ? origin.y : el.h / 2;
        CRkBWImage element = el.image(), img = b.image();
        Rect* arg = whole && iter % 2 ? nullptr : &asked;
        if (kind < 8) {
            for (bool dilate : kSteps[kind % 4])
                kind < 4 ? RefSquare(want, r, dilate) : RefElement(want, r, el, ox, oy, dilate);
            (img.*kMorph[kind % 4])(arg, kind < 4 ? nullptr : &element,
                                    kind < 4 || !given ? nullptr : &origin);
        } else if (kind == 8) {
            RefOutline(want, r);
            img.ConvertOutlineImage(arg ? *arg : img.GetRkImgRect());
        } else if (kind == 9) {
            RefThin(want, r);
            img.ConvertThinningImage(arg);
        } else {
            want = RefGradation(b, k);
            ASSERT_EQ(img.Gradation(WORD(k)), 1);
            ASSERT_EQ(img.Gradation(WORD(iter % 2 ? 1 : 11)), 1);  // k out of range: nothing changes
        }
        ASSERT_EQ(b.bits, want.bits) << "iter " << iter << " kind " << kind;  // padding bits kept
    }
}

TEST(Toolkit, BoxesAndProjectionsMatchReferences) {
    std::mt19937 rng(404);
    for (int iter = 0; iter < 1500; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, 120, 30);
        if (iter % 2) b.randomFill(rng, 0.002);  // often empty rectangles
        const Rect r = RandomRect(rng, b);
        CRkBWImage img = b.image();
        Rect want = r, got = r;
        ASSERT_EQ(img.FilletRect(got) != 0, RefBox(b, r, want)) << iter;
        ASSERT_EQ(Of(got), Of(want)) << iter;
        const bool rows = iter % 2, black = iter % 3 != 0;
        const int minLength = rng() % 5;
        std::vector<unsigned short> hist(3, 9);
        img.Projection(hist, r, rows, WORD(minLength), black);
        ASSERT_EQ(hist, RefProjection(b, r, rows, minLength, black)) << iter;
    }
    // A block alone or beside a 1..4-line speck: a gap skips specks up to 3 lines, touching ones count.
    for (int iter = 0; iter < 800; ++iter) {
        const int cw = 12 + rng() % 49, ch = 12 + rng() % 49, side = iter % 4;  // top, bottom, left, right
        TestDib b(side < 2 ? cw : ch, side < 2 ? ch : cw, iter % 8 < 4);
        auto put = [&](int l, int t, int r, int bo) {  // from the top side's coordinates
            const int W = b.w - 1, H = b.h - 1;
            const int box[4][4] = {
                {l, t, r, bo}, {l, H - bo, r, H - t}, {t, l, bo, r}, {W - bo, l, W - t, r}};
            return Rect(WORD(box[side][0]), WORD(box[side][1]), WORD(box[side][2]), WORD(box[side][3]));
        };
        const int l = rng() % (cw - 7), t = 5 + rng() % (ch - 10);
        // Often the block reaches the image's far edge, the speck the block's end.
        const int r = iter / 8 % 2 ? cw - 1 : l + 4 + rng() % (cw - l - 4), bo = t + 4 + rng() % (ch - t - 4);
        const Rect block = put(l, t, r, bo);
        b.fillRect(block.left, block.top, block.right, block.bottom);
        const int speck = iter % 3, sh = 1 + rng() % 4, atEnd = iter / 16 % 2;
        const int sx = atEnd ? r - rng() % 3 : l + rng() % (r - l - 1), sw = rng() % (atEnd ? r - sx + 1 : 3);
        const int sy = t - sh - (speck == 1 ? 1 + rng() % (t - sh) : 0);
        const Rect dot = put(sx, sy, sx + sw, sy + sh - 1);
        if (speck) b.fillRect(dot.left, dot.top, dot.right, dot.bottom);
        Rect rect(0, 0, WORD(b.w - 1), WORD(b.h - 1));
        b.image().FilletRect2(rect);
        const Rect want = put(l, speck == 2 || (speck == 1 && sh == 4) ? sy : t, r, bo);
        ASSERT_EQ(Of(rect), Of(want)) << iter;
    }
    for (int n : {255, 256})  // trimmed to the ink up to 255 pixels wide or high, 256 left alone
        for (TestDib b : {TestDib(n, 4), TestDib(4, n)}) {
            b.fillRect(1, 1, 2, 2);
            Rect rect = b.image().GetRkImgRect();
            b.image().FilletRect2(rect);
            EXPECT_EQ(Of(rect), n < 256 ? Box(1, 1, 2, 2) : Of(b.image().GetRkImgRect()))
                << b.w << "x" << b.h;
        }
}

// Quarter turns move every pixel and turn the geometry of object and header; a short buffer is refused.
TEST(Toolkit, QuarterTurnsMoveEveryPixel) {
    std::mt19937 rng(707);
    for (int iter = 0; iter < 600; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, 80, 80);
        const bool clockwise = iter % 2 == 0, shortBuffer = iter % 5 == 0;
        const int w = b.w, h = b.h, newStride = (h + 31) / 32 * 4;
        const size_t need = size_t(newStride) * w;
        b.bits.resize(std::max(b.bits.size(), need), 0);
        const TestDib before = b;
        CRkBWImage img(b.header(), b.bits.data(), DWORD(need - shortBuffer));
        if (shortBuffer) {
            ASSERT_EQ(clockwise ? img.Clockwise() : img.CounterClockwise(), 0);
            ASSERT_TRUE(b.bits == before.bits && b.header()->biWidth == w);
            continue;
        }
        ASSERT_EQ(clockwise ? img.Clockwise() : img.CounterClockwise(), 1);
        const BITMAPINFOHEADER* hd = b.header();
        EXPECT_EQ(
            std::make_tuple(img.GetWidth(), img.GetHeight(), img.GetLineByteSize(), img.GetXResolution(),
                            hd->biWidth, hd->biHeight, hd->biXPelsPerMeter, hd->biYPelsPerMeter),
            std::make_tuple(WORD(h), WORD(w), WORD(newStride), RKIMG::DPMtoDPI(7874), LONG(h),
                            LONG(before.topDown ? -w : w), LONG(7874), LONG(11811)));
        TestDib turned(h, w, before.topDown);
        turned.bits.assign(b.bits.begin(), b.bits.begin() + long(need));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(turned.get(clockwise ? h - 1 - y : y, clockwise ? x : w - 1 - x), before.get(x, y))
                    << x << "," << y << " of " << w << "x" << h;
    }
}

}  // namespace
