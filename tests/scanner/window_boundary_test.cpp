// Pieces of input cut by the end of the 4096-byte window: statements,
// comments, macro statements and keywords are carried into the next window
// and read whole; a piece as long as the window itself is dropped.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "support/test_host.h"

namespace {

using testhost::SplitTokens;
using testhost::TestHost;

const char kDefineNotice[] = "define macro statement encountered";
const char kIncludeNotice[] = "include statment encountered";

int Notices(const TestHost::Run& run, const char* notice) {
    int n = 0;
    for (const auto& t : SplitTokens(run.tokens)) n += t.code == MIF_TOKEN_TEXT && t.Text() == notice;
    return n;
}

// A document whose piece starts exactly at stream offset `at`, followed by
// an include statement that must be seen exactly once.
std::string DocumentWithPieceAt(size_t at, const std::string& piece) {
    std::string doc = "<MIFFile 5.00>\n";
    // Filler: comment lines of at most 60 bytes, then blanks up to `at`.
    while (doc.size() + 61 < at) doc += "# " + std::string(57, 'f') + "\n";
    doc.append(at - doc.size(), ' ');
    doc += piece;
    // Far enough on that the include itself never straddles the boundary.
    doc += "\n" + std::string(64, ' ') + "\ninclude(end)\n";
    return doc;
}

TEST(WindowBoundary, PiecesCutAtEveryOffsetAroundTheWindowEnd) {
    const std::string pieces[] = {
        "<Unknown 12.0 pt>",
        "<Unknown `te>xt'>",  // a '>' inside a string without a backslash ends the value
        "<Container <Inner `a \\> b' 3> <Inner2 4>>",
        "<KeywordThatIsRatherLongIndeed\t5>",
        "# a comment line that crosses the boundary",
        "<Unknown 1 # a comment inside the value\n>",
        "<Unknown\r\n  `multi line' >",
    };
    for (const std::string& piece : pieces) {
        for (size_t at = 4096 - piece.size() - 2; at <= 4097; ++at) {
            TestHost host;
            auto run = host.ReadDocument(DocumentWithPieceAt(at, piece));
            ASSERT_EQ(run.status, MIF_STATUS_OK) << piece << " at " << at;
            EXPECT_EQ(run.percents.back(), 100u);
            EXPECT_EQ(Notices(run, kIncludeNotice), 1) << piece << " at " << at;
            EXPECT_EQ(host.allocator.live, 0);
        }
    }
}

TEST(WindowBoundary, MacroCutBeforeItsParenthesisIsNoticedTwice) {
    const std::string macro = "define(cut here)";
    for (size_t at = 4096 - macro.size() - 3; at <= 4096 - 6; ++at) {
        TestHost host;
        auto run = host.ReadDocument(DocumentWithPieceAt(at, macro));
        ASSERT_EQ(run.status, MIF_STATUS_OK);
        size_t closing = at + macro.size() - 1;  // stream offset of ')'
        int expected = closing < 4096 ? 1 : 2;
        EXPECT_EQ(Notices(run, kDefineNotice), expected) << "define at " << at;
        EXPECT_EQ(Notices(run, kIncludeNotice), 1) << "define at " << at;
    }
}

TEST(WindowBoundary, PieceLongerThanAWindowIsDroppedAndReadingGoesOn) {
    const std::string comment = "#" + std::string(5000, 'c');
    TestHost host;
    mif::ReaderContext* ctx = host.Open(DocumentWithPieceAt(20, comment));
    ASSERT_NE(ctx, nullptr);
    auto run = TestHost::Drain(ctx);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(run.percents.back(), 100u);
    EXPECT_EQ(Notices(run, kIncludeNotice), 1);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);

    // An unfinished statement as long as the window: dropped, no crash.
    TestHost second;
    auto dropped = second.ReadDocument(DocumentWithPieceAt(20, "<Unknown `" + std::string(6000, 's') + "'>"));
    EXPECT_EQ(dropped.status, MIF_STATUS_OK);
    EXPECT_EQ(dropped.percents.back(), 100u);
    EXPECT_EQ(second.allocator.live, 0);
}

// What hides an include statement and what does not: stray text hides the
// rest of its line; inside a string an escaped '>', a '#' and macro words are
// text, but a plain '>' ends the value; unbalanced closes and an unfinished
// end are harmless.
TEST(Statements, WhatEndsAValueAndWhatHidesALine) {
    const std::pair<const char*, int> cases[] = {
        {"junk include(a)\ninclude(b)\n", 1},
        {"<Unknown `a\\> include(x) # not a comment'>\ninclude(y)\n", 1},
        {"<Unknown `a>include(q)\n", 1},
        {">>>\ninclude(a)\n", 1},
        {"include(a)\n<Unfinished `abc", 1},
        {"include(a)\n<Unfinished", 1},
        {"include(a)\n<A <B <C 1>", 1},
    };
    for (const auto& [body, notices] : cases) {
        TestHost host;
        auto run = host.ReadDocument(std::string("<MIFFile 5.00>\n") + body);
        EXPECT_EQ(run.status, MIF_STATUS_OK) << body;
        EXPECT_EQ(run.percents.back(), 100u) << body;
        EXPECT_EQ(Notices(run, kIncludeNotice), notices) << body;
        EXPECT_EQ(host.allocator.live, 0) << body;
    }
}

// A NUL inside a keyword ends its spelling, as it ends a C string; the
// value still starts after the whole word.
TEST(Statements, ANulEndsAKeywordsSpelling) {
    std::ifstream in(MIF_SAMPLES_DIR "/sample.mif", std::ios::binary);
    const std::string sample{std::istreambuf_iterator<char>(in), {}};
    using namespace std::string_literals;
    const std::string spoiled =
        std::regex_replace(sample, std::regex("^( *<[A-Za-z]+)", std::regex::multiline), "$1\0x"s + std::string(20, 'y'));
    ASSERT_GT(spoiled.size(), sample.size() + 100 * 22);
    TestHost clean, nul;
    EXPECT_EQ(nul.ReadDocument(spoiled).tokens, clean.ReadDocument(sample).tokens);
}

TEST(Statements, DeepNestingAndLongKeywordsGrowWithoutFailing) {
    std::string doc = "<MIFFile 5.00>\n";
    for (int i = 0; i < 500; ++i) doc += "<N" + std::to_string(i) + " ";
    doc += "<" + std::string(300, 'K') + " 1>";
    for (int i = 0; i < 500; ++i) doc += ">";
    doc += "\ninclude(a)\n";
    TestHost host;
    auto run = host.ReadDocument(doc);
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(Notices(run, kIncludeNotice), 1);
    EXPECT_EQ(host.allocator.live, 0);
}

}  // namespace
