// Frame table with last-in-first-out reuse of released frames.
#include "rkcorr/framepack.h"

CRkFramePack::CRkFramePack() : freeHead(nullptr) {}

CRkFramePack::~CRkFramePack() {}

void CRkFramePack::clear() {
    frames.clear();
    freeHead = nullptr;
}

CRkFramePack::Frame* CRkFramePack::add_Frame(Frame* f) {
    if (freeHead) {
        Frame* slot = freeHead;
        freeHead = static_cast<Frame*>(slot->nextFree);
        *slot = *f;
        return slot;
    }
    frames.push_back(*f);
    return &frames.back();
}

void CRkFramePack::del_Frame(Frame* f) {
    f->nextFree = freeHead;
    freeHead = f;
    f->SetLeft(65535);
    f->SetRight(0);
}
