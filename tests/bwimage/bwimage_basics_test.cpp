// CRkBWImage basics against a per-pixel reference: random images in both
// storage orders, widths that are not multiples of 8, random spans,
// rectangles and run lists (often touching the right edge).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "rkcorr/bwimage.h"
#include "support/test_dib.h"

using Rect = TRkImgRect<unsigned short>;
using Ran = TRkImgRan<unsigned short>;
using BWBuffer = rktest::TestDib;

namespace {

struct Fixture {
    std::mt19937 rng;
    explicit Fixture(unsigned seed) : rng(seed) {}
    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    BWBuffer randomDib() { return BWBuffer(rktest::RandomCase(rng, 1)); }
    // A coordinate pair lo <= hi inside [0, size), often reaching the edges.
    std::pair<int, int> range(int size) {
        int a = uniform(0, size - 1), b = uniform(0, size - 1);
        if (a > b) std::swap(a, b);
        switch (uniform(0, 5)) {
        case 0: b = size - 1; break;
        case 1: a = 0; break;
        case 2: b = a; break;
        default: break;
        }
        return {a, b};
    }
    Rect rect(const BWBuffer& d) {
        auto [l, r] = range(d.w);
        auto [t, b] = range(d.h);
        return Rect(l, t, r, b);
    }
};

enum class Op { Set, Clear, Flip };

void Apply(BWBuffer& d, int x, int y, Op op) { d.set(x, y, op == Op::Set || (op == Op::Flip && !d.get(x, y))); }

void Span(BWBuffer& d, int line, int start, int end, bool horizontal, Op op) {
    for (int p = start; p <= end; ++p) Apply(d, horizontal ? p : line, horizontal ? line : p, op);
}

void CallSpan(CRkBWImage& img, Op op, WORD line, WORD s, WORD e, int horizontal) {
    if (op == Op::Set) img.Draw(line, s, e, horizontal);
    else if (op == Op::Clear) img.Erase(line, s, e, horizontal);
    else img.Reverse(line, s, e, horizontal);
}

}  // namespace

// Every pixel operation form against the per-pixel reference; the whole pixel
// buffer (padding bits included) must match.
TEST(BWImageBasics, DrawEraseReverseDifferential) {
    Fixture f(2024);
    for (int iter = 0; iter < 400; ++iter) {
        BWBuffer d = f.randomDib();
        BWBuffer ref = d;
        CRkBWImage img(d.header(), d.bits.data());
        for (int step = 0; step < 30; ++step) {
            Op op = static_cast<Op>(f.uniform(0, 2));
            const int kind = f.uniform(0, 4);
            switch (kind) {
            case 0: {  // pixel
                WORD x = f.uniform(0, d.w - 1), y = f.uniform(0, d.h - 1);
                if (op == Op::Set) img.Draw(x, y);
                else if (op == Op::Clear) img.Erase(x, y);
                else img.Reverse(x, y);
                Apply(ref, x, y, op);
                break;
            }
            case 1:
            case 2: {  // horizontal (1) or vertical (2) span
                const bool horizontal = kind == 1;
                auto [s, e] = f.range(horizontal ? d.w : d.h);
                int line = f.uniform(0, (horizontal ? d.h : d.w) - 1);
                CallSpan(img, op, line, s, e, horizontal);
                Span(ref, line, s, e, horizontal, op);
                break;
            }
            case 3: {  // rectangle
                Rect r = f.rect(d);
                if (op == Op::Set) img.Draw(r);
                else if (op == Op::Clear) img.Erase(r);
                else img.Reverse(r);
                for (int y = r.top; y <= r.bottom; ++y) Span(ref, y, r.left, r.right, true, op);
                break;
            }
            default: {  // run list, possibly overlapping runs
                bool horizontal = f.uniform(0, 1) == 1;
                int length = horizontal ? d.w : d.h;
                int line = f.uniform(0, (horizontal ? d.h : d.w) - 1);
                std::vector<Ran> runs;
                for (int i = f.uniform(0, 5); i > 0; --i) {
                    auto [s, e] = f.range(length);
                    runs.emplace_back(s, e);
                }
                int flag = horizontal ? f.uniform(1, 3) : 0;  // any non-zero flag is horizontal
                if (op == Op::Set) img.Draw(line, runs, flag);
                else if (op == Op::Clear) img.Erase(line, runs, flag);
                else img.Reverse(line, runs, flag);
                for (const Ran& r : runs) Span(ref, line, r.start, r.end, horizontal, op);
                break;
            }
            }
            ASSERT_EQ(d.bits, ref.bits) << "iter " << iter << " step " << step << " w " << d.w;
        }
    }
}

