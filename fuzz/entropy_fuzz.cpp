// Fuzz target: the background-erase scorer (BKErase::SetImage, Do,
// GetEntropyScore) and the edge-entropy interface (SetImage, Determine) on
// arbitrary bitmap headers, sizes and rectangles. The block always holds what
// an accepted header describes (header, palette, rows), as the engine
// guarantees; everything else comes from the input. Results must stay in
// their documented ranges and no lock may stay taken.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/rkcorr.h"

namespace {

const uint64_t kMaxBlock = 8u << 20;

void check(bool ok) {
    if (!ok) std::abort();
}

// Bytes an accepted bitmap with this header occupies; 0 for a refused header.
uint64_t bitmap_bytes(const BITMAPINFOHEADER& h) {
    if (h.biSize != 40 || h.biWidth <= 0 || h.biHeight <= 0 || h.biCompression != 0) return 0;
    if (h.biBitCount == 24) return 40 + (uint64_t(h.biWidth) * 3 + 3) / 4 * 4 * uint64_t(h.biHeight);
    if (h.biBitCount == 8)
        return 40 + 4 * uint64_t(h.biClrUsed) + (uint64_t(h.biWidth) + 3) / 4 * 4 * uint64_t(h.biHeight);
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    BITMAPINFOHEADER h;
    std::memset(&h, 0, sizeof h);
    if (in.ConsumeBool()) {  // a header from raw bytes
        const std::vector<uint8_t> raw = in.ConsumeBytes<uint8_t>(sizeof h);
        if (!raw.empty()) std::memcpy(&h, raw.data(), raw.size());
    } else {  // a mostly plausible one
        h.biSize = in.ConsumeBool() ? 40 : in.ConsumeIntegral<DWORD>();
        h.biWidth = in.ConsumeIntegralInRange<LONG>(-2, 3000);
        h.biHeight = in.ConsumeIntegralInRange<LONG>(-2, 3000);
        h.biBitCount = in.ConsumeBool() ? WORD(in.ConsumeBool() ? 8 : 24) : in.ConsumeIntegral<WORD>();
        h.biCompression = in.ConsumeBool() ? 0 : in.ConsumeIntegral<DWORD>();
        h.biClrUsed =
            in.ConsumeBool() ? in.ConsumeIntegralInRange<DWORD>(0, 300) : in.ConsumeIntegral<DWORD>();
    }
    const uint64_t need = bitmap_bytes(h);
    if (need > kMaxBlock || (need && uint64_t(h.biWidth) * uint64_t(h.biHeight) > (1u << 20))) return 0;
    const unsigned claimed = in.ConsumeBool() ? in.ConsumeIntegral<unsigned>() : unsigned(need ? need : 40);
    const bool viaInterface = in.ConsumeBool();
    const bool twice = in.ConsumeBool();
    std::vector<unsigned> rects;
    for (int i = 0; i < 8 && in.remaining_bytes() >= 16; ++i)
        for (int k = 0; k < 4; ++k)
            rects.push_back(in.ConsumeBool() ? in.ConsumeIntegralInRange<unsigned>(0, 3100)
                                             : in.ConsumeIntegral<unsigned>());
    const std::vector<uint8_t> pixels = in.ConsumeRemainingBytes<uint8_t>();

    const size_t bytes = need ? size_t(need) : sizeof h;
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    if (!block) return 0;
    uint8_t* p = static_cast<uint8_t*>(GlobalLock(block));
    for (size_t i = sizeof h; i < bytes && !pixels.empty(); ++i)
        p[i] = pixels[(i - sizeof h) % pixels.size()];
    std::memcpy(p, &h, sizeof h);

    if (!viaInterface) {
        BKErase scorer;
        for (int round = 0; round < (twice ? 2 : 1); ++round) {
            const int set = scorer.SetImage(p, claimed);
            check(set == 0 || set == -1);
            check(set == -1 || need != 0);
            const int done = scorer.Do();
            check(done == 0 || done == -1);
            check((done == 0) == (set == 0));
            check(scorer.CheckState() == (round == 0 ? done == 0 : scorer.CheckState()));
            for (size_t i = 0; i + 3 < rects.size(); i += 4) {
                const float s = scorer.GetEntropyScore(rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
                check(s == -1.0f || (s >= 0.0f && s == s));
                if (!scorer.CheckState()) check(s == -1.0f || s == 0.0f);
            }
        }
        GlobalUnlock(block);
    } else {
        GlobalUnlock(block);
        void* out = nullptr;
        check(QueryEdgeEntropyInterface(&out) == 1 && out != nullptr);
        IEdgeEntropy* e = static_cast<IEdgeEntropy*>(out);
        check(e->Initialize() == 0);
        for (int round = 0; round < (twice ? 2 : 1); ++round) {
            const int format = round == 0 ? 0 : int(claimed & 1);
            const int set = e->SetImage(reinterpret_cast<void*>(uintptr_t(block)), format);
            check(set == 0 || set == -1);
            check(RkTestTotalLocks() == 0);
            for (size_t i = 0; i + 3 < rects.size(); i += 4) {
                const unsigned short kind = static_cast<unsigned short>(rects[i] % 6);
                const unsigned short got =
                    e->Determine(rects[i], rects[i + 1], rects[i + 2], rects[i + 3], kind);
                check(got == kind || ((kind == 1 || kind == 4) && got == 3));
            }
        }
        check(e->Dispose() == 0);
    }
    GlobalFree(block);
    check(RkTestTotalLocks() == 0);
    return 0;
}
