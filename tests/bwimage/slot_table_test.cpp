// The absolute virtual slot of every operation of CRkBMPImage and CRkBWImage.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "rkcorr/bwimage.h"

namespace {

using W = CRkBWImage;
using B = CRkBMPImage;
using Rect = TRkImgRect<unsigned short>;
using RanV = std::vector<TRkImgRan<unsigned short>>;
using RanPV = std::vector<TRkImgRanPlus<unsigned short>>;
using Ran2V = std::vector<TRkImgRan2Plus<unsigned short>>;

// Itanium ABI: a virtual member pointer holds 1 + the byte offset of its slot.
template <class F>
long Slot(F f) {
    static_assert(sizeof(F) == 2 * sizeof(void*), "Itanium member pointer");
    uintptr_t raw;
    std::memcpy(&raw, &f, sizeof raw);
    if ((raw & 1) == 0) return -1;  // not virtual
    return static_cast<long>((raw - 1) / sizeof(void*));
}

// A class derived by a host gets its own slots after the table.
struct Derived : CRkBWImage {
    using CRkBWImage::CRkBWImage;
    virtual int Extra() { return 7; }
};

// Overloads by signature.
typedef BOOL (W::*Pixel)(WORD, WORD) const;
typedef BOOL (W::*RowPixel)(const BYTE*, WORD) const;
typedef void (W::*Point)(WORD, WORD);
typedef void (W::*Span)(WORD, WORD, WORD, int);
typedef void (W::*Area)(Rect);
typedef void (W::*Line)(WORD, RanV&, int);
typedef void (W::*Runs)(RanV&, WORD, WORD, WORD);
typedef void (W::*RunsPlus)(RanPV*, WORD, WORD, WORD);
typedef void (W::*Runs2Plus)(Ran2V*, WORD, WORD, WORD);

TEST(SlotTable, EveryVirtualOperationSitsAtItsPublishedIndex) {
    const std::vector<long> slots = {
        // CRkBMPImage
        Slot(&B::CheckUpsideDown), Slot(&B::GetLineData), Slot(&B::GetXResolution), Slot(&B::GetYResolution),
        Slot(&B::GetLineByteSize), Slot(&B::GetWidth), Slot(&B::GetHeight), Slot(&B::GetImageBufSize),
        Slot(&B::GetRkImgRect), Slot(&B::GetLNImgRect), Slot(&B::GetRGBQUAD), Slot(&B::GetXDot),
        Slot(&B::GetDotY), Slot(&B::POINTtoDOT), Slot(&B::MMtoDOT), Slot(&B::OutputBMPImage),
        Slot(&B::ReplaceProgressObj), Slot(&B::SetDefaultProgressObj), Slot(&B::DPItoDPM), Slot(&B::DPMtoDPI),
        // CRkBWImage, 20 on
        Slot(&W::SetLineByte), Slot(&W::SetImageBufSize), Slot(Pixel(&W::IsBlack)),
        Slot(RowPixel(&W::IsBlack)), Slot(&W::CountBlack), Slot(&W::ReDraw), Slot(Point(&W::Draw)),
        Slot(Span(&W::Draw)), Slot(Area(&W::Draw)), Slot(Line(&W::Draw)), Slot(Point(&W::Erase)),
        Slot(Span(&W::Erase)), Slot(Area(&W::Erase)), Slot(Line(&W::Erase)), Slot(Point(&W::Reverse)),
        Slot(Span(&W::Reverse)), Slot(Area(&W::Reverse)), Slot(Line(&W::Reverse)), Slot(&W::DrawFrameRect),
        Slot(&W::EraseFrameRect), Slot(&W::TrimRect), Slot(&W::RanExtract),
        // 42
        Slot(&W::Dilation), Slot(&W::Erosion), Slot(&W::Opening), Slot(&W::Closing), Slot(&W::SegmentInit),
        Slot(&W::LabelingRan), Slot(&W::SegmentLineRect), Slot(&W::LabelingLineRect),
        // 50
        Slot(&W::ConvertOutlineImage), Slot(&W::Gradation), Slot(&W::Clockwise), Slot(&W::CounterClockwise),
        Slot(&W::FilletRect), Slot(&W::FilletRect2), Slot(&W::Projection), Slot(&W::CopyRect),
        Slot(&W::AcquireImage), Slot(&W::ConvertThinningImage), Slot(&W::ConnectRan),
        // 61
        Slot(Runs(&W::HRanExtract)), Slot(RunsPlus(&W::HRanExtract)), Slot(Runs2Plus(&W::HRanExtract)),
        Slot(Runs(&W::VRanExtract)), Slot(RunsPlus(&W::VRanExtract)), Slot(Runs2Plus(&W::VRanExtract)),
        Slot(&W::HWhiteRanExtract), Slot(&W::VWhiteRanExtract), Slot(&W::NumOfBits),
        // 70
        Slot(&W::LocalLabelingRan), Slot(&W::LocalLabelingLineRect), Slot(&W::RanToFrame),
        Slot(&W::RanToFrame_4Connect), Slot(&W::RanToFrame2), Slot(&W::RanToFrame_4Connect2),
        Slot(&Derived::Extra)};
    ASSERT_EQ(slots.size(), 77u);
    for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(slots[i], static_cast<long>(i)) << "entry " << i;
    // The members outside the table are not virtual.
    for (long slot :
         {Slot(&W::LocalErosion), Slot(&W::LocalDilation), Slot(&W::FilletLine), Slot(&W::DeletePt)})
        EXPECT_EQ(slot, -1);
}

}  // namespace
