// The public headers beside a host's own Win32-style header included first
// (RKCORR_HOST_WIN32_TYPES): no macro is redefined, the host's types stand,
// and the library is called through them. The engine-record header compiled
// as C11 sees the same record layouts as C++.
#include "host_win32.h"
#define RKCORR_HOST_WIN32_TYPES
#include <rkcorr/rkcorr.h>

#include <gtest/gtest.h>

#include <vector>

extern "C" unsigned rkcorr_c_record_size(int which);

namespace {

TEST(PublicHeaders, HostTypesAndCRecords) {
    std::vector<size_t> sizes;
    for (int which = 0; which < 6; ++which) sizes.push_back(rkcorr_c_record_size(which));
    EXPECT_EQ(sizes,
              (std::vector<size_t>{sizeof(tagOCRHEAD), sizeof(tagIMGHEAD), sizeof(tagRESULT), 64, 58, 810}));
    // The host's macros are the ones in force, and the calls take its types.
    EXPECT_TRUE(TRUE == (1 == 1));
    EXPECT_EQ(MAKEWORD(0x134, 0x2), 0x234);
    HGLOBAL block = GlobalAlloc(GHND, 64);
    ASSERT_NE(block, 0u);
    BITMAPINFOHEADER* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    ASSERT_NE(h, nullptr);
    h->biWidth = 5;
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), 0u);
    HANDLE event = CreateEvent(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    CloseHandle(event);
    EXPECT_EQ(ImgRestoration(nullptr), -1);
}

}  // namespace
