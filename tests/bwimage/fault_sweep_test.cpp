// Every allocation and lock of each toolkit operation failing in turn: documented result, no leak.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <new>
#include <type_traits>
#include <unistd.h>

#include "rkcorr/framepack.h"
#include "support/alloc_hook.h"
#include "support/test_dib.h"

using rktest::g_count;
using rktest::g_failIn;
using rktest::TestDib;

namespace {

typedef TRkImgRect<unsigned short> Rect;

// An image with components and dots, a covering dot image, an element and a file name.
struct Subject {
    TestDib img{97, 61}, dots{97, 61}, element{3, 2};
    std::string file = testing::TempDir() + "rkcorr-sweep-" + std::to_string(getpid()) + ".bmp";
    Subject() {
        std::mt19937 rng(97);
        img.blobFill(rng, 60);
        img.set(3, 3), img.set(50, 1), img.set(95, 59);  // single pixels: dots
        img.dirtyPadding();
        element.randomFill(rng, 0.7);
    }
};

// The result value and a flattened copy of everything the operation output.
struct Outcome {
    long result = 0;
    std::vector<long> out;
    bool operator==(const Outcome& o) const { return result == o.result && out == o.out; }
    template <class V>
    void runs(const V& v) {
        out.push_back(long(v.size()));
        for (const auto& r : v) out.push_back(long(r.start) << 16 | r.end);
    }
    template <class V>
    void rects(const V& v) {
        out.push_back(long(v.size()));
        for (const auto& r : v) out.insert(out.end(), {r.left, r.top, r.right, r.bottom});
        if constexpr (!std::is_same_v<typename V::value_type, Rect>)
            for (const auto& r : v) runs(r.runs);
    }
};

enum class Inject { Allocation, Lock, GlobalBlock };

// The failure to inject and the calls met; only calls made through call() count.
struct Injection {
    long pending = 0;  // allocations still to go before the failing one
    bool hit = false;  // the failing allocation was reached
    long allocations = 0;
    unsigned long locks = 0;
} g_inj;

void arm(Inject kind, long n) {
    g_inj = Injection();
    g_failIn = 0;
    g_inj.pending = kind == Inject::Allocation ? n : 0;
    RkTestFailNthLock(kind == Inject::Lock ? unsigned(n) : 0);
    RkTestFailNthAlloc(kind == Inject::GlobalBlock ? unsigned(n) : 0);
}

// Runs one library call with the allocation countdown live.
template <class F>
void call(F f) {
    struct Pause {
        long count0 = g_count;
        unsigned long locks0 = RkTestLockCalls();
        ~Pause() {
            const long left = g_failIn.exchange(0);
            if (g_inj.pending > 0 && left == 0) g_inj.hit = true;
            g_inj.pending = g_inj.hit ? 0 : left;
            g_inj.allocations += g_count - count0;
            g_inj.locks += RkTestLockCalls() - locks0;
        }
    } pause;
    if (g_inj.pending > 0) g_failIn = g_inj.pending;
    f();
}

constexpr long kThrows = -99;  // std::bad_alloc leaves the operation

struct Op {
    const char* name;
    long failValue;  // the result when memory runs out, or kThrows
    std::function<Outcome(Subject&)> run;
};

// An in-place operation on the image: the outcome is its result and pixels.
Op InPlace(const char* name, long failValue, std::function<long(CRkBWImage&, Subject&)> f) {
    return {name, failValue, [f](Subject& s) {
                CRkBWImage img(s.img.header(), s.img.bits.data(), DWORD(s.img.bits.size()));
                Outcome o;
                call([&] { o.result = f(img, s); });
                o.out.assign(s.img.bits.begin(), s.img.bits.end());
                return o;
            }};
}

Rect kArea(2, 1, 95, 59);

const std::vector<Op> kOps = {
    {"run extraction, both directions", kThrows,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         Outcome o;
         std::vector<TRkImgRan<unsigned short>> a;
         std::vector<TRkImgRanPlus<unsigned short>> b;
         std::vector<TRkImgRan2Plus<unsigned short>> c;
         for (WORD k = 0; k < 61; k += 6)
             for (bool h : {true, false}) {
                 call([&] { h ? img.HRanExtract(a, k, 0, 96) : img.VRanExtract(a, k, 0, 60); });
                 call([&] { h ? img.HRanExtract(&b, k, 3, 90) : img.VRanExtract(&b, k, 2, 58); });
                 call([&] { h ? img.HRanExtract(&c, k, 9, 9) : img.VRanExtract(&c, k, 0, 60); });
                 o.runs(a), o.runs(b), o.runs(c);
                 call([&] { h ? img.HWhiteRanExtract(a, k, 0, 96) : img.VWhiteRanExtract(a, k, 0, 60); });
                 o.runs(a);
                 call([&] { img.RanExtract(a, k, 0, 60, h, 1, 3); });
                 o.runs(a);
             }
         return o;
     }},
    InPlace("ReDraw", kThrows,
            [](CRkBWImage& img, Subject&) {
                std::vector<TRkImgRan<unsigned short>> runs{{0, 5}, {7, 8}, {8, 40}, {60, 90}};
                TRkImgRan<unsigned short> window(4, 70);
                return img.ReDraw(10, runs, 1, &window) + img.ReDraw(20, runs, 0, nullptr);
            }),
    {"labeling wrappers", kThrows,
     [](Subject& s) {
         CRkBWImage img = s.img.image(), dots = s.dots.image();
         std::vector<Rect> rects;
         std::vector<TRkImgRectPlus<unsigned short>> plus;
         CRkFramePack frames;
         Outcome o;
         call([&] { o.result = img.SegmentInit(rects, &kArea, 1, 1, 1, &dots); });
         o.rects(rects);
         call([&] { o.result += img.SegmentLineRect(rects, 2, 1, nullptr, 1); });
         o.rects(rects);
         call([&] { o.result += img.SegmentLineRect(rects, 3, 0, nullptr, 0); });
         o.rects(rects);
         call([&] { o.result += img.LabelingRan(plus, nullptr, 0, 0, 0, nullptr); });
         o.rects(plus);
         call([&] { o.result += img.LabelingLineRect(plus, 1, 0, nullptr, 1); });
         o.rects(plus);
         call([&] { o.result += img.LocalLabelingRan(frames, img.GetRkImgRect(), 1, 1, 1, 0, nullptr); });
         for (const auto& f : frames.frames)
             if (CRkFramePack::IsLive(f)) o.out.insert(o.out.end(), {f.left, f.top, f.right, f.bottom});
         return o;
     }},
    InPlace("square erosion", 0,
            [](CRkBWImage& i, Subject&) { return i.Erosion(&kArea, nullptr, nullptr), 0; }),
    InPlace("square dilation", 0,
            [](CRkBWImage& i, Subject&) { return i.Dilation(nullptr, nullptr, nullptr), 0; }),
    InPlace("element erosion", 0,
            [](CRkBWImage& i, Subject& s) {
                CRkBWImage e = s.element.image();
                return i.Erosion(&kArea, &e, nullptr), 0;
            }),
    InPlace("element dilation", 0,
            [](CRkBWImage& i, Subject& s) {
                CRkBWImage e = s.element.image();
                return i.Dilation(nullptr, &e, nullptr), 0;
            }),
    InPlace("ConvertOutlineImage", 0,
            [](CRkBWImage& i, Subject&) { return i.ConvertOutlineImage(kArea), 0; }),
    InPlace("ConvertThinningImage", 0,
            [](CRkBWImage& i, Subject&) { return i.ConvertThinningImage(&kArea), 0; }),
    InPlace("Gradation", 1, [](CRkBWImage& i, Subject&) { return i.Gradation(3); }),
    InPlace("Clockwise", 0, [](CRkBWImage& i, Subject&) { return i.Clockwise(); }),
    InPlace("CounterClockwise", 0, [](CRkBWImage& i, Subject&) { return i.CounterClockwise(); }),
    {"Projection", 0,  // memory running out leaves the histogram empty
     [](Subject& s) {
         std::vector<unsigned short> histogram(4, 7);
         Outcome o;
         call([&] { s.img.image().Projection(histogram, kArea, 0, 2, 1); });
         o.out.assign(histogram.begin(), histogram.end());
         o.result = long(histogram.size());
         return o;
     }},
    {"UpsideDown", 0,
     [](Subject& s) {
         std::vector<BYTE> dib = s.img.packed();
         Outcome o;
         call([&] { o.result = RKIMG::UpsideDown(dib.data()); });
         o.out.assign(dib.begin(), dib.end());
         return o;
     }},
    {"OutputBMPImage", 0,
     [](Subject& s) {
         std::remove(s.file.c_str());
         CRkBWImage img = s.img.image();
         Outcome o;
         call([&] { o.result = img.OutputBMPImage(s.file.c_str()); });
         if (FILE* f = std::fopen(s.file.c_str(), "rb")) {  // a file is written whole or not at all
             for (int ch; (ch = std::fgetc(f)) != EOF;) o.out.push_back(ch);
             std::fclose(f);
         }
         std::remove(s.file.c_str());
         return o;
     }},
    {"CreateDIB", 0,
     [](Subject&) {
         Outcome o;
         HGLOBAL h = 0;
         call([&] { h = RKIMG::CreateDIB(97, 61, 1); });
         if (h) {
             const BYTE* p = static_cast<const BYTE*>(GlobalLock(h));
             o.result = p != nullptr;
             o.out.assign(p, p + GlobalSize(h));
             GlobalUnlock(h);
             GlobalFree(h);
         }
         return o;
     }},
};

