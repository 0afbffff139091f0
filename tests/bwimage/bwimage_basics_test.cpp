// CRkBWImage drawing, frames, counting, copying and acquiring vs a per-pixel reference; virtual dispatch.
#include <gtest/gtest.h>

#include "bwimage/bw_reference.h"

using namespace bwref;
using Ran = TRkImgRan<unsigned short>;
using W = CRkBWImage;

namespace {

// op 0 draws, 1 erases, 2 reverses pixels (x, y) .. (x + dx * (n - 1), y + dy * (n - 1)).
void Paint(TestDib& d, int op, int x, int y, int dx, int dy, int n) {
    for (int i = 0; i < n; ++i, x += dx, y += dy) d.set(x, y, op == 0 || (op == 2 && !d.get(x, y)));
}

// Draw, Erase and Reverse in each form.
void (W::*const kPixel[])(WORD, WORD) = {&W::Draw, &W::Erase, &W::Reverse};
void (W::*const kSpan[])(WORD, WORD, WORD, int) = {&W::Draw, &W::Erase, &W::Reverse};
void (W::*const kRect[])(Rect) = {&W::Draw, &W::Erase, &W::Reverse};
void (W::*const kRuns[])(WORD, std::vector<Ran>&, int) = {&W::Draw, &W::Erase, &W::Reverse};

// Every drawing form, frames, trimming and copying vs the reference; then pixel tests, counting, acquiring.
TEST(BWImageBasics, DrawingDifferential) {
    std::mt19937 rng(2024);
    for (int iter = 0; iter < 400; ++iter) {
        TestDib d(rktest::RandomCase(rng, 1)), ref = d;
        CRkBWImage img(d.header(), d.bits.data());
        for (int step = 0; step < 20; ++step) {
            const int op = rng() % 3, kind = rng() % 8;
            const bool horizontal = kind == 1 || (kind == 4 && rng() % 2);
            const WORD line = rng() % (horizontal ? d.h : d.w);
            const Rect r = RandomRect(rng, d);
            const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
            auto span = [&](int op, int s, int e) {
                Paint(ref, op, horizontal ? s : line, horizontal ? line : s, horizontal, !horizontal,
                      e - s + 1);
            };
            if (kind == 0) {
                (img.*kPixel[op])(r.left, r.top);
                Paint(ref, op, r.left, r.top, 0, 0, 1);
            } else if (kind <= 2) {  // a horizontal (1) or vertical (2) span
                auto [s, e] = RandomSpan(rng, horizontal ? d.w : d.h);
                (img.*kSpan[op])(line, s, e, horizontal);
                span(op, s, e);
            } else if (kind == 3) {
                (img.*kRect[op])(r);
                for (int y = r.top; y <= r.bottom; ++y) Paint(ref, op, r.left, y, 1, 0, w);
            } else if (kind == 4) {  // a run list, runs possibly overlapping; any non-zero flag is horizontal
                std::vector<Ran> runs;
                for (int i = rng() % 6; i > 0; --i) {
                    auto [s, e] = RandomSpan(rng, horizontal ? d.w : d.h);
                    runs.emplace_back(s, e), span(op, s, e);
                }
                (img.*kRuns[op])(line, runs, horizontal ? 1 + rng() % 3 : 0);
            } else if (kind == 5) {
                op ? img.EraseFrameRect(r) : img.DrawFrameRect(r);
                for (int y : {r.top, r.bottom}) Paint(ref, op > 0, r.left, y, 1, 0, w);
                for (int x : {r.left, r.right}) Paint(ref, op > 0, x, r.top, 0, 1, h);
            } else if (kind == 6) {
                img.TrimRect(r);
                for (int k = 0; k < d.w * d.h; ++k)
                    if (k % d.w < r.left || k % d.w > r.right || k / d.w < r.top || k / d.w > r.bottom)
                        ref.set(k % d.w, k / d.w, false);
            } else {  // from another image of the same size, either row order
                TestDib src(rktest::DibCase{d.w, d.h, 1, rng() % 2 == 1, 0, unsigned(rng())});
                CRkBWImage from(src.header(), src.bits.data());
                ASSERT_TRUE(img.CopyRect(&from, r));
                for (int k = 0; k < w * h; ++k)
                    ref.set(r.left + k % w, r.top + k / w, src.get(r.left + k % w, r.top + k / w));
            }
            ASSERT_EQ(d.bits, ref.bits) << "iter " << iter << " step " << step << " kind " << kind;
            Rect c = step % 10 ? RandomRect(rng, d) : img.GetRkImgRect(), *asked = step % 10 ? &c : nullptr;
            const int cw = c.right - c.left + 1, ch = c.bottom - c.top + 1;
            DWORD black = 0;
            // The rectangle (or the whole image, padding and all) as a packed DIB: this header with the
            // rectangle's size, then its rows padded with white.
            TestDib want = asked ? TestDib(cw, ch, d.topDown) : d;
            for (int k = 0; k < cw * ch; ++k) {
                const int x = c.left + k % cw, y = c.top + k / cw;
                black += d.get(x, y);
                want.set(k % cw, k / cw, d.get(x, y));
                ASSERT_TRUE(!img.IsBlack(WORD(x), WORD(y)) == !d.get(x, y) &&
                            !img.IsBlack(d.row(y), WORD(x)) == !d.get(x, y));
            }
            ASSERT_EQ(img.CountBlack(c), black) << d.w << " " << c.left << "-" << c.right;
            std::vector<BYTE> expect(48 + want.bits.size()), buf(expect.size(), 0xCD),
                small(buf.size() - 1, 0xCD);
            memcpy(expect.data(), want.header(), 48);
            memcpy(expect.data() + 48, want.bits.data(), want.bits.size());
            ASSERT_FALSE(img.AcquireImage(small.data(), DWORD(small.size()), asked));  // one byte short
            ASSERT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0xCD; }));
            ASSERT_TRUE(img.AcquireImage(buf.data(), DWORD(buf.size()), asked));
            ASSERT_EQ(buf, expect) << "iter " << iter << " step " << step;
        }
    }
}

// An overridden pixel form reaches a vertical span and copying, not a horizontal span.
struct PixelLog : CRkBWImage {
    using CRkBWImage::CRkBWImage;
    using CRkBWImage::Draw;
    void Draw(WORD x, WORD y) override { ++drawn, CRkBWImage::Draw(x, y); }
    int drawn = 0;
};

TEST(BWImageBasics, OperationsGoThroughVirtualSlots) {
    TestDib d(20, 10), s(rktest::DibCase{20, 10, 1, true, 0, 3});
    PixelLog img(d.header(), d.bits.data());
    CRkBWImage src = s.image();
    img.Draw(3, 2, 7, 0);  // rows 2..7 of column 3, then columns 2..7 of row 3
    img.Draw(3, 2, 7, 1);
    EXPECT_EQ(img.drawn, 6);
    img.CopyRect(&src, Rect(0, 0, 19, 9));
    EXPECT_EQ(img.drawn, 6 + int(src.CountBlack(Rect(0, 0, 19, 9))));
}

}  // namespace
