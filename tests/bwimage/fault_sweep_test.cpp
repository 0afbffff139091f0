// Every allocation and lock of each toolkit operation failing in turn: documented result, no leak.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <new>

#include "rkcorr/framepack.h"
#include "support/alloc_hook.h"
#include "support/test_dib.h"

using rktest::TestDib;

namespace {

typedef TRkImgRect<unsigned short> Rect;
typedef TRkImgRan<unsigned short> Ran;

// Images and everything the operations need, made first: every allocation during one is the library's.
struct Subject {
    TestDib img{97, 61}, dots{97, 61}, element{3, 2};
    CRkBWImage el = element.image();
    std::vector<BYTE> packed;
    std::vector<Ran> runs{{0, 5}, {7, 8}, {8, 40}, {60, 90}};
    std::vector<unsigned short> histogram = std::vector<unsigned short>(4, 7);
    std::string file = testing::TempDir() + "rkcorr-sweep-" + std::to_string(getpid()) + ".bmp";
    long result = 0;
    std::vector<long> out;  // everything the operation output, flattened
    Subject() {
        std::mt19937 rng(97);
        img.blobFill(rng, 60);
        img.set(3, 3), img.set(50, 1), img.set(95, 59);  // single pixels: dots
        img.dirtyPadding();
        element.randomFill(rng, 0.7);
        packed = img.packed();
        out.reserve(1 << 16);
    }
    void put(long v) { out.push_back(v); }
    void put(const Ran& r) { out.push_back(long(r.start) << 16 | r.end); }
    void put(const Rect& r) { out.insert(out.end(), {r.left, r.top, r.right, r.bottom}); }
    void put(const TRkImgRectPlus<unsigned short>& r) { put(static_cast<const Rect&>(r)), put(r.runs); }
    template <class C, class = typename C::value_type>
    void put(const C& v) {
        out.push_back(long(v.size()));
        for (const auto& e : v) put(e);
    }
};

constexpr long kThrows = -99;  // std::bad_alloc leaves the operation
Rect kArea(2, 1, 95, 59);

struct Op {
    const char* name;
    long failValue;  // the result when memory runs out, or kThrows
    std::function<long(Subject&)> run;
};

const std::vector<Op> kOps = {
    {"run extraction, both directions", kThrows,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         std::vector<Ran> a;
         std::vector<TRkImgRanPlus<unsigned short>> b;
         std::vector<TRkImgRan2Plus<unsigned short>> c;
         for (WORD k = 0; k < 61; k += 6)
             for (bool h : {true, false}) {
                 h ? img.HRanExtract(a, k, 0, 96) : img.VRanExtract(a, k, 0, 60);
                 h ? img.HRanExtract(&b, k, 3, 90) : img.VRanExtract(&b, k, 2, 58);
                 h ? img.HRanExtract(&c, k, 9, 9) : img.VRanExtract(&c, k, 0, 60);
                 s.put(a), s.put(b), s.put(c);
                 h ? img.HWhiteRanExtract(a, k, 0, 96) : img.VWhiteRanExtract(a, k, 0, 60);
                 s.put(a);
                 img.RanExtract(a, k, 0, 60, h, 1, 3);
                 s.put(a);
             }
         return 0L;
     }},
    {"ReDraw", kThrows,
     [](Subject& s) {
         Ran window(4, 70);
         CRkBWImage img = s.img.image();
         return long(img.ReDraw(10, s.runs, 1, &window) + img.ReDraw(20, s.runs, 0, nullptr));
     }},
    {"labeling wrappers", kThrows,
     [](Subject& s) {
         CRkBWImage img = s.img.image(), dots = s.dots.image();
         std::vector<Rect> rects;
         std::vector<TRkImgRectPlus<unsigned short>> plus;
         CRkFramePack frames;
         long r = img.SegmentInit(rects, &kArea, 1, 1, 1, &dots);
         s.put(rects);
         r += img.SegmentLineRect(rects, 2, 1, nullptr, 1);
         s.put(rects);
         r += img.SegmentLineRect(rects, 3, 0, nullptr, 0);
         s.put(rects);
         r += img.LabelingRan(plus, nullptr, 0, 0, 0, nullptr);
         s.put(plus);
         r += img.LabelingLineRect(plus, 1, 0, nullptr, 1);
         s.put(plus);
         r += img.LocalLabelingRan(frames, img.GetRkImgRect(), 1, 1, 1, 0, nullptr);
         for (const auto& f : frames.frames)
             if (CRkFramePack::IsLive(f)) s.put(static_cast<const Rect&>(f));
         return r;
     }},
    {"square erosion", 0, [](Subject& s) { return s.img.image().Erosion(&kArea, nullptr, nullptr), 0L; }},
    {"square dilation", 0, [](Subject& s) { return s.img.image().Dilation(nullptr, nullptr, nullptr), 0L; }},
    {"element erosion", 0, [](Subject& s) { return s.img.image().Erosion(&kArea, &s.el, nullptr), 0L; }},
    {"element dilation", 0, [](Subject& s) { return s.img.image().Dilation(nullptr, &s.el, nullptr), 0L; }},
    {"ConvertOutlineImage", 0, [](Subject& s) { return s.img.image().ConvertOutlineImage(kArea), 0L; }},
    {"ConvertThinningImage", 0, [](Subject& s) { return s.img.image().ConvertThinningImage(&kArea), 0L; }},
    {"Gradation", 1, [](Subject& s) { return long(s.img.image().Gradation(3)); }},
    {"Clockwise", 0, [](Subject& s) { return long(s.img.image().Clockwise()); }},
    {"CounterClockwise", 0, [](Subject& s) { return long(s.img.image().CounterClockwise()); }},
    {"Projection", 0,  // memory running out leaves the histogram empty
     [](Subject& s) {
         s.img.image().Projection(s.histogram, kArea, 0, 2, 1);
         return s.put(s.histogram), long(s.histogram.size());
     }},
    {"UpsideDown", 0,
     [](Subject& s) {
         const long r = RKIMG::UpsideDown(s.packed.data());
         return s.out.insert(s.out.end(), s.packed.begin(), s.packed.end()), r;
     }},
    {"OutputBMPImage", 0,
     [](Subject& s) {
         std::remove(s.file.c_str());
         const long r = s.img.image().OutputBMPImage(s.file.c_str());
         if (FILE* f = std::fopen(s.file.c_str(), "rb")) {  // a file is written whole or not at all
             for (int ch; (ch = std::fgetc(f)) != EOF;) s.put(ch);
             std::fclose(f);
         }
         return std::remove(s.file.c_str()), r;
     }},
    {"CreateDIB", 0,
     [](Subject& s) {
         HGLOBAL h = RKIMG::CreateDIB(97, 61, 1);
         const BYTE* p = h ? static_cast<const BYTE*>(GlobalLock(h)) : nullptr;
         if (p) s.out.insert(s.out.end(), p, p + GlobalSize(h)), GlobalUnlock(h);
         if (h) GlobalFree(h);
         return long(p != nullptr);
     }},
};