TEST(BWImageBasics, FrameAndTrimDifferential) {
    Fixture f(31);
    for (int iter = 0; iter < 300; ++iter) {
        BWBuffer d = f.randomDib();
        BWBuffer ref = d;
        CRkBWImage img(d.header(), d.bits.data());
        Rect r = f.rect(d);
        if (iter % 3 < 2) {
            const Op op = iter % 3 ? Op::Clear : Op::Set;
            if (op == Op::Set) img.DrawFrameRect(r); else img.EraseFrameRect(r);
            for (int y : {r.top, r.bottom}) Span(ref, y, r.left, r.right, true, op);
            for (int x : {r.left, r.right}) Span(ref, x, r.top, r.bottom, false, op);
        } else {
            img.TrimRect(r);
            for (int y = 0; y < d.h; ++y)
                for (int x = 0; x < d.w; ++x)
                    if (!(x >= r.left && x <= r.right && y >= r.top && y <= r.bottom)) ref.set(x, y, false);
        }
        ASSERT_EQ(d.bits, ref.bits) << iter;
    }
    BWBuffer d = Fixture(1).randomDib();
    const std::vector<BYTE> before = d.bits;
    CRkBWImage img(d.header(), d.bits.data());
    img.TrimRect(img.GetRkImgRect());
    EXPECT_EQ(d.bits, before);
}

TEST(BWImageBasics, CountBlackDifferential) {
    Fixture f(8);
    for (int iter = 0; iter < 300; ++iter) {
        BWBuffer d = f.randomDib();
        CRkBWImage img(d.header(), d.bits.data());
        for (int k = 0; k < 20; ++k) {
            Rect r = f.rect(d);
            DWORD expected = 0;
            for (int y = r.top; y <= r.bottom; ++y)
                for (int x = r.left; x <= r.right; ++x) {
                    expected += d.get(x, y);
                    ASSERT_EQ(img.IsBlack(static_cast<WORD>(x), static_cast<WORD>(y)) != 0, d.get(x, y));
                    ASSERT_EQ(img.IsBlack(d.row(y), static_cast<WORD>(x)) != 0, d.get(x, y));
                }
            ASSERT_EQ(img.CountBlack(r), expected) << d.w << " " << r.left << "-" << r.right;
        }
    }
}

TEST(BWImageBasics, MemoryAndOrDifferential) {
    Fixture f(55);
    for (int iter = 0; iter < 2000; ++iter) {
        int width = f.uniform(1, 120);
        int bytes = (width + 7) / 8;
        std::vector<BYTE> dst(bytes), src(bytes);
        for (auto& b : dst) b = static_cast<BYTE>(f.rng());
        for (auto& b : src) b = static_cast<BYTE>(f.rng());
        auto [s, e] = f.range(width);
        std::vector<BYTE> out = dst;
        BWBuffer any(8, 1, false);
        CRkBWImage img(any.header(), any.bits.data());
        bool useAnd = iter % 2 == 0;
        if (useAnd) img.MemoryAnd(out.data(), src.data(), s, e);
        else img.MemoryOr(out.data(), src.data(), s, e);
        for (int x = 0; x < bytes * 8; ++x) {
            int dv = (dst[x >> 3] >> (7 - (x & 7))) & 1, sv = (src[x >> 3] >> (7 - (x & 7))) & 1;
            int expected = x < s || x > e ? dv : useAnd ? (dv & sv) : (dv | sv);
            ASSERT_EQ((out[x >> 3] >> (7 - (x & 7))) & 1, expected) << s << "-" << e << " at " << x;
        }
    }
}

