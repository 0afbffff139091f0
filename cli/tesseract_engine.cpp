// Recognition with Tesseract, laid out as regions, lines and characters.
#include "cli/tesseract_engine.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>

namespace rkcli {

uint16_t DistanceFromConfidence(float confidence) {
    // Confidence 100 is distance 0; each point below costs 10.
    float c = std::clamp(confidence, 0.0f, 100.0f);
    return static_cast<uint16_t>(std::lround((100.0f - c) * 10.0f));
}

uint16_t FirstUcs2(const char* text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    if (!s || !s[0]) return 0xFFFD;
    if (s[0] < 0x80) return s[0];
    if ((s[0] >> 5) == 6 && (s[1] & 0xC0) == 0x80) return uint16_t(((s[0] & 0x1F) << 6) | (s[1] & 0x3F));
    if ((s[0] >> 4) == 14 && (s[1] & 0xC0) == 0x80 && (s[2] & 0xC0) == 0x80)
        return uint16_t(((s[0] & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F));
    return 0xFFFD;
}

TesseractEngine::TesseractEngine() = default;

TesseractEngine::~TesseractEngine() {
    if (api_) api_->End();
}

std::string TesseractEngine::Init(const std::string& lang, const std::string& dataPath, int oem, int psm) {
    api_ = std::make_unique<tesseract::TessBaseAPI>();
    // Tesseract's own chatter goes nowhere; problems are reported by the tool.
    api_->SetVariable("debug_file", "/dev/null");
    if (api_->Init(dataPath.empty() ? nullptr : dataPath.c_str(), lang.c_str(),
                   tesseract::OcrEngineMode(oem)) != 0) {
        api_.reset();
        return "cannot load Tesseract language data \"" + lang + "\"";
    }
    api_->SetVariable("debug_file", "/dev/null");
    api_->SetPageSegMode(tesseract::PageSegMode(psm));
    return {};
}

namespace {

Box BoxAt(tesseract::PageIterator& it, tesseract::PageIteratorLevel level) {
    int l = 0, t = 0, r = 0, b = 0;
    it.BoundingBox(level, &l, &t, &r, &b);
    return Box{uint32_t(std::max(l, 0)), uint32_t(std::max(t, 0)), uint32_t(std::max(r, l)),
               uint32_t(std::max(b, t))};
}

}  // namespace

std::string TesseractEngine::Recognize(PageImage& page, bool withAreas, Recognition& out) {
    if (!api_) return "the recogniser is not initialised";
    out = Recognition{};
    out.width = page.width;
    out.height = page.height;
    api_->SetImage(page.pix.get());
    api_->SetSourceResolution(int(page.xDpi));
    // The thresholded image is taken (copied) before recognition: Tesseract
    // then erases the rules and frames it finds from it, and those belong on
    // the page bits (a chart's frame and axes, a drawing's boxes).
    if (page.kind != PageKind::Bilevel) {
        Pix* bits = api_->GetThresholdedImage();
        if (bits && pixGetWidth(bits) == int(page.width) && pixGetHeight(bits) == int(page.height))
            SetPageBits(page, bits);
        pixDestroy(&bits);
    }
    if (api_->Recognize(nullptr) != 0) return "Tesseract failed to recognise the page";

    std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
    if (!it) return {};
    // One walk over the page. The pieces (symbols) of an image block become
    // engine areas (inclusive edges); rules and other non-text blocks are
    // left out; every text block with symbols becomes a region of lines of
    // characters.
    bool newBlock = true, newLine = true;
    while (!it->Empty(tesseract::RIL_BLOCK)) {
        if (it->IsAtBeginningOf(tesseract::RIL_BLOCK)) newBlock = true;
        if (!PTIsTextType(it->BlockType())) {
            if (withAreas && PTIsImageType(it->BlockType()) && !it->Empty(tesseract::RIL_SYMBOL)) {
                Box b = BoxAt(*it, tesseract::RIL_SYMBOL);
                if (b.right > b.left && b.bottom > b.top)
                    out.engineAreas.push_back(Box{b.left, b.top, b.right - 1, b.bottom - 1});
            }
            if (!it->Next(tesseract::RIL_SYMBOL)) break;
            continue;
        }
        if (it->Empty(tesseract::RIL_WORD)) {
            if (!it->Next(tesseract::RIL_WORD)) break;
            continue;
        }
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) newLine = true;
        if (newBlock) {
            out.regions.push_back(TextRegion{BoxAt(*it, tesseract::RIL_BLOCK), {}});
            newBlock = false;
            newLine = true;
        }
        TextRegion& region = out.regions.back();
        if (newLine) {
            region.lines.push_back(Line{BoxAt(*it, tesseract::RIL_TEXTLINE), {}});
            newLine = false;
        }
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_SYMBOL));
        Char c;
        c.code = FirstUcs2(text.get());
        c.box = BoxAt(*it, tesseract::RIL_SYMBOL);
        c.dist = DistanceFromConfidence(it->Confidence(tesseract::RIL_SYMBOL));
        region.lines.back().chars.push_back(c);
        if (!it->Next(tesseract::RIL_SYMBOL)) break;
    }
    return {};
}

}  // namespace rkcli
