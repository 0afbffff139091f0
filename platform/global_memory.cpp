// Movable memory blocks: a handle table guarded by one mutex. Blocks never
// move, so the pointer that GlobalLock returns stays valid until GlobalFree.
#include "rkcorr/platform_memory.h"

#ifdef RKCORR_TEST_HOOKS
#include "platform/test_hooks.h"
#endif

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

struct Block {
    void* data;
    size_t size;
    unsigned locks;
};

struct Table {
    std::mutex mutex;
    std::unordered_map<HGLOBAL, Block> blocks;
    HGLOBAL next = 1;
    unsigned totalLocks = 0;
    unsigned failLockIn = 0;
    unsigned failAllocIn = 0;
    unsigned long lockCalls = 0;
    bool sizeUnknown = false;
};

Table& table() {
    static Table* t = new Table;  // never destroyed: usable from any static destructor
    return *t;
}

// Counts down a pending injected failure; true when this call must fail.
bool take_failure(unsigned& countdown) {
    if (countdown == 0) return false;
    return --countdown == 0;
}

}  // namespace

extern "C" {

HGLOBAL GlobalAlloc(UINT /*flags*/, SIZE_T bytes) {
    try {
        Table& t = table();
        std::lock_guard<std::mutex> guard(t.mutex);
        if (take_failure(t.failAllocIn)) return 0;
        void* data = std::calloc(bytes ? bytes : 1, 1);
        if (!data) return 0;
        HGLOBAL h = t.next;
        while (h == 0 || t.blocks.count(h)) ++h;
        t.next = h + 1;
        try {
            t.blocks.emplace(h, Block{data, bytes, 0});
        } catch (...) {
            std::free(data);
            return 0;
        }
        return h;
    } catch (...) {
        return 0;
    }
}

LPVOID GlobalLock(HGLOBAL handle) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    ++t.lockCalls;
    if (take_failure(t.failLockIn)) return nullptr;
    auto it = t.blocks.find(handle);
    if (it == t.blocks.end()) return nullptr;
    ++it->second.locks;
    ++t.totalLocks;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL handle) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    auto it = t.blocks.find(handle);
    if (it == t.blocks.end() || it->second.locks == 0) return FALSE;
    --it->second.locks;
    --t.totalLocks;
    return it->second.locks != 0;
}

SIZE_T GlobalSize(HGLOBAL handle) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    if (t.sizeUnknown) return 0;
    auto it = t.blocks.find(handle);
    return it == t.blocks.end() ? 0 : it->second.size;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    auto it = t.blocks.find(handle);
    if (it == t.blocks.end()) return handle;
    t.totalLocks -= it->second.locks;
    std::free(it->second.data);
    t.blocks.erase(it);
    return 0;
}

#ifdef RKCORR_TEST_HOOKS
unsigned RkTestLockCount(HGLOBAL handle) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    auto it = t.blocks.find(handle);
    return it == t.blocks.end() ? 0 : it->second.locks;
}

unsigned RkTestTotalLocks(void) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    return t.totalLocks;
}

unsigned RkTestLiveBlocks(void) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    return static_cast<unsigned>(t.blocks.size());
}

void RkTestFailNthLock(unsigned n) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    t.failLockIn = n;
}

void RkTestFailNthAlloc(unsigned n) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    t.failAllocIn = n;
}

unsigned long RkTestLockCalls(void) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    return t.lockCalls;
}

void RkTestSizeUnknown(int on) {
    Table& t = table();
    std::lock_guard<std::mutex> guard(t.mutex);
    t.sizeUnknown = on != 0;
}
#endif

}  // extern "C"
