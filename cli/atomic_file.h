// Files that appear whole or not at all: written under a unique temporary
// name in the target's folder, then renamed over the target.
#ifndef RKCORR_CLI_ATOMIC_FILE_H
#define RKCORR_CLI_ATOMIC_FILE_H

#include <functional>
#include <string>

namespace rkcli {

// Calls `write(tmp)` with a fresh temporary path beside `path` (it returns ""
// or a problem), then renames the temporary file to `path`. On any failure the
// temporary file is removed and the problem returned; "" on success.
std::string WriteAtomically(const std::string& path,
                            const std::function<std::string(const std::string&)>& write);

// The same for a text: `text` becomes the whole content of `path`.
std::string WriteFileWhole(const std::string& path, const std::string& text);

}  // namespace rkcli

#endif
