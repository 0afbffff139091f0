// Fuzz target: the command-line tool's recognition-JSON reader on arbitrary
// bytes, checked against a large page and a small one. It must answer with a
// recognition or one line of problem, never throw; an accepted recognition
// must write back and read again to the same JSON.
#include <cstdlib>
#include <string>

#include "cli/recognition_json.h"

namespace {

void parse(const std::string& text, uint32_t width, uint32_t height) {
    rkcli::Recognition rec;
    const std::string err = rkcli::ParseRecognitionJson(text, width, height, rec);
    if (!err.empty()) {
        if (err.find('\n') != std::string::npos) std::abort();
        return;
    }
    const std::string again = rkcli::RecognitionToJson(rec);
    rkcli::Recognition back;
    if (!rkcli::ParseRecognitionJson(again, width, height, back).empty()) std::abort();
    if (rkcli::RecognitionToJson(back) != again) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    parse(text, 2480, 3508);
    parse(text, 100, 60);
    return 0;
}
