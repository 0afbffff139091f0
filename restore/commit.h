// Result commit: the final merge and the write-back into tagIMGAREA.
#ifndef RKCORR_RESTORE_COMMIT_H
#define RKCORR_RESTORE_COMMIT_H

#include <list>
#include <vector>

#include "rkcorr/ocr_records.h"

class IMGRect;

// Adds the engine's areas of tagIMGAREA to `candidates`, sorts, runs the last
// merge passes (with `chars` as reference) and writes at most 100 areas and
// their count back. Returns the number of surviving areas (may exceed 100),
// or -1 when `head` or `candidates` is null or tagIMGAREA cannot be locked.
// `width` and `height` are the page's size in pixels. After the call the
// list points into storage that no longer exists: only destroy it.
int commit_result(tagOCRHEAD* head, std::list<IMGRect*>* candidates, std::vector<IMGRect>* chars,
                  unsigned int width, unsigned int height);

#endif