TEST(BWImageBasics, CopyRectBetweenStorageOrders) {
    Fixture f(9);
    for (int iter = 0; iter < 200; ++iter) {
        BWBuffer a = f.randomDib();
        BWBuffer b(a.w, a.h, f.uniform(0, 1) == 1);
        b.randomize(f.rng);
        BWBuffer ref = b;
        CRkBWImage src(a.header(), a.bits.data()), dst(b.header(), b.bits.data());
        Rect r = f.rect(a);
        ASSERT_TRUE(dst.CopyRect(&src, r));
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x) ref.set(x, y, a.get(x, y));
        ASSERT_EQ(b.bits, ref.bits) << iter;
    }
}

namespace {

// Reads pixel (x, y) from a packed 1-bit DIB in a buffer.
bool BufferPixel(const std::vector<BYTE>& buf, int x, int y) {
    BITMAPINFOHEADER h;
    memcpy(&h, buf.data(), sizeof h);
    int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    int stride = ((h.biWidth + 31) / 32) * 4;
    int row = h.biHeight < 0 ? y : height - 1 - y;
    return (buf[48 + static_cast<size_t>(stride) * row + (x >> 3)] >> (7 - (x & 7))) & 1;
}

}  // namespace

TEST(BWImageBasics, AcquireRectangleDifferential) {
    Fixture f(13);
    for (int iter = 0; iter < 600; ++iter) {
        BWBuffer d = f.randomDib();
        CRkBWImage img(d.header(), d.bits.data());
        Rect r = iter % 10 ? f.rect(d) : img.GetRkImgRect();  // 1 in 10: the whole image, no rectangle
        int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
        int stride = ((w + 31) / 32) * 4;
        size_t needed = 48 + static_cast<size_t>(stride) * h;
        std::vector<BYTE> small(needed - 1, 0xCD);
        Rect* asked = iter % 10 ? &r : nullptr;
        ASSERT_FALSE(img.AcquireImage(small.data(), static_cast<DWORD>(small.size()), asked));
        ASSERT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0xCD; }));
        std::vector<BYTE> buf(needed, 0xCD);
        ASSERT_TRUE(img.AcquireImage(buf.data(), static_cast<DWORD>(buf.size()), asked));
        if (!asked) {  // the whole image: header and rows as stored, padding included
            ASSERT_EQ(memcmp(buf.data(), d.header(), 48), 0);
            ASSERT_EQ(memcmp(buf.data() + 48, d.bits.data(), d.bits.size()), 0);
            continue;
        }
        BITMAPINFOHEADER out;
        memcpy(&out, buf.data(), sizeof out);
        ASSERT_EQ(out.biWidth, w);
        ASSERT_EQ(out.biHeight, d.topDown ? -h : h);
        ASSERT_EQ(out.biBitCount, 1);
        ASSERT_EQ(memcmp(buf.data() + 12, reinterpret_cast<BYTE*>(d.header()) + 12, 36), 0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < stride * 8; ++x) {
                bool expected = x < w && d.get(r.left + x, r.top + y);
                ASSERT_EQ(BufferPixel(buf, x, y), expected)
                    << "iter " << iter << " rect " << r.left << "," << r.top << " w " << w << " x " << x;
            }
        }
    }
}

TEST(BWImageBasics, SetLineByteChangesAddressing) {
    BWBuffer d(16, 4, true);
    CRkBWImage img(d.header(), d.bits.data());
    img.SetLineByte(2);
    EXPECT_EQ(img.GetLineData(3), d.bits.data() + 6);
    img.SetImageBufSize(77);
    EXPECT_EQ(img.GetImageBufSize(), 77u);
}

namespace {
// Slot index of a virtual member function (Itanium C++ ABI: a pointer to a
// virtual member holds 1 + the byte offset of its slot).
template <class F>
long Slot(F f) {
    static_assert(sizeof(F) == 2 * sizeof(void*), "Itanium member pointer");
    uintptr_t raw;
    memcpy(&raw, &f, sizeof raw);
    return static_cast<long>((raw - 1) / sizeof(void*));
}
}  // namespace

