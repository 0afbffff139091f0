// Every allocating operation of the morphology, shape, gradation and rotation
// families, with each of its allocations failing in turn: the image stays as
// it was, the documented value comes back, nothing leaks, and once no
// allocation fails the result is the normal one.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/alloc_hook.h"
#include "toolkit_case.h"

namespace {

struct Op {
    std::string name;
    int failValue;  // what the operation returns when memory runs out
    std::function<int(CRkBWImage&)> run;
};

TEST(ToolkitAllocFailure, EveryAllocationFailureLeavesTheImageUnchanged) {
    std::mt19937 rng(1001);
    BWBuffer start(70, 50, true);
    start.randomFill(rng, 0.6);
    start.blobFill(rng, 40);
    BWBuffer element(3, 2);
    element.randomFill(rng, 0.7);
    Rect rect(3, 2, 66, 47);
    std::vector<unsigned short> histogram;
    const std::vector<Op> ops = {
        {"LocalErosion", 0,
         [&](CRkBWImage& i) {
             i.Erosion(&rect, nullptr, nullptr);
             return 0;
         }},
        {"LocalDilation", 0,
         [&](CRkBWImage& i) {
             i.Dilation(nullptr, nullptr, nullptr);
             return 0;
         }},
        {"Erosion", 0,
         [&](CRkBWImage& i) {
             CRkBWImage e = element.image();
             i.Erosion(&rect, &e, nullptr);
             return 0;
         }},
        {"Dilation", 0,
         [&](CRkBWImage& i) {
             CRkBWImage e = element.image();
             i.Dilation(nullptr, &e, nullptr);
             return 0;
         }},
        {"ConvertOutlineImage", 0,
         [&](CRkBWImage& i) {
             i.ConvertOutlineImage(rect);
             return 0;
         }},
        {"ConvertThinningImage", 0,
         [&](CRkBWImage& i) {
             i.ConvertThinningImage(&rect);
             return 0;
         }},
        {"Gradation", 1, [&](CRkBWImage& i) { return i.Gradation(3); }},
        {"Clockwise", 0, [&](CRkBWImage& i) { return i.Clockwise(); }},
        {"CounterClockwise", 0, [&](CRkBWImage& i) { return i.CounterClockwise(); }},
        {"Projection", 0,
         [&](CRkBWImage& i) {
             i.Projection(histogram, rect, 0, 2, 1);
             return static_cast<int>(histogram.size());
         }},
    };
    // The turned rows fit: 50 rows need 8 bytes per line, 70 lines.
    const DWORD bufferSize = static_cast<DWORD>(start.bits.size());
    ASSERT_GE(bufferSize, 8u * 70u);
    for (const Op& op : ops) {
        BWBuffer normal = start;
        CRkBWImage reference(normal.header(), normal.bits.data(), bufferSize);
        const int normalValue = op.run(reference);
        int failures = 0;
        for (long n = 1;; ++n) {
            BWBuffer b = start;
            histogram.assign(4, 7);
            CRkBWImage img(b.header(), b.bits.data(), bufferSize);
            const long live = rktest::g_live.load();
            rktest::g_failIn = n;
            const int value = op.run(img);
            const bool failed = rktest::g_failIn.load() == 0;
            rktest::g_failIn = 0;
            ASSERT_EQ(rktest::g_live.load(), live) << op.name << " leaks with allocation " << n << " failing";
            if (!failed) {
                EXPECT_EQ(value, normalValue) << op.name;
                EXPECT_EQ(b.bits, normal.bits) << op.name;
                break;
            }
            ++failures;
            EXPECT_EQ(value, op.failValue) << op.name << ", allocation " << n;
            EXPECT_EQ(b.bits, start.bits) << op.name << ", allocation " << n;
            EXPECT_EQ(b.header()->biWidth, 70) << op.name;
        }
        EXPECT_GT(failures, 0) << op.name << " allocates nothing";
    }
}

}  // namespace
