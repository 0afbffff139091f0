// CRkBWImage drawing, frames, counting, copying and acquiring against a per-pixel reference.
#include <gtest/gtest.h>

#include "bwimage/bw_reference.h"

using namespace bwref;
using Ran = TRkImgRan<unsigned short>;
using W = CRkBWImage;

namespace {

struct Random {
    std::mt19937 rng;
    explicit Random(unsigned seed) : rng(seed) {}
    TestDib dib() { return TestDib(rktest::RandomCase(rng, 1)); }
    // lo <= hi inside [0, size), often reaching an edge or one pixel long.
    std::pair<int, int> range(int size) {
        int a = rng() % size, b = rng() % size;
        if (a > b) std::swap(a, b);
        const int k = rng() % 6;
        return {k == 1 ? 0 : a, k == 0 ? size - 1 : k == 2 ? a : b};
    }
    Rect rect(const TestDib& d) {
        auto [l, r] = range(d.w);
        auto [t, b] = range(d.h);
        return Rect(l, t, r, b);
    }
};

// op 0 draws, 1 erases, 2 reverses pixels (x, y) .. (x + dx * (n - 1), y + dy * (n - 1)).
void Paint(TestDib& d, int op, int x, int y, int dx, int dy, int n) {
    for (int i = 0; i < n; ++i, x += dx, y += dy) d.set(x, y, op == 0 || (op == 2 && !d.get(x, y)));
}

// Draw, Erase and Reverse in each form.
void (W::*const kPixel[])(WORD, WORD) = {&W::Draw, &W::Erase, &W::Reverse};
void (W::*const kSpan[])(WORD, WORD, WORD, int) = {&W::Draw, &W::Erase, &W::Reverse};
void (W::*const kRect[])(Rect) = {&W::Draw, &W::Erase, &W::Reverse};
void (W::*const kRuns[])(WORD, std::vector<Ran>&, int) = {&W::Draw, &W::Erase, &W::Reverse};

// Every drawing form against the reference, padding bits included.
TEST(BWImageBasics, DrawEraseReverseDifferential) {
    Random f(2024);
    for (int iter = 0; iter < 400; ++iter) {
        TestDib d = f.dib(), ref = d;
        CRkBWImage img(d.header(), d.bits.data());
        for (int step = 0; step < 30; ++step) {
            const int op = f.rng() % 3, kind = f.rng() % 5;
            const bool horizontal = kind == 1 || (kind == 4 && f.rng() % 2);
            const WORD line = f.rng() % (horizontal ? d.h : d.w);
            if (kind == 0) {
                const WORD x = f.rng() % d.w, y = f.rng() % d.h;
                (img.*kPixel[op])(x, y);
                Paint(ref, op, x, y, 0, 0, 1);
            } else if (kind <= 2) {  // a horizontal (1) or vertical (2) span
                auto [s, e] = f.range(horizontal ? d.w : d.h);
                (img.*kSpan[op])(line, s, e, horizontal);
                Paint(ref, op, horizontal ? s : line, horizontal ? line : s, horizontal, !horizontal,
                      e - s + 1);
            } else if (kind == 3) {
                const Rect r = f.rect(d);
                (img.*kRect[op])(r);
                for (int y = r.top; y <= r.bottom; ++y) Paint(ref, op, r.left, y, 1, 0, r.right - r.left + 1);
            } else {  // a run list, runs possibly overlapping; any non-zero flag is horizontal
                std::vector<Ran> runs;
                for (int i = f.rng() % 6; i > 0; --i) {
                    auto [s, e] = f.range(horizontal ? d.w : d.h);
                    runs.emplace_back(s, e);
                    Paint(ref, op, horizontal ? s : line, horizontal ? line : s, horizontal, !horizontal,
                          e - s + 1);
                }
                (img.*kRuns[op])(line, runs, horizontal ? 1 + f.rng() % 3 : 0);
            }
            ASSERT_EQ(d.bits, ref.bits) << "iter " << iter << " step " << step << " w " << d.w;
        }
    }
}

// Counting, frames, trimming and copying of random rectangles.
TEST(BWImageBasics, RectangleOperationsDifferential) {
    Random f(31);
    for (int iter = 0; iter < 600; ++iter) {
        TestDib d = f.dib(), ref = d;
        CRkBWImage img(d.header(), d.bits.data());
        const Rect r = f.rect(d);
        DWORD black = 0;
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x) {
                black += d.get(x, y);
                ASSERT_EQ(img.IsBlack(WORD(x), WORD(y)) != 0, d.get(x, y));
                ASSERT_EQ(img.IsBlack(d.row(y), WORD(x)) != 0, d.get(x, y));
            }
        ASSERT_EQ(img.CountBlack(r), black) << d.w << " " << r.left << "-" << r.right;
        const int w = r.right - r.left + 1, h = r.bottom - r.top + 1, op = iter % 4;
        if (op <= 1) {
            op ? img.EraseFrameRect(r) : img.DrawFrameRect(r);
            for (int y : {r.top, r.bottom}) Paint(ref, op, r.left, y, 1, 0, w);
            for (int x : {r.left, r.right}) Paint(ref, op, x, r.top, 0, 1, h);
        } else if (op == 2) {
            img.TrimRect(r);
            for (int k = 0; k < d.w * d.h; ++k)
                if (k % d.w < r.left || k % d.w > r.right || k / d.w < r.top || k / d.w > r.bottom)
                    ref.set(k % d.w, k / d.w, false);
        } else {  // into this image from another of the same size, either order
            TestDib src(rktest::DibCase{d.w, d.h, 1, f.rng() % 2 == 1, 0, unsigned(iter)});
            CRkBWImage from(src.header(), src.bits.data());
            ASSERT_TRUE(img.CopyRect(&from, r));
            for (int y = r.top; y <= r.bottom; ++y)
                for (int x = r.left; x <= r.right; ++x) ref.set(x, y, src.get(x, y));
        }
        ASSERT_EQ(d.bits, ref.bits) << iter;
    }
    // MemoryAnd and MemoryOr change only the pixels s..e of a row.
    TestDib any(8, 1);
    CRkBWImage img(any.header(), any.bits.data());
    for (int iter = 0; iter < 2000; ++iter) {
        const int width = 1 + f.rng() % 120, bytes = (width + 7) / 8;
        std::vector<BYTE> dst(bytes), src(bytes);
        for (int i = 0; i < bytes; ++i) dst[i] = BYTE(f.rng()), src[i] = BYTE(f.rng());
        auto [s, e] = f.range(width);
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

// A rectangle (or the whole image) as a packed DIB; a buffer one byte short is left alone.
TEST(BWImageBasics, AcquireImageDifferential) {
    Random f(13);
    for (int iter = 0; iter < 600; ++iter) {
        TestDib d = f.dib();
        CRkBWImage img(d.header(), d.bits.data());
        Rect r = iter % 10 ? f.rect(d) : img.GetRkImgRect();
        const int w = r.right - r.left + 1, h = r.bottom - r.top + 1, stride = (w + 31) / 32 * 4;
        Rect* asked = iter % 10 ? &r : nullptr;
        std::vector<BYTE> small(48 + size_t(stride) * h - 1, 0xCD), buf(small.size() + 1, 0xCD);
        ASSERT_FALSE(img.AcquireImage(small.data(), DWORD(small.size()), asked));
        ASSERT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0xCD; }));
        ASSERT_TRUE(img.AcquireImage(buf.data(), DWORD(buf.size()), asked));
        if (!asked) {
            ASSERT_EQ(memcmp(buf.data(), d.header(), 48), 0);
            ASSERT_EQ(memcmp(buf.data() + 48, d.bits.data(), d.bits.size()), 0);
            continue;
        }
        TestDib out(w, h, d.topDown);
        memcpy(out.bits.data(), buf.data() + 48, out.bits.size());
        BITMAPINFOHEADER hd;
        memcpy(&hd, buf.data(), sizeof hd);
        ASSERT_EQ(hd.biWidth * 100000 + hd.biHeight * 10 + hd.biBitCount,
                  w * 100000 + (d.topDown ? -h : h) * 10 + 1);
        ASSERT_EQ(memcmp(buf.data() + 12, reinterpret_cast<BYTE*>(d.header()) + 12, 36), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < stride * 8; ++x)
                ASSERT_EQ(out.get(x, y), x < w && d.get(r.left + x, r.top + y))
                    << "iter " << iter << " x " << x;
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