TEST(BWImageBasics, VirtualSlotOrder) {
    using B = CRkBMPImage;
    const long base[] = {Slot(&B::CheckUpsideDown), Slot(&B::GetLineData), Slot(&B::GetXResolution),
                         Slot(&B::GetYResolution), Slot(&B::GetLineByteSize), Slot(&B::GetWidth),
                         Slot(&B::GetHeight), Slot(&B::GetImageBufSize), Slot(&B::GetRkImgRect),
                         Slot(&B::GetLNImgRect), Slot(&B::GetRGBQUAD), Slot(&B::GetXDot), Slot(&B::GetDotY),
                         Slot(&B::POINTtoDOT), Slot(&B::MMtoDOT), Slot(&B::OutputBMPImage),
                         Slot(&B::ReplaceProgressObj), Slot(&B::SetDefaultProgressObj), Slot(&B::DPItoDPM),
                         Slot(&B::DPMtoDPI)};
    for (long i = 0; i < 20; ++i) EXPECT_EQ(base[i], i);

    using W = CRkBWImage;
    using RanVec = std::vector<Ran>;
    EXPECT_EQ(Slot(&W::SetLineByte), 20);
    EXPECT_EQ(Slot(&W::SetImageBufSize), 21);
    EXPECT_EQ(Slot(static_cast<BOOL (W::*)(WORD, WORD) const>(&W::IsBlack)), 22);
    EXPECT_EQ(Slot(static_cast<BOOL (W::*)(const BYTE*, WORD) const>(&W::IsBlack)), 23);
    EXPECT_EQ(Slot(&W::CountBlack), 24);
    // The later slots keep the table's order (other families sit between them).
    std::vector<long> order = {
        Slot(&W::CountBlack),
        Slot(static_cast<void (W::*)(WORD, WORD)>(&W::Draw)),
        Slot(static_cast<void (W::*)(WORD, WORD, WORD, int)>(&W::Draw)),
        Slot(static_cast<void (W::*)(Rect)>(&W::Draw)),
        Slot(static_cast<void (W::*)(WORD, RanVec&, int)>(&W::Draw)),
        Slot(static_cast<void (W::*)(WORD, WORD)>(&W::Erase)),
        Slot(static_cast<void (W::*)(WORD, WORD, WORD, int)>(&W::Erase)),
        Slot(static_cast<void (W::*)(Rect)>(&W::Erase)),
        Slot(static_cast<void (W::*)(WORD, RanVec&, int)>(&W::Erase)),
        Slot(static_cast<void (W::*)(WORD, WORD)>(&W::Reverse)),
        Slot(static_cast<void (W::*)(WORD, WORD, WORD, int)>(&W::Reverse)),
        Slot(static_cast<void (W::*)(Rect)>(&W::Reverse)),
        Slot(static_cast<void (W::*)(WORD, RanVec&, int)>(&W::Reverse)),
        Slot(&W::DrawFrameRect), Slot(&W::EraseFrameRect), Slot(&W::TrimRect),
        Slot(&W::CopyRect), Slot(&W::AcquireImage), Slot(&W::NumOfBits)};
    for (size_t i = 1; i < order.size(); ++i) EXPECT_LT(order[i - 1], order[i]) << i;
    // Draw .. Reverse and the frames are consecutive.
    for (size_t i = 2; i <= 15; ++i) EXPECT_EQ(order[i], order[i - 1] + 1) << i;
    EXPECT_EQ(order[17], order[16] + 1);  // CopyRect, AcquireImage
}

namespace {
// Overriding the pixel form changes the forms built on it.
struct PixelLog : CRkBWImage {
    using CRkBWImage::CRkBWImage;
    int drawn = 0;
    void Draw(WORD x, WORD y) override { ++drawn; CRkBWImage::Draw(x, y); }
    using CRkBWImage::Draw;
};
}  // namespace

TEST(BWImageBasics, OperationsGoThroughVirtualSlots) {
    BWBuffer d(20, 10, false);
    PixelLog img(d.header(), d.bits.data());
    img.Draw(3, 2, 7, 0);  // vertical span: pixel by pixel
    EXPECT_EQ(img.drawn, 6);
    img.Draw(3, 2, 7, 1);  // horizontal span: whole bytes
    EXPECT_EQ(img.drawn, 6);
    BWBuffer s(20, 10, true);
    std::mt19937 rng(3);
    s.randomize(rng);
    CRkBWImage src(s.header(), s.bits.data());
    img.CopyRect(&src, Rect(0, 0, 19, 9));
    int black = 0;
    for (int y = 0; y < 10; ++y) for (int x = 0; x < 20; ++x) black += s.get(x, y);
    EXPECT_EQ(img.drawn, 6 + black);
}
