// Running mifread and other programs from the tool's tests.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/test_host.h"

#ifndef MIFREAD_PATH  // builds without the tools
#define MIFREAD_PATH ""
#endif

namespace tooltest {

namespace fs = std::filesystem;

struct Result {
    int exitCode = -1;
    std::string out;  // stdout, and stderr unless the command redirects it
};

// Runs a shell command; stderr joins stdout unless the command says otherwise.
inline Result Shell(const std::string& command, bool joinStderr = true) {
    Result r;
    FILE* p = popen((command + (joinStderr ? " 2>&1" : "")).c_str(), "r");
    if (p == nullptr) return r;
    char buf[65536];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }
inline std::string Tool() { return Quote(MIFREAD_PATH); }
inline Result RunTool(const std::string& args) { return Shell(Tool() + " " + args); }

using testhost::ReadFile;

inline bool HaveProgram(const std::string& name) { return Shell("command -v " + name + " >/dev/null").exitCode == 0; }

inline const std::string kSample = std::string(MIF_SAMPLES_DIR) + "/sample.mif";
inline const fs::path kCorpus = MIF_CORPUS_DIR;

// A fresh folder per test, removed afterwards.
class ToolTest : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(MIFREAD_PATH)) GTEST_SKIP() << "mifread not built";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    const fs::path dir_ = fs::temp_directory_path() / ("mifread-test-" + std::to_string(::getpid()) + "-" +
                                                       testing::UnitTest::GetInstance()->current_test_info()->name());
};

}  // namespace tooltest
