// Reading and writing a recognition in the tool's JSON format (see
// cli/README.md). Reading checks everything the library itself trusts the
// engine for: box edges, table indices and the 16-bit record limits.
#ifndef RKCORR_CLI_RECOGNITION_JSON_H
#define RKCORR_CLI_RECOGNITION_JSON_H

#include <string>

#include "cli/recognition.h"

namespace rkcli {

// Parses `text` into `out`, checking it against a page of width x height
// pixels. Returns an empty string on success, else a one-line description of
// the first problem found.
std::string ParseRecognitionJson(const std::string& text, uint32_t width, uint32_t height, Recognition& out);

// The recognition in the same format, one object, pretty-printed.
std::string RecognitionToJson(const Recognition& rec);

}  // namespace rkcli

#endif
