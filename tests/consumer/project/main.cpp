// A program outside the tree that uses the installed libraries: a block from
// the platform library, and ImgRestoration refusing a page it cannot read.
#include <rkcorr/rkcorr.h>

#include <cstdio>

int main() {
    HGLOBAL block = GlobalAlloc(GHND, 64);
    auto* bytes = static_cast<BYTE*>(block ? GlobalLock(block) : nullptr);
    const bool locked = bytes && bytes[63] == 0;
    if (bytes) GlobalUnlock(block);
    const int rc = ImgRestoration(nullptr);
    const bool ok = locked && GlobalFree(block) == 0 && rc == -1;
    if (!ok) std::printf("GlobalAlloc/GlobalLock %s, ImgRestoration: %d\n", locked ? "ok" : "failed", rc);
    return ok ? 0 : 1;
}
