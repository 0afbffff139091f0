// Recognition of a page with Tesseract, laid out as the tool's Recognition.
#ifndef RKCORR_CLI_TESSERACT_ENGINE_H
#define RKCORR_CLI_TESSERACT_ENGINE_H

#include <memory>
#include <string>

#include "cli/page_image.h"
#include "cli/recognition.h"

namespace tesseract {
class TessBaseAPI;
}

namespace rkcli {

// One recogniser; not shared between threads (each worker makes its own).
class TesseractEngine {
public:
    TesseractEngine();
    ~TesseractEngine();

    // Loads the language data (`lang` as Tesseract names it, "eng" or
    // "eng+deu"); `dataPath` empty for the installed data. "" or the problem.
    std::string Init(const std::string& lang, const std::string& dataPath, int oem = 3, int psm = 3);

    // Recognises `page`: each text block becomes a region of lines of
    // characters, each image block an engine picture area (unless
    // `withAreas` is false). Grey and colour pages take Tesseract's thresholded
    // image as their page bits. "" or the problem.
    std::string Recognize(PageImage& page, bool withAreas, Recognition& out);

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
};

// The candidate distance the engine's records carry for a confidence in 0..100.
uint16_t DistanceFromConfidence(float confidence);

// The first UTF-8 character of `text` as UCS-2 (U+FFFD when outside it or bad).
uint16_t FirstUcs2(const char* text);

}  // namespace rkcli

#endif
