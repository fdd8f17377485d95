// mifread as a user runs it: exit codes, messages, help, and the objects it
// extracts from the sample's anchored frame.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

#ifndef MIFREAD_PATH
#define MIFREAD_PATH ""
#endif

struct Result {
    int exitCode = -1;
    std::string out;  // stdout and stderr together
};

Result RunTool(const std::string& args) {
    Result r;
    std::string cmd = std::string("'") + MIFREAD_PATH + "' " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

std::string Sample() { return std::string(MIF_SAMPLES_DIR) + "/sample.mif"; }

class Mifread : public testing::Test {
protected:
    void SetUp() override {
        if (std::string(MIFREAD_PATH).empty() || !fs::exists(MIFREAD_PATH)) GTEST_SKIP() << "mifread not built";
        dir_ = fs::temp_directory_path() / ("mifread-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::string& content) {
        fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    fs::path dir_;
};

TEST_F(Mifread, ReadsTheSample) {
    Result r = RunTool("'" + Sample() + "'");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out.find("master page"), std::string::npos);  // master flows are not reported
}

TEST_F(Mifread, TokensShowOffsetsAndTheHeader) {
    Result r = RunTool("--tokens '" + Sample() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"(^ +0  page 12240x15840)")));
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"(\n +38  line-spacing class=0\n +44  charset 7\n)")));
}

TEST_F(Mifread, RawIsTheTokenBytes) {
    Result r = RunTool("--raw '" + Sample() + "'");
    ASSERT_EQ(r.exitCode, 0);
    ASSERT_GE(r.out.size(), 53u);
    EXPECT_EQ(static_cast<uint8_t>(r.out[0]), 16);
    EXPECT_EQ(static_cast<uint8_t>(r.out[38]), 18);
    EXPECT_EQ(static_cast<uint8_t>(r.out[44]), 27);
}

TEST_F(Mifread, FontsListsTheCatalogFaces) {
    Result r = RunTool("--fonts '" + Sample() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    // The sample's paragraph catalog names these three families.
    EXPECT_NE(r.out.find("\"Times New Roman\"  family=roman"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"Arial\"  family=swiss"), std::string::npos);
    EXPECT_NE(r.out.find("\"Courier New\"  family=modern"), std::string::npos);
}

TEST_F(Mifread, FailuresAreReportedWithNonZeroExit) {
    const std::string notMif = Write("plain.txt", "just some text\n");
    const std::string empty = Write("empty.mif", "");
    struct Case {
        std::string args;
        std::string message;
        int exitCode;
    } cases[] = {
        {"'" + notMif + "'", notMif + ": not a MIF file", 1},
        {"'" + empty + "'", empty + ": not a MIF file", 1},
        {"'" + (dir_ / "missing.mif").string() + "'", "cannot open", 1},
        {"'" + dir_.string() + "'", "is a directory", 1},
        {"--buffer-size 63 '" + Sample() + "'", "at least 64", 2},
        {"--module /nonexistent/lib.so '" + Sample() + "'", "cannot load /nonexistent/lib.so", 2},
        {"--tokens --raw '" + Sample() + "'", "excludes", 109},
    };
    for (const Case& c : cases) {
        Result r = RunTool(c.args);
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
        if (c.exitCode == 109) {
            EXPECT_NE(r.exitCode, 0) << c.args;  // CLI11's own code for an excluded pair
        } else {
            EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
        }
    }
}

TEST_F(Mifread, OneBadFileAmongGoodOnesFailsTheRun) {
    const std::string notMif = Write("plain.txt", "x\n");
    Result r = RunTool("'" + Sample() + "' '" + notMif + "' '" + Sample() + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("not a MIF file"), std::string::npos);
    // Both good files are still read.
    size_t first = r.out.find("==> " + Sample());
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(r.out.find("==> " + Sample(), first + 1), std::string::npos);
}

TEST_F(Mifread, HelpDescribesEveryOption) {
    Result r = RunTool("--help");
    EXPECT_EQ(r.exitCode, 0);
    for (const char* word : {"--tokens", "--raw", "--buffer-size", "--fonts", "--extract", "--module", "files",
                             "Output", "exit status"}) {
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    }
}

// The sample's frame 12 embeds a GIF as hex lines; decoded from the sample
// itself, it must be what --extract writes.
std::vector<uint8_t> SampleGif() {
    std::ifstream in(Sample());
    std::string line, hex;
    bool inData = false;
    while (std::getline(in, line)) {
        if (line == "&%v") { inData = true; continue; }
        if (inData && line.rfind("=EndInset", 0) == 0) break;
        if (inData && !line.empty() && line[0] == '&') hex += line.substr(1);
    }
    std::string digits;
    for (size_t i = 0; i < hex.size(); ++i) {
        if (hex[i] == '\\' && i + 1 < hex.size() && hex[i + 1] == 'x') { ++i; continue; }
        digits += hex[i];
    }
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

TEST_F(Mifread, ExtractWritesTheEmbeddedImage) {
    Result tokens = RunTool("--tokens '" + Sample() + "'");
    if (tokens.out.find("frame id=12") == std::string::npos) GTEST_SKIP() << "the module does not report frames yet";
    fs::path out = dir_ / "objects";
    Result r = RunTool("--extract '" + out.string() + "' '" + Sample() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    fs::path gif = out / "frame-12.gif";
    ASSERT_TRUE(fs::exists(gif)) << r.out;
    EXPECT_NE(r.out.find("wrote " + gif.string()), std::string::npos);
    std::ifstream in(gif, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> want = SampleGif();
    ASSERT_GE(want.size(), 8u);
    ASSERT_EQ(std::string(want.begin(), want.begin() + 6), "GIF89a");
    ASSERT_EQ(want.back(), 0x3B);  // trailer: the whole image was decoded
    EXPECT_EQ(bytes, want);
}

TEST_F(Mifread, BufferSizeDoesNotChangeTheOutput) {
    Result a = RunTool("--raw '" + Sample() + "'");
    Result b = RunTool("--raw --buffer-size 1000000 '" + Sample() + "'");
    EXPECT_EQ(a.exitCode, 0);
    EXPECT_EQ(a.out, b.out);
}

}  // namespace
