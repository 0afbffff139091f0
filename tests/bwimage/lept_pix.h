// Forwarding header: the Leptonica bridge now lives in tests/support.
#ifndef RKCORR_TESTS_LEPT_PIX_H
#define RKCORR_TESTS_LEPT_PIX_H
#include "bw_fixture.h"
#include "support/lept_bridge.h"
using rktest::LeptBoxes;
using rktest::ToPix;
#endif
