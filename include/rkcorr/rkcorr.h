// libocr-rkcorr: every exported name of the library and its platform layer.
#ifndef RKCORR_RKCORR_H
#define RKCORR_RKCORR_H

#include "rkcorr/export.h"
#include "rkcorr/platform_types.h"
#include "rkcorr/platform_memory.h"
#include "rkcorr/bitmap_types.h"
#include "rkcorr/progress.h"
#include "rkcorr/geometry.h"
#include "rkcorr/bmpimage.h"
#include "rkcorr/hranextract.h"
#include "rkcorr/runlist.h"
#include "rkcorr/framepack.h"
#include "rkcorr/bwimage.h"
#include "rkcorr/bwimagetool.h"
#include "rkcorr/bkerase.h"
#include "rkcorr/edge_entropy.h"
#include "rkcorr/charcode.h"
#include "rkcorr/charconvert.h"
#include "rkcorr/platform_thread.h"
#include "rkcorr/threadpool.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/ocr_records.h"
#include "rkcorr/ocrresult.h"
#include "rkcorr/img_restoration.h"
#include "rkcorr/imgrect.h"
#include "rkcorr/merge_closeset.h"

#endif
