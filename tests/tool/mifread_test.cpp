// mifread as a user runs it: the text of the sample, refusal of other input,
// and the object it extracts from the sample's anchored frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tool/tool_support.h"

namespace {

using namespace tooltest;
using Mifread = ToolTest;

// Lines worked out by hand from the sample: hex escapes eat one following
// blank, a \t escape becomes a tab ahead of the string and a blank inside it,
// Windows-1252 text comes out as UTF-8, master-page flows are left out. A
// file that is not MIF beside it is refused, and the sample still read.
TEST_F(Mifread, PrintsTheTextOfTheBodyPagesAndRefusesWhatIsNotMif) {
    const std::string plain = (dir_ / "plain.mif").string();
    std::ofstream(plain) << "just some text\n";
    Result r = RunTool("'" + kSample + "' '" + plain + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find(plain + ": not a MIF file"), std::string::npos) << r.out;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (const char* want : {"A Sample Document", "\tName: Value with > and \\ and a copyright sign \xC2\xA9.",
                             "Column one\tcolumn two", "Item\tDescription\tPrice", "Tea\tGreen, loose leaf\t\xC2\xA3" "4",
                             "Coffee\tDark roast\t\xC2\xA3" "6", "Some emphasised and some strong words."}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), want), lines.end()) << want << "\n" << r.out;
    }
    EXPECT_EQ(r.out.find("master page"), std::string::npos);
}

// Output that cannot be written is a failure, in every kind of output.
TEST_F(Mifread, AnUnwritableOutputFails) {
    for (const char* args : {"", "--raw ", "--tokens ", "--to html "}) {
        Result r = Shell(Tool() + " " + args + Quote(kSample) + " 2>&1 >/dev/full", false);
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_NE(r.out.find("cannot write the output"), std::string::npos) << args << r.out;
    }
}

// The sample's frame 12 embeds a GIF as hex lines between "&%v" and
// "=EndInset"; decoded here independently, it must be what --extract writes.
TEST_F(Mifread, ExtractWritesTheEmbeddedImage) {
    std::ifstream mif(kSample);
    std::string line, digits;
    bool inData = false;
    while (std::getline(mif, line) && line.rfind("=EndInset", 0) != 0) {
        if (inData) digits += std::regex_replace(line.substr(1), std::regex(R"(\\x)"), "");  // drop "&" and the \x marks
        inData = inData || line == "&%v";
    }
    std::vector<uint8_t> want;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) want.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    ASSERT_GE(want.size(), 8u);
    ASSERT_EQ(std::string(want.begin(), want.begin() + 6), "GIF89a");
    ASSERT_EQ(want.back(), 0x3B);  // the trailer: the whole image was decoded

    Result r = RunTool("--extract '" + dir_.string() + "' '" + kSample + "'");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    std::ifstream gif(dir_ / "frame-12.gif", std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(gif), {}), want) << r.out;
}

}  // namespace
