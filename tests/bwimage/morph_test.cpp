// Morphology against the per-pixel references on random images and
// rectangles: the 3 x 3 square (and its opening and closing), and random
// structuring elements with given or default origins.
#include <gtest/gtest.h>

#include "morph_reference.h"

namespace {

TEST(Morphology, SquareMatchesReferenceOverTheWholeRectangle) {
    std::mt19937 rng(101);
    for (int iter = 0; iter < 1500; ++iter) {
        BWBuffer b = RandomImage(rng);
        const bool whole = iter % 10 == 0;
        Rect r = whole
                     ? Rect(0, 0, static_cast<unsigned short>(b.w - 1), static_cast<unsigned short>(b.h - 1))
                     : RandomRect(rng, b);
        BWBuffer want = b;
        CRkBWImage img = b.image();
        const int op = iter % 4;  // erosion, dilation, opening, closing
        switch (op) {
            case 0:
                RefSquare(want, r, false);
                img.Erosion(whole ? nullptr : &r, nullptr, nullptr);
                break;
            case 1:
                RefSquare(want, r, true);
                img.Dilation(whole ? nullptr : &r, nullptr, nullptr);
                break;
            case 2:
                RefSquare(want, r, false);
                RefSquare(want, r, true);
                img.Opening(&r, nullptr, nullptr);
                break;
            default:
                RefSquare(want, r, true);
                RefSquare(want, r, false);
                img.Closing(&r, nullptr, nullptr);
                break;
        }
        ASSERT_EQ(PixelDiff(b, want), "") << "op " << op << " " << Describe(b, r);
    }
}

TEST(Morphology, ElementMatchesReference) {
    std::mt19937 rng(202);
    for (int iter = 0; iter < 1500; ++iter) {
        BWBuffer b = RandomImage(rng, 90, 30);
        const Rect r = RandomRect(rng, b);
        BWBuffer element(Uniform(rng, 1, 6), Uniform(rng, 1, 6), Uniform(rng, 0, 1) == 1);
        element.randomFill(rng, Uniform(rng, 1, 9) / 10.0);
        const bool given = iter % 3 != 0;
        TRkImgPos<unsigned short> origin(static_cast<unsigned short>(Uniform(rng, 0, element.w - 1)),
                                         static_cast<unsigned short>(Uniform(rng, 0, element.h - 1)));
        const int ox = given ? origin.x : element.w / 2, oy = given ? origin.y : element.h / 2;
        const int op = iter % 4;
        BWBuffer want = b;
        CRkBWImage img = b.image();
        CRkBWImage el = element.image();
        Rect copy = r;
        switch (op) {
            case 0:
                RefElement(want, r, element, ox, oy, true);
                img.Dilation(&copy, &el, given ? &origin : nullptr);
                break;
            case 1:
                RefElement(want, r, element, ox, oy, false);
                img.Erosion(&copy, &el, given ? &origin : nullptr);
                break;
            case 2:
                RefElement(want, r, element, ox, oy, false);
                RefElement(want, r, element, ox, oy, true);
                img.Opening(&copy, &el, given ? &origin : nullptr);
                break;
            default:
                RefElement(want, r, element, ox, oy, true);
                RefElement(want, r, element, ox, oy, false);
                img.Closing(&copy, &el, given ? &origin : nullptr);
                break;
        }
        ASSERT_EQ(PixelDiff(b, want), "") << "op " << op << " element " << element.w << "x" << element.h
                                          << " origin " << ox << "," << oy << " " << Describe(b, r);
    }
}

}  // namespace
