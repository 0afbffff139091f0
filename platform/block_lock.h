// Scoped lock of a movable-memory block: GlobalLock on construction, the
// matching GlobalUnlock on unlock() or destruction, whichever comes first.
#ifndef RKCORR_PLATFORM_BLOCK_LOCK_H
#define RKCORR_PLATFORM_BLOCK_LOCK_H

#include "rkcorr/platform_memory.h"

class BlockLock {
public:
    explicit BlockLock(HGLOBAL handle) : m_handle(handle), m_data(GlobalLock(handle)) {}
    ~BlockLock() { unlock(); }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;

    // The block's first byte as T*, null when the lock failed or was released.
    template <class T>
    T* get() const {
        return static_cast<T*>(m_data);
    }
    bool locked() const { return m_data != nullptr; }

    void unlock() {
        if (m_data) {
            GlobalUnlock(m_handle);
            m_data = nullptr;
        }
    }

private:
    HGLOBAL m_handle;
    void* m_data;
};

#endif