// True when every bit `after` changed from `before` is changed the same way in `full`.
bool OnlyFullChanges(const std::vector<BYTE>& before, const std::vector<BYTE>& after,
                     const std::vector<BYTE>& full) {
    for (size_t i = 0; i < before.size(); ++i)
        if ((before[i] ^ after[i]) & ~(before[i] ^ full[i])) return false;
    return true;
}

// Runs `op` with the n-th event of `inject` failing; true when the failure was met.
bool RunFailing(const Op& op, Inject inject, long n, const Outcome& full, const Subject& fullSubject) {
    Subject s;
    const Subject before;
    const long live = rktest::g_live;
    const unsigned blocks = RkTestLiveBlocks();
    bool threw = false, same = false;
    long result = 0;
    arm(inject, n);
    try {
        const Outcome got = op.run(s);
        same = got == full, result = got.result;
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    const bool hit = inject != Inject::Allocation || g_inj.hit;
    const long leaked = rktest::g_live - live;
    arm(Inject::Allocation, 0);
    SCOPED_TRACE(std::string(op.name) + ", failing event " + std::to_string(n));
    EXPECT_EQ(leaked, 0);
    EXPECT_EQ(RkTestLiveBlocks(), blocks);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_TRUE(OnlyFullChanges(before.img.bits, s.img.bits, fullSubject.img.bits));
    EXPECT_TRUE(OnlyFullChanges(before.dots.bits, s.dots.bits, fullSubject.dots.bits));
    EXPECT_TRUE(hit || same);
    if (threw) {
        EXPECT_EQ(op.failValue, kThrows);
    } else if (same) {
        EXPECT_TRUE(s.img.bits == fullSubject.img.bits && s.dots.bits == fullSubject.dots.bits);
    } else {
        EXPECT_EQ(result, op.failValue);
        EXPECT_TRUE(s.img.bits == before.img.bits && s.img.headerStore == before.img.headerStore);
    }
    return hit;
}

TEST(ToolkitFaults, EveryAllocationAndLockFailingInTurn) {
    long allocations = 0, locks = 0;
    for (const Op& op : kOps) {
        Subject warm, fullSubject;
        arm(Inject::Allocation, 0);
        op.run(warm);  // first calls may allocate once for good (tables of the platform layer)
        arm(Inject::Allocation, 0);
        const Outcome full = op.run(fullSubject);
        const long opAllocations = g_inj.allocations, opLocks = long(g_inj.locks);
        EXPECT_EQ(RkTestTotalLocks(), 0u) << op.name;
        ASSERT_GT(opAllocations + opLocks, 0) << op.name << " allocates nothing: no row needed";
        for (long n = 1; n <= opAllocations; ++n, ++allocations)
            EXPECT_TRUE(RunFailing(op, Inject::Allocation, n, full, fullSubject)) << op.name << " " << n;
        EXPECT_FALSE(RunFailing(op, Inject::Allocation, opAllocations + 1, full, fullSubject)) << op.name;
        // Each lock follows a GlobalAlloc of the toolkit's own (CreateDIB): fail those too.
        for (long n = 1; n <= opLocks; ++n, ++locks) {
            RunFailing(op, Inject::Lock, n, full, fullSubject);
            RunFailing(op, Inject::GlobalBlock, n, full, fullSubject);
        }
    }
    std::printf("toolkit sweep: %zu operations, %ld allocation failures, %ld lock and block failures\n",
                kOps.size(), allocations, locks);
}

}  // namespace
