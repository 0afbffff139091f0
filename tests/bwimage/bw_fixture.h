// Forwarding header: the test image generator now lives in tests/support.
#ifndef RKCORR_TESTS_BW_FIXTURE_H
#define RKCORR_TESTS_BW_FIXTURE_H
#include "support/test_dib.h"
using BWBuffer = rktest::TestDib;
#endif