enum class Inject { Allocation, Lock, GlobalBlock };

void Arm(Inject kind, long n) {
    RkTestFailNthLock(kind == Inject::Lock ? unsigned(n) : 0);
    RkTestFailNthAlloc(kind == Inject::GlobalBlock ? unsigned(n) : 0);
    rktest::g_failIn = kind == Inject::Allocation ? n : 0;
}

// True when every bit `after` changed from `before` is changed the same way in `full`.
bool OnlyFullChanges(const std::vector<BYTE>& before, const std::vector<BYTE>& after,
                     const std::vector<BYTE>& full) {
    for (size_t i = 0; i < before.size(); ++i)
        if ((before[i] ^ after[i]) & ~(before[i] ^ full[i])) return false;
    return true;
}

// Runs `op` with the n-th event of `kind` failing; true when the failure was met.
bool RunFailing(const Op& op, Inject kind, long n, const Subject& full) {
    Subject s;
    const Subject before;
    const long live = rktest::g_live;
    const unsigned blocks = RkTestLiveBlocks();
    bool threw = false;
    Arm(kind, n);
    try {
        s.result = op.run(s);
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    const bool hit = kind != Inject::Allocation || rktest::g_failIn.exchange(0) == 0;
    Arm(Inject::Allocation, 0);
    const long leaked = rktest::g_live - live;
    const bool same = !threw && s.result == full.result && s.out == full.out && s.img.bits == full.img.bits &&
                      s.dots.bits == full.dots.bits;
    SCOPED_TRACE(std::string(op.name) + ", failing event " + std::to_string(n));
    EXPECT_EQ(std::make_tuple(leaked, RkTestLiveBlocks(), RkTestTotalLocks()),
              std::make_tuple(0L, blocks, 0u));
    EXPECT_TRUE(OnlyFullChanges(before.img.bits, s.img.bits, full.img.bits));
    EXPECT_TRUE(OnlyFullChanges(before.dots.bits, s.dots.bits, full.dots.bits));
    EXPECT_TRUE(hit || same);
    EXPECT_TRUE(!threw || op.failValue == kThrows);
    EXPECT_TRUE(threw || same ||
                (s.result == op.failValue && s.img.bits == before.img.bits &&
                 s.img.headerStore == before.img.headerStore));
    return hit;
}

TEST(ToolkitFaults, EveryAllocationAndLockFailingInTurn) {
    for (const Op& op : kOps) {
        Subject warm, full;
        op.run(warm);  // first calls may allocate once for good (tables of the platform layer)
        const unsigned long locks0 = RkTestLockCalls();
        const long count0 = rktest::g_count;
        full.result = op.run(full);
        const long allocations = rktest::g_count - count0, locks = long(RkTestLockCalls() - locks0);
        EXPECT_EQ(RkTestTotalLocks(), 0u) << op.name;
        ASSERT_GT(allocations + locks, 0) << op.name << " allocates nothing: no row needed";
        for (long n = 1; n <= allocations + 1; ++n)
            EXPECT_EQ(RunFailing(op, Inject::Allocation, n, full), n <= allocations) << op.name << " " << n;
        // Each lock follows a GlobalAlloc of the toolkit's own (CreateDIB): fail those too.
        for (long n = 1; n <= locks; ++n)
            RunFailing(op, Inject::Lock, n, full), RunFailing(op, Inject::GlobalBlock, n, full);
    }
}

}  // namespace
