// Fuzz target: the bilevel image toolkit on arbitrary images (size, row
// order, row stride, pixels, padding bits) and in-image rectangles, lines and
// ranges. The input is a script of operations taken from kOps, one table row
// per operation, so a new operation is one more row. Images sit in buffers of
// exactly their rows, so the sanitizers see any access outside them; each
// result is checked against the range it was asked for.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "rkcorr/rkcorr.h"

namespace {

typedef TRkImgRect<unsigned short> Rect;
typedef TRkImgRan<unsigned short> Ran;

void check(bool ok) {
    if (!ok) std::abort();
}

// A 1-bit DIB: header and two palette entries, and rows in their own block.
struct Image {
    std::vector<uint32_t> header;
    std::unique_ptr<BYTE[]> bits;
    unsigned w, h, stride;
    std::unique_ptr<CRkBWImage> view;

    Image(unsigned width, unsigned height, bool topDown, unsigned extraBytes, FuzzedDataProvider* in)
        : header(12, 0), w(width), h(height), stride((width + 31) / 32 * 4 + extraBytes) {
        BITMAPINFOHEADER* hd = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
        hd->biSize = 40;
        hd->biWidth = LONG(w);
        hd->biHeight = topDown ? -LONG(h) : LONG(h);
        hd->biPlanes = 1;
        hd->biBitCount = 1;
        hd->biClrUsed = 2;
        const size_t n = size_t(stride) * h;
        bits.reset(new BYTE[n]);
        std::memset(bits.get(), 0, n);
        if (in) {
            const std::vector<BYTE> pattern =
                in->ConsumeBytes<BYTE>(in->ConsumeIntegralInRange<size_t>(0, 512));
            for (size_t i = 0; i < n && !pattern.empty(); ++i) bits[i] = pattern[i % pattern.size()];
        }
        view.reset(new CRkBWImage(hd, bits.get(), DWORD(n)));
        if (extraBytes) view->SetLineByte(WORD(stride));
    }
};

// Stops an operation after a number of steps.
class Cancel : public CRkProgress {
public:
    explicit Cancel(unsigned steps) : left_(steps) {}
    int SendProgress(unsigned int) override { return left_-- > 0 ? 1 : 0; }

private:
    unsigned left_;
};

struct Ctx {
    FuzzedDataProvider& in;
    Image& img;
    Image& other;  // a second image: dot image, copy source

