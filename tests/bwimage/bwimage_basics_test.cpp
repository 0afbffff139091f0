// CRkBWImage drawing, frames, counting, copying and acquiring against a per-pixel reference.
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

// Random sequences of every drawing form, frames, trimming and copying against the reference, padding
// bits included; after each step the pixel tests, counting and acquiring of a random rectangle.
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
            const int cw = c.right - c.left + 1, ch = c.bottom - c.top + 1, stride = (cw + 31) / 32 * 4;
            DWORD black = 0;
            for (int y = c.top; y <= c.bottom; ++y)
                for (int x = c.left; x <= c.right; ++x) {
                    black += d.get(x, y);
                    ASSERT_TRUE(!img.IsBlack(WORD(x), WORD(y)) == !d.get(x, y) &&
                                !img.IsBlack(d.row(y), WORD(x)) == !d.get(x, y));
                }
            ASSERT_EQ(img.CountBlack(c), black) << d.w << " " << c.left << "-" << c.right;
            // The rectangle (or the whole image) as a packed DIB; a buffer one byte short is left alone.
            std::vector<BYTE> small(48 + size_t(stride) * ch - 1, 0xCD), buf(small.size() + 1, 0xCD);
            ASSERT_FALSE(img.AcquireImage(small.data(), DWORD(small.size()), asked));
            ASSERT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0xCD; }));
            ASSERT_TRUE(img.AcquireImage(buf.data(), DWORD(buf.size()), asked));
            if (!asked) {
                ASSERT_TRUE(!memcmp(buf.data(), d.header(), 48) &&
                            !memcmp(buf.data() + 48, d.bits.data(), d.bits.size()));
                continue;
            }
            TestDib out(cw, ch, d.topDown);
            memcpy(out.bits.data(), buf.data() + 48, out.bits.size());
            BITMAPINFOHEADER hd;
            memcpy(&hd, buf.data(), sizeof hd);
            ASSERT_EQ(hd.biWidth * 100000 + hd.biHeight * 10 + hd.biBitCount,
                      cw * 100000 + (d.topDown ? -ch : ch) * 10 + 1);
            ASSERT_EQ(memcmp(buf.data() + 12, reinterpret_cast<BYTE*>(d.header()) + 12, 36), 0);
            for (int y = 0; y < ch; ++y)
                for (int x = 0; x < stride * 8; ++x)
                    ASSERT_EQ(out.get(x, y), x < cw && d.get(c.left + x, c.top + y))
                        << "iter " << iter << " x " << x;
        }
    }
    // MemoryAnd and MemoryOr change only the pixels s..e of a row.
    TestDib any(8, 1);
    CRkBWImage img(any.header(), any.bits.data());
    for (int iter = 0; iter < 2000; ++iter) {
        const int width = 1 + rng() % 120, bytes = (width + 7) / 8;
        std::vector<BYTE> dst(bytes), src(bytes);
        for (int i = 0; i < bytes; ++i) dst[i] = BYTE(rng()), src[i] = BYTE(rng());
        auto [s, e] = RandomSpan(rng, width);
        std::vector<BYTE> out = dst;
        const bool useAnd = iter % 2 == 0;
        useAnd ? img.MemoryAnd(out.data(), src.data(), s, e) : img.MemoryOr(out.data(), src.data(), s, e);
        for (int x = 0; x < bytes * 8; ++x) {
            const int dv = (dst[x >> 3] >> (7 - (x & 7))) & 1, sv = (src[x >> 3] >> (7 - (x & 7))) & 1;
            const int expected = x < s || x > e ? dv : useAnd ? (dv & sv) : (dv | sv);
            ASSERT_EQ((out[x >> 3] >> (7 - (x & 7))) & 1, expected) << s << "-" << e << " at " << x;
        }
    }
}

// An overridden pixel form reaches a vertical span and copying, not a horizontal span.
struct PixelLog : CRkBWImage {
    using CRkBWImage::CRkBWImage;
    int drawn = 0;
    void Draw(WORD x, WORD y) override {
        ++drawn;
        CRkBWImage::Draw(x, y);
    }
    using CRkBWImage::Draw;
};

TEST(BWImageBasics, OperationsGoThroughVirtualSlots) {
    TestDib d(20, 10), s(rktest::DibCase{20, 10, 1, true, 0, 3});
    PixelLog img(d.header(), d.bits.data());
    img.Draw(3, 2, 7, 0);
    img.Draw(3, 2, 7, 1);
    EXPECT_EQ(img.drawn, 6);
    CRkBWImage src(s.header(), s.bits.data());
    img.CopyRect(&src, Rect(0, 0, 19, 9));
    EXPECT_EQ(img.drawn, 6 + int(src.CountBlack(Rect(0, 0, 19, 9))));
}

}  // namespace
