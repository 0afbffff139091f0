// The stages the driver and the commit chain together: page mask and its
// sources, text erasure and labeling, candidate rectangles and merge passes.
#ifndef RKCORR_RESTORE_STAGES_H
#define RKCORR_RESTORE_STAGES_H

#include "mask/mask_sources.h"
#include "restore/candidate.h"
#include "restore/char_rects.h"
#include "restore/merge.h"
#include "restore/text_erase.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/merge_closeset.h"

#endif
