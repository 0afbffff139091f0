// Running the built rkcorr tool from a test: a fixture with its own scratch
// directory, the tool run through the shell with its exit status, standard
// output and standard error, and file helpers. Index: Slurp, Spit, Lines,
// Sample, ToolResult, ToolTest.
#ifndef RKCORR_TESTS_SUPPORT_TOOL_RUN_H
#define RKCORR_TESTS_SUPPORT_TOOL_RUN_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace rktest {

namespace fs = std::filesystem;

inline std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void Spit(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A file of the samples folder.
inline std::string Sample(const std::string& name) { return std::string(RKCORR_SAMPLES) + "/" + name; }

struct ToolResult {
    int status = -1;  // exit status; -1 when the tool did not exit normally
    std::string out, err;
};

// A fresh directory dir_ per test, removed afterwards; Tool runs
// RKCORR_TOOL with the arguments (shell syntax) and collects its output.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("rkcorr-test-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    ToolResult Tool(const std::string& args) {
        ToolResult r;
        const std::string cmd =
            std::string(RKCORR_TOOL) + " " + args + " 2>" + (dir_ / "stderr.txt").string();
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return r;
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
        const int st = ::pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        r.err = Slurp(dir_ / "stderr.txt");
        return r;
    }

    fs::path dir_;
};

}  // namespace rktest

#endif