    unsigned short x() { return WORD(in.ConsumeIntegralInRange<unsigned>(0, img.w - 1)); }
    unsigned short y() { return WORD(in.ConsumeIntegralInRange<unsigned>(0, img.h - 1)); }
    int flag() { return in.ConsumeIntegralInRange<int>(0, 2); }
    // A range start <= end along a line of n pixels.
    void range(unsigned n, unsigned short& a, unsigned short& b) {
        a = WORD(in.ConsumeIntegralInRange<unsigned>(0, n - 1));
        b = WORD(in.ConsumeIntegralInRange<unsigned>(a, n - 1));
    }
    Rect rect() {
        unsigned short l, r, t, b;
        range(img.w, l, r);
        range(img.h, t, b);
        return Rect(l, t, r, b);
    }
    bool inside(const Rect& r, const Rect& area) const {
        return r.left <= r.right && r.top <= r.bottom && r.left >= area.left && r.right <= area.right &&
               r.top >= area.top && r.bottom <= area.bottom;
    }
    template <class R>
    void runs_within(const std::vector<R>& runs, unsigned a, unsigned b) const {
        unsigned next = a;
        for (const R& r : runs) {
            check(r.start >= next && r.start <= r.end && r.end <= b);
            next = r.end + 1u;
        }
    }
};

void horizontal_runs(Ctx& c) {
    const unsigned short line = c.y();
    unsigned short a, b;
    c.range(c.img.w, a, b);
    std::vector<Ran> r1;
    std::vector<TRkImgRanPlus<unsigned short>> r2;
    std::vector<TRkImgRan2Plus<unsigned short>> r3;
    c.img.view->HRanExtract(r1, line, a, b);
    c.img.view->HRanExtract(&r2, line, a, b);
    c.img.view->HRanExtract(&r3, line, a, b);
    c.runs_within(r1, a, b);
    check(r1.size() == r2.size() && r1.size() == r3.size());
    std::vector<Ran> white;
    c.img.view->HWhiteRanExtract(white, line, a, b);
    c.runs_within(white, a, b);
    unsigned covered = 0;
    for (const Ran& r : r1) covered += r.end - r.start + 1u;
    for (const Ran& r : white) covered += r.end - r.start + 1u;
    check(covered == b - a + 1u);
}

void vertical_runs(Ctx& c) {
    const unsigned short line = c.x();
    unsigned short a, b;
    c.range(c.img.h, a, b);
    std::vector<Ran> r1, white;
    std::vector<TRkImgRanPlus<unsigned short>> r2;
    std::vector<TRkImgRan2Plus<unsigned short>> r3;
    c.img.view->VRanExtract(r1, line, a, b);
    c.img.view->VRanExtract(&r2, line, a, b);
    c.img.view->VRanExtract(&r3, line, a, b);
    c.img.view->VWhiteRanExtract(white, line, a, b);
    c.runs_within(r1, a, b);
    c.runs_within(white, a, b);
    check(r1.size() == r2.size() && r1.size() == r3.size());
}

void ran_extract(Ctx& c) {
    const int horizontal = c.flag(), black = c.flag();
    const unsigned short line = horizontal == 1 ? c.y() : c.x();
    unsigned short a, b;
    c.range(horizontal == 1 ? c.img.w : c.img.h, a, b);
    std::vector<Ran> runs;
    c.img.view->RanExtract(runs, line, a, b, horizontal, black, c.in.ConsumeIntegral<WORD>());
    c.runs_within(runs, a, b);
    std::vector<TRkImgRanPlus<unsigned short>> plus;
    for (const Ran& r : runs) plus.push_back(TRkImgRanPlus<unsigned short>(r.start, r.end, line));
    c.img.view->ConnectRan(&plus, c.in.ConsumeIntegral<WORD>());
    c.runs_within(plus, a, b);
}

void fast_scan(Ctx& c) {
    unsigned short a, b;
    c.range(c.img.w, a, b);
    std::vector<int> t(size_t(b - a + 1) + 2);
    int count = -1;
    HRanExtractFast(c.img.view->GetLineData(c.y()), a, b, t.data(), count);
    check(count >= 0 && count % 2 == 0 && size_t(count) <= t.size() - 1);
    for (int i = 0; i < count; ++i) check(t[i] >= a && t[i] <= b + 1 && (i == 0 || t[i] > t[i - 1]));
}

void redraw(Ctx& c) {
    const int horizontal = c.in.ConsumeBool() ? 1 : 0;  // the default window follows the flag's 1 / not 1
    const unsigned n = horizontal == 1 ? c.img.w : c.img.h;
    const unsigned short line = horizontal == 1 ? c.y() : c.x();
    std::vector<Ran> runs(c.in.ConsumeIntegralInRange<size_t>(0, 8));
    for (Ran& r : runs) c.range(n, r.start, r.end);
    Ran window;
    c.range(n, window.start, window.end);
    c.img.view->ReDraw(line, runs, horizontal, c.in.ConsumeBool() ? &window : nullptr);
}

void draw(Ctx& c) {
    CRkBWImage& v = *c.img.view;
    const int horizontal = c.flag();
    const unsigned short line = horizontal != 0 ? c.y() : c.x();
    unsigned short a, b;
    c.range(horizontal != 0 ? c.img.w : c.img.h, a, b);
    std::vector<Ran> runs(1, Ran(a, b));
    switch (c.in.ConsumeIntegralInRange<int>(0, 14)) {
        case 0: v.Draw(c.x(), c.y()); break;
        case 1: v.Erase(c.x(), c.y()); break;
        case 2: v.Reverse(c.x(), c.y()); break;
        case 3: v.Draw(line, a, b, horizontal); break;
        case 4: v.Erase(line, a, b, horizontal); break;
        case 5: v.Reverse(line, a, b, horizontal); break;
        case 6: v.Draw(c.rect()); break;
        case 7: v.Erase(c.rect()); break;
        case 8: v.Reverse(c.rect()); break;
        case 9: v.Draw(line, runs, horizontal); break;
        case 10: v.Erase(line, runs, horizontal); break;
        case 11: v.Reverse(line, runs, horizontal); break;
        case 12: v.DrawFrameRect(c.rect()); break;
        case 13: v.EraseFrameRect(c.rect()); break;
        default: v.TrimRect(c.rect()); break;
    }
}

void count_black(Ctx& c) {
    const Rect r = c.rect();
    check(c.img.view->CountBlack(r) <= DWORD(r.right - r.left + 1) * DWORD(r.bottom - r.top + 1));
}

void copy_and_acquire(Ctx& c) {
    if (c.other.w >= c.img.w && c.other.h >= c.img.h) c.img.view->CopyRect(c.other.view.get(), c.rect());
    Rect r = c.rect();
    const bool whole = c.in.ConsumeBool();
    const size_t need = 48 + size_t(whole ? c.img.w : r.right - r.left + 1u) / 32 * 4 + 4;
    const size_t bytes =
        c.in.ConsumeIntegralInRange<size_t>(0, need * (whole ? c.img.h : r.bottom - r.top + 1u) + 64);
    std::unique_ptr<BYTE[]> buffer(new BYTE[bytes ? bytes : 1]);
    c.img.view->AcquireImage(buffer.get(), DWORD(bytes), whole ? nullptr : &r);
}

// Run labeling and line labeling, with areas, dot images and cancellation.
void labeling(Ctx& c) {
    Rect area = c.rect();
    Rect* a = c.in.ConsumeBool() ? &area : nullptr;
    const Rect bounds = a ? area : Rect(0, 0, WORD(c.img.w - 1), WORD(c.img.h - 1));
    const int dropDots = c.flag(), connect8 = c.flag(), eraseDots = c.flag();
    CRkBWImage* dots = c.in.ConsumeBool() ? c.other.view.get() : nullptr;
    Cancel cancel(c.in.ConsumeIntegralInRange<unsigned>(0, 4000));
    if (c.in.ConsumeBool()) c.img.view->ReplaceProgressObj(&cancel);
    const WORD minLength = WORD(c.in.ConsumeIntegralInRange<unsigned>(0, 40));
    const int horizontal = c.flag();
    switch (c.in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: {
            std::vector<Rect> rects;
            check(c.img.view->SegmentInit(rects, a, dropDots, connect8, eraseDots, dots) == 1);
            for (const Rect& r : rects) check(c.inside(r, bounds));
            break;
        }
        case 1: {
            std::vector<TRkImgRectPlus<unsigned short>> rects;
            check(c.img.view->LabelingRan(rects, a, dropDots, connect8, eraseDots, dots) == 1);
            for (const auto& r : rects) {
                check(c.inside(r, bounds));
                for (const auto& run : r.runs) check(run.start >= r.left && run.end <= r.right);
            }
            break;
        }
        case 2: {
            std::vector<Rect> rects;
            check(c.img.view->SegmentLineRect(rects, minLength, horizontal, a, connect8) == 1);
            for (const Rect& r : rects) check(c.inside(r, bounds));
            break;
        }
        default: {
            std::vector<TRkImgRectPlus<unsigned short>> rects;
            check(c.img.view->LabelingLineRect(rects, minLength, horizontal, a, connect8) == 1);
            for (const auto& r : rects) check(c.inside(r, bounds));
            break;
        }
    }
    c.img.view->SetDefaultProgressObj();
}

void ran_and(Ctx& c) {
    CRunList a(int(c.img.w) + 2), b(int(c.img.w) + 2), out(int(c.img.w) + 2);
    for (CRunList* l : {&a, &b}) {
        HRanExtractFast(c.img.view->GetLineData(c.y()), 0, int(c.img.w) - 1, l->runs, l->count);
        l->ConvertData();
    }
    CRkBWImageTool::RanAnd(a, b, out);
    check(out.count % 2 == 0 && out.count <= a.count + b.count);
}

// 3 x 3 and element morphology with a small element of any content and a
// random origin inside it (the work grows with element times image).
void morphology(Ctx& c) {
    Rect r = c.rect();
    Rect* rect = c.in.ConsumeBool() ? &r : nullptr;
    Image el(c.in.ConsumeIntegralInRange<unsigned>(1, 9), c.in.ConsumeIntegralInRange<unsigned>(1, 9),
             c.in.ConsumeBool(), 0, &c.in);
    CRkBWImage* element = c.in.ConsumeBool() ? el.view.get() : nullptr;
    TRkImgPos<unsigned short> origin(WORD(c.in.ConsumeIntegralInRange<unsigned>(0, el.w - 1)),
                                     WORD(c.in.ConsumeIntegralInRange<unsigned>(0, el.h - 1)));
    TRkImgPos<unsigned short>* o = c.in.ConsumeBool() ? &origin : nullptr;
    CRkBWImage& v = *c.img.view;
    switch (c.in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0: v.LocalErosion(rect); break;
        case 1: v.LocalDilation(rect); break;
        case 2: v.Erosion(rect, element, o); break;
        case 3: v.Dilation(rect, element, o); break;
        case 4: v.Opening(rect, element, o); break;
        default: v.Closing(rect, element, o); break;
    }
}

// Outline, thinning, fillets, projection and gradation.
void shapes(Ctx& c) {
    CRkBWImage& v = *c.img.view;
    Rect r = c.rect();
    const Rect asked = r;
    switch (c.in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0: v.ConvertOutlineImage(r); break;
        case 1: v.ConvertThinningImage(c.in.ConsumeBool() ? &r : nullptr); break;
        case 2:
            if (v.FilletRect(r)) check(c.inside(r, asked));
            break;
        case 3:
            v.FilletRect2(r);
            check(c.inside(r, asked));
            break;
        case 4: {
            std::vector<unsigned short> histogram;
            const int horizontal = c.flag();
            v.Projection(histogram, r, horizontal, c.in.ConsumeIntegral<WORD>(), c.flag());
            check(histogram.empty() ||
                  histogram.size() == size_t(horizontal ? r.bottom - r.top : r.right - r.left) + 1u);
            break;
        }
        default: check(v.Gradation(c.in.ConsumeIntegralInRange<WORD>(0, 12)) == 1); break;
    }
}

// A quarter turn and its inverse give the image back, when the turned rows
// fit the buffer at all.
void rotation(Ctx& c) {
    // The turned image takes the natural row length: only such images are
    // compared pixel by pixel after the round trip.
    if (c.img.stride != (c.img.w + 31) / 32 * 4) return;
    CRkBWImage& v = *c.img.view;
    const size_t n = size_t(c.img.stride) * c.img.h;
    std::vector<BYTE> before(c.img.bits.get(), c.img.bits.get() + n);
    const bool clockwise = c.in.ConsumeBool();
    if (!(clockwise ? v.Clockwise() : v.CounterClockwise())) {
        check(std::memcmp(before.data(), c.img.bits.get(), n) == 0);
        return;
    }
    check(v.GetWidth() == c.img.h && v.GetHeight() == c.img.w);
    check(clockwise ? v.CounterClockwise() : v.Clockwise());
    check(v.GetWidth() == c.img.w && v.GetHeight() == c.img.h && v.GetLineByteSize() == c.img.stride);
    for (unsigned y = 0; y < c.img.h; ++y)
        for (unsigned x = 0; x < c.img.w; ++x) {
            const size_t at = size_t(y) * c.img.stride + x / 8;
            check(((before[at] ^ c.img.bits[at]) & (0x80u >> (x % 8))) == 0);
        }
}

struct Op {
    const char* name;
    void (*run)(Ctx&);
};

const Op kOps[] = {
    {"horizontal runs", horizontal_runs},
    {"vertical runs", vertical_runs},
    {"RanExtract and ConnectRan", ran_extract},
    {"HRanExtractFast", fast_scan},
    {"ReDraw", redraw},
    {"drawing", draw},
    {"CountBlack", count_black},
    {"CopyRect and AcquireImage", copy_and_acquire},
    {"labeling", labeling},
    {"RanAnd", ran_and},
    {"morphology", morphology},
    {"outline, thinning, fillets, projection, gradation", shapes},
    {"quarter turns", rotation},
};
const size_t kOpCount = sizeof kOps / sizeof kOps[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const unsigned w = in.ConsumeIntegralInRange<unsigned>(1, 1200);
    const unsigned h = in.ConsumeIntegralInRange<unsigned>(1, 1200);
    Image img(w, h, in.ConsumeBool(), in.ConsumeBool() ? in.ConsumeIntegralInRange<unsigned>(0, 9) : 0, &in);
    // The second image: as large as the first (a valid dot image) or any size.
    const bool cover = in.ConsumeBool();
    Image other(
        cover ? w + in.ConsumeIntegralInRange<unsigned>(0, 3) : in.ConsumeIntegralInRange<unsigned>(1, 300),
        cover ? h + in.ConsumeIntegralInRange<unsigned>(0, 3) : in.ConsumeIntegralInRange<unsigned>(1, 300),
        in.ConsumeBool(), 0, &in);
    Ctx c{in, img, other};
    for (int steps = 0; steps < 16 && in.remaining_bytes() > 0; ++steps)
        kOps[in.ConsumeIntegralInRange<size_t>(0, kOpCount - 1)].run(c);
    return 0;
}
