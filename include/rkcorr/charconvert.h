// Upper/lower case conversion of single UCS-2 characters, in general and with
// the Turkish dotted and dotless i. The tables cover Basic Latin, Latin-1 to
// IPA, Greek to Armenian and the extended Latin and Greek blocks; every other
// code is returned unchanged.
#ifndef RKCORR_CHARCONVERT_H
#define RKCORR_CHARCONVERT_H

#include "rkcorr/export.h"

class RKCORR_API ICharConvert {
public:
    virtual ~ICharConvert();
    virtual unsigned short Convert(unsigned short code) = 0;
};

// Small letter to capital letter.
class RKCORR_API CSmallToCapital : public ICharConvert {
public:
    unsigned short Convert(unsigned short code) override;
};

// Capital letter to small letter.
class RKCORR_API CCapitalToSmall : public ICharConvert {
public:
    unsigned short Convert(unsigned short code) override;
};

// As CSmallToCapital, but i (U+0069) becomes capital I with dot (U+0130).
class RKCORR_API CSmallToCapitalTR : public CSmallToCapital {
public:
    unsigned short Convert(unsigned short code) override;
};

// As CCapitalToSmall, but I (U+0049) becomes dotless small i (U+0131).
class RKCORR_API CCapitalToSmallTR : public CCapitalToSmall {
public:
    unsigned short Convert(unsigned short code) override;
};

// Case tables: entry i is the other case of code (first + i), or that code
// itself when it has none.
RKCORR_API extern const unsigned short g_wStoC_0x0040_0x007f[64];
RKCORR_API extern const unsigned short g_wStoC_0x00c0_0x02af[496];
RKCORR_API extern const unsigned short g_wStoC_0x0380_0x058f[528];
RKCORR_API extern const unsigned short g_wStoC_0x1e00_0x1fff[512];
RKCORR_API extern const unsigned short g_wCtoS_0x0040_0x007f[64];
RKCORR_API extern const unsigned short g_wCtoS_0x00c0_0x02af[496];
RKCORR_API extern const unsigned short g_wCtoS_0x0380_0x058f[528];
RKCORR_API extern const unsigned short g_wCtoS_0x1e00_0x1fff[512];

#endif
