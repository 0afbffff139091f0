// A program outside the tree that uses the installed library.
#include <rkcorr/rkcorr.h>

#include <cstdio>

int main() {
    HGLOBAL h = GlobalAlloc(GHND, 64);
    if (!h || !GlobalLock(h)) {
        std::puts("GlobalAlloc/GlobalLock failed");
        return 1;
    }
    GlobalUnlock(h);
    GlobalFree(h);
    return 0;
}
