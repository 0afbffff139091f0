// The toolkit under failing allocations and locks: every operation of kOps
// runs once to count its allocations and GlobalLock calls, then once with
// each of them failing in turn. Every run must fail in the operation's
// documented way (std::bad_alloc, or its failure result) or finish with the
// full result; it must leave no allocation, block or lock behind, and it may
// change the caller's images only as the full run changes them. One row per
// operation: a new allocating operation is one more row.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "bw_fixture.h"
#include "rkcorr/framepack.h"
#include "rkcorr/platform_memory.h"
#include "support/alloc_hook.h"

using rktest::g_count;
using rktest::g_failIn;
using rktest::g_live;

namespace {

typedef TRkImgRect<unsigned short> Rect;

// What an operation works on: an image with components and dots of every
// size, a dot image that covers it, and a file name for writers.
struct Subject {
    BWBuffer img{97, 61}, dots{97, 61};
    std::string file;
    Subject() {
        std::mt19937 rng(97);
        img.blobFill(rng, 60);
        img.set(3, 3), img.set(50, 1), img.set(95, 59);  // single pixels: dots
        img.dirtyPadding();
        file = ::testing::TempDir() + "rkcorr-sweep-" + std::to_string(::getpid()) + ".bmp";
    }
};

// The result value and a flattened copy of everything the operation output.
struct Outcome {
    long result = 0;
    std::vector<long> out;
    bool operator==(const Outcome& o) const { return result == o.result && out == o.out; }
};

template <class V>
void put_runs(Outcome& o, const V& runs) {
    o.out.push_back(long(runs.size()));
    for (const auto& r : runs) o.out.push_back(long(r.start) << 16 | r.end);
}
template <class V>
void put_rects(Outcome& o, const V& rects) {
    o.out.push_back(long(rects.size()));
    for (const auto& r : rects) o.out.insert(o.out.end(), {r.left, r.top, r.right, r.bottom});
}

enum class Inject { Allocation, Lock, GlobalBlock };

// The failure to inject and what the library calls met. Only the library
// calls made through call() count: a row's own bookkeeping never fails.
struct Injection {
    Inject kind = Inject::Allocation;
    long n = 0;               // the event to fail, 1-based; 0: none
    long pending = 0;         // allocations still to go before the failing one
    bool hit = false;         // the failing allocation was reached
    long allocations = 0;     // made inside library calls
    unsigned long locks = 0;  // GlobalLock calls inside library calls
};
Injection g_inj;

void arm(Inject kind, long n) {
    g_inj = Injection();
    g_inj.kind = kind, g_inj.n = n, g_inj.pending = kind == Inject::Allocation ? n : 0;
    if (kind == Inject::Lock) RkTestFailNthLock(unsigned(n));
    if (kind == Inject::GlobalBlock) RkTestFailNthAlloc(unsigned(n));
}

void disarm() {
    RkTestFailNthLock(0);
    RkTestFailNthAlloc(0);
    g_failIn = 0;
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

enum class Fails { Throws, ReturnsZero };

struct Op {
    const char* name;
    Fails fails;
    std::function<Outcome(Subject&)> run;
};

const std::vector<Op> kOps = {
    {"HRanExtract", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         Outcome o;
         std::vector<TRkImgRan<unsigned short>> a;
         std::vector<TRkImgRanPlus<unsigned short>> b;
         std::vector<TRkImgRan2Plus<unsigned short>> c;
         for (WORD y = 0; y < 61; y += 6) {
             call([&] {
                 img.HRanExtract(a, y, 0, 96), img.HRanExtract(&b, y, 3, 90), img.HRanExtract(&c, y, 9, 9);
             });
             put_runs(o, a), put_runs(o, b), put_runs(o, c);
         }
         return o;
     }},
    {"VRanExtract", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         Outcome o;
         std::vector<TRkImgRan<unsigned short>> a;
         std::vector<TRkImgRanPlus<unsigned short>> b;
         std::vector<TRkImgRan2Plus<unsigned short>> c;
         for (WORD x = 0; x < 97; x += 8) {
             call([&] {
                 img.VRanExtract(a, x, 0, 60), img.VRanExtract(&b, x, 2, 58), img.VRanExtract(&c, x, 0, 60);
             });
             put_runs(o, a), put_runs(o, b), put_runs(o, c);
         }
         return o;
     }},
    {"white runs and RanExtract", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         Outcome o;
         std::vector<TRkImgRan<unsigned short>> r;
         for (WORD k = 0; k < 60; k += 7) {
             call([&] { img.HWhiteRanExtract(r, k, 0, 96); }), put_runs(o, r);
             call([&] { img.VWhiteRanExtract(r, k, 0, 60); }), put_runs(o, r);
             call([&] { img.RanExtract(r, k, 0, 60, k % 2, 1, 3); }), put_runs(o, r);
         }
         return o;
     }},
    {"ReDraw", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         std::vector<TRkImgRan<unsigned short>> runs{{0, 5}, {7, 8}, {8, 40}, {60, 90}};
         TRkImgRan<unsigned short> window(4, 70);
         Outcome o;
         call([&] { o.result = img.ReDraw(10, runs, 1, &window) + img.ReDraw(20, runs, 0, nullptr); });
         return o;
     }},
    {"SegmentInit with dots erased and drawn", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image(), dots = s.dots.image();
         Rect area(2, 1, 95, 59);
         std::vector<Rect> rects;
         Outcome o;
         call([&] { o.result = img.SegmentInit(rects, &area, 1, 1, 1, &dots); });
         put_rects(o, rects);
         return o;
     }},
    {"LabelingRan", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         std::vector<TRkImgRectPlus<unsigned short>> rects;
         Outcome o;
         call([&] { o.result = img.LabelingRan(rects, nullptr, 0, 0, 0, nullptr); });
         put_rects(o, rects);
         for (const auto& r : rects) put_runs(o, r.runs);
         return o;
     }},
    {"SegmentLineRect", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         std::vector<Rect> rects;
         Outcome o;
         call([&] { o.result = img.SegmentLineRect(rects, 2, 1, nullptr, 1); });
         put_rects(o, rects);
         call([&] { o.result += img.SegmentLineRect(rects, 3, 0, nullptr, 0); });
         put_rects(o, rects);
         return o;
     }},
    {"LabelingLineRect", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         std::vector<TRkImgRectPlus<unsigned short>> rects;
         Outcome o;
         call([&] { o.result = img.LabelingLineRect(rects, 1, 0, nullptr, 1); });
         put_rects(o, rects);
         for (const auto& r : rects) put_runs(o, r.runs);
         return o;
     }},
    {"LocalLabelingRan into a frame table", Fails::Throws,
     [](Subject& s) {
         CRkBWImage img = s.img.image();
         CRkFramePack frames;
         Outcome o;
         call([&] { o.result = img.LocalLabelingRan(frames, img.GetRkImgRect(), 1, 1, 1, 0, nullptr); });
         for (const auto& f : frames.frames)
             if (CRkFramePack::IsLive(f)) o.out.insert(o.out.end(), {f.left, f.top, f.right, f.bottom});
         return o;
     }},
    {"UpsideDown", Fails::ReturnsZero,
     [](Subject& s) {
         std::vector<BYTE> dib(s.img.headerStore.size() * 4 + s.img.bits.size());
         std::memcpy(dib.data(), s.img.headerStore.data(), 48);
         std::memcpy(dib.data() + 48, s.img.bits.data(), s.img.bits.size());
         Outcome o;
         call([&] { o.result = RKIMG::UpsideDown(dib.data()); });
         o.out.assign(dib.begin(), dib.end());
         return o;
     }},
    {"OutputBMPImage", Fails::ReturnsZero,
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
    {"CreateDIB", Fails::ReturnsZero,
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

// True when every bit that differs between `before` and `after` also differs
// between `before` and `full`, and takes the value it has in `full`.
bool only_documented_changes(const std::vector<BYTE>& before, const std::vector<BYTE>& after,
                             const std::vector<BYTE>& full) {
    for (size_t i = 0; i < before.size(); ++i)
        if ((before[i] ^ after[i]) & ~(before[i] ^ full[i])) return false;
    return true;
}

struct Totals {
    long runs = 0, allocations = 0, locks = 0, blocks = 0;
};

// Runs `op` with the n-th event of kind `inject` failing; true when the
// failure was met (an allocation countdown may run out unmet).
bool run_failing(const Op& op, Inject inject, long n, const Outcome& full, const Subject& fullSubject) {
    Subject s;
    const std::vector<BYTE> before = s.img.bits, dotsBefore = s.dots.bits;
    const long live = g_live;
    const unsigned blocks = RkTestLiveBlocks();
    bool threw = false, same = false;
    long result = 0;
    arm(inject, n);
    try {
        Outcome got = op.run(s);
        same = got == full;
        result = got.result;
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    disarm();
    // A lock or block failure always meets its call: n is within the count.
    const bool hit = inject == Inject::Allocation ? g_inj.hit : true;
    const long leaked = g_live - live;
    SCOPED_TRACE(std::string(op.name) + ", failing event " + std::to_string(n));
    EXPECT_EQ(leaked, 0);
    EXPECT_EQ(RkTestLiveBlocks(), blocks);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_TRUE(only_documented_changes(before, s.img.bits, fullSubject.img.bits));
    EXPECT_TRUE(only_documented_changes(dotsBefore, s.dots.bits, fullSubject.dots.bits));
    if (!hit) {
        EXPECT_TRUE(same);
    }
    if (threw) {
        EXPECT_EQ(op.fails, Fails::Throws);
    } else if (same) {
        EXPECT_EQ(s.img.bits, fullSubject.img.bits);
        EXPECT_EQ(s.dots.bits, fullSubject.dots.bits);
    } else {
        EXPECT_EQ(op.fails, Fails::ReturnsZero);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(s.img.bits, before);
    }
    return hit;
}

TEST(ToolkitFaults, EveryAllocationAndLockFailingInTurn) {
    Totals t;
    for (const Op& op : kOps) {
        Subject warm, fullSubject;
        arm(Inject::Allocation, 0);
        op.run(warm);  // first calls may allocate once for good (tables of the platform layer)
        arm(Inject::Allocation, 0);
        const Outcome full = op.run(fullSubject);
        const long allocations = g_inj.allocations;
        const long locks = long(g_inj.locks);
        EXPECT_EQ(RkTestTotalLocks(), 0u) << op.name;
        ASSERT_GT(allocations + locks, 0) << op.name << " allocates nothing: no row needed";
        for (long n = 1; n <= allocations; ++n, ++t.allocations)
            EXPECT_TRUE(run_failing(op, Inject::Allocation, n, full, fullSubject)) << op.name << " " << n;
        EXPECT_FALSE(run_failing(op, Inject::Allocation, allocations + 1, full, fullSubject)) << op.name;
        for (long n = 1; n <= locks; ++n, ++t.locks) run_failing(op, Inject::Lock, n, full, fullSubject);
        // Each lock follows a GlobalAlloc of the toolkit's own (CreateDIB): fail those too.
        for (long n = 1; n <= locks; ++n, ++t.blocks)
            run_failing(op, Inject::GlobalBlock, n, full, fullSubject);
        ++t.runs;
    }
    std::printf(
        "toolkit sweep: %ld operations, %ld allocation failures, %ld lock failures, %ld block failures\n",
        t.runs, t.allocations, t.locks, t.blocks);
}

}  // namespace
