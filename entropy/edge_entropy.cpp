// CEdgeEntropy: the exported edge-entropy interface over one BKErase.
#include "rkcorr/edge_entropy.h"

#include <limits.h>
#include <stdint.h>

#include <new>

#include "rkcorr/bkerase.h"
#include "rkcorr/platform_memory.h"

namespace {

const unsigned short kPictureKind = 3;
const double kThreshold = 0.8;

HGLOBAL handle_of(void* image) { return static_cast<HGLOBAL>(reinterpret_cast<uintptr_t>(image)); }

}  // namespace

IEdgeEntropy::~IEdgeEntropy() {}

CEdgeEntropy::CEdgeEntropy() : m_scorer(nullptr) {}

// The scorer is freed by Dispose, not here.
CEdgeEntropy::~CEdgeEntropy() {}

int CEdgeEntropy::Initialize() {
    try {
        return init();
    } catch (...) {
        release();
        return -1;
    }
}

int CEdgeEntropy::Dispose() {
    release();
    delete this;
    return 0;
}

int CEdgeEntropy::SetImage(void* image, int format) {
    if (m_scorer == nullptr) return -1;
    if (format != 0) return -1;
    const HGLOBAL handle = handle_of(image);
    try {
        // The scorer only checks the size for 0: a block of 4 GiB or more must
        // not wrap to it.
        const SIZE_T bytes = GlobalSize(handle);
        const unsigned int size = bytes > UINT_MAX ? UINT_MAX : static_cast<unsigned int>(bytes);
        // Locked only while the scorer copies the pixels; its answer shows in
        // Do, which succeeds only for an accepted bitmap.
        void* bitmap = GlobalLock(handle);
        m_scorer->SetImage(bitmap, size);
        GlobalUnlock(handle);
        return m_scorer->Do();
    } catch (...) {
        release();
        return -1;
    }
}

unsigned short CEdgeEntropy::Determine(unsigned int top, unsigned int left, unsigned int bottom,
                                       unsigned int right, unsigned short kind) {
    try {
        if (m_scorer == nullptr || !m_scorer->CheckState()) return kind;
        if (kind != 1 && kind != 4) return kind;
        const float score = m_scorer->GetEntropyScore(left, top, right - left, bottom - top);
        return static_cast<double>(score) < kThreshold ? kPictureKind : kind;
    } catch (...) {
        release();
        return kind;
    }
}

int CEdgeEntropy::init() {
    release();
    m_scorer = new (std::nothrow) BKErase;
    return m_scorer != nullptr ? 0 : -1;
}

void CEdgeEntropy::release() {
    delete m_scorer;
    m_scorer = nullptr;
}

static_assert(sizeof(CEdgeEntropy) == 2 * sizeof(void*), "interface pointer and scorer");

extern "C" int QueryEdgeEntropyInterface(void** out) {
    if (out == nullptr) return 1;
    CEdgeEntropy* object = new (std::nothrow) CEdgeEntropy;
    *out = object != nullptr ? static_cast<IEdgeEntropy*>(object) : nullptr;
    return 1;
}
