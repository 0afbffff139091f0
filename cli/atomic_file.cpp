// Whole-or-nothing files: a unique temporary name in the target's folder, renamed into place.
#include "cli/atomic_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace rkcli {

std::string WriteAtomically(const std::string& path,
                            const std::function<std::string(const std::string&)>& write) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = dir + "." + name + ".XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = mkstemp(buf.data());
    if (fd < 0) return std::strerror(errno);
    close(fd);
    const std::string tmp(buf.data());
    std::string err = write(tmp);
    if (err.empty() && std::rename(tmp.c_str(), path.c_str()) != 0) err = std::strerror(errno);
    if (!err.empty()) std::remove(tmp.c_str());
    return err;
}

std::string WriteFileWhole(const std::string& path, const std::string& text) {
    return WriteAtomically(path, [&text](const std::string& tmp) -> std::string {
        FILE* f = std::fopen(tmp.c_str(), "wb");
        if (!f) return std::strerror(errno);
        bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        ok = (std::fclose(f) == 0) && ok;
        return ok ? "" : "write error";
    });
}

}  // namespace rkcli
