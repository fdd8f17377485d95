// Pieces of input cut by the end of the 4096-byte window: statements,
// comments, macro statements and keywords are carried into the next window
// and read whole; a piece as long as the window itself is dropped.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/test_host.h"

namespace {

using testhost::CountText;
using testhost::TestHost;

const char kDefineNotice[] = "define macro statement encountered";
const char kIncludeNotice[] = "include statment encountered";

// A document whose piece starts exactly at stream offset `at`, followed by
// an include statement that must be seen exactly once.
std::string DocumentWithPieceAt(size_t at, const std::string& piece) {
    std::string doc = "<MIFFile 5.00>\n";
    // Filler: comment lines of at most 60 bytes, then blanks up to `at`.
    while (doc.size() + 61 < at) doc.append("# ").append(57, 'f').append("\n");
    doc.append(at - doc.size(), ' ');
    doc += piece;
    // Far enough on that the include itself never straddles the boundary.
    doc.append("\n").append(64, ' ').append("\ninclude(end)\n");
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
            EXPECT_EQ(CountText(run.tokens, kIncludeNotice), 1) << piece << " at " << at;
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
        EXPECT_EQ(CountText(run.tokens, kDefineNotice), expected) << "define at " << at;
        EXPECT_EQ(CountText(run.tokens, kIncludeNotice), 1) << "define at " << at;
    }
}

// What hides an include statement and what does not: stray text hides the
// rest of its line; inside a string an escaped '>', a '#' and macro words are
// text, but a plain '>' ends the value; unbalanced closes and an unfinished
// end are harmless; a piece longer than a window is dropped and reading goes
// on; deep nesting and long keywords grow without failing.
TEST(Statements, WhatEndsAValueAndWhatHidesALine) {
    std::string deep;
    for (int i = 0; i < 500; ++i) deep.append("<N").append(std::to_string(i)).append(" ");
    deep.append("<").append(300, 'K').append(" 1>").append(500, '>');
    const std::pair<std::string, int> cases[] = {
        {"junk include(a)\ninclude(b)\n", 1},
        {"<Unknown `a\\> include(x) # not a comment'>\ninclude(y)\n", 1},
        {"<Unknown `a>include(q)\n", 1},
        {">>>\ninclude(a)\n", 1},
        {"include(a)\n<Unfinished `abc", 1},
        {"include(a)\n<Unfinished", 1},
        {"include(a)\n<A <B <C 1>", 1},
        {std::string("#").append(5000, 'c').append("\ninclude(a)\n"), 1},
        {std::string("<Unknown `").append(6000, 's').append("'>\ninclude(a)\n"), 1},
        {deep + "\ninclude(a)\n", 1},
    };
    for (const auto& [body, notices] : cases) {
        TestHost host;
        auto run = host.ReadDocument("<MIFFile 5.00>\n" + body);
        EXPECT_EQ(run.status, MIF_STATUS_OK) << body.substr(0, 60);
        EXPECT_EQ(run.percents.back(), 100u) << body.substr(0, 60);
        EXPECT_EQ(CountText(run.tokens, kIncludeNotice), notices) << body.substr(0, 60);
    }
}

// A NUL inside a keyword ends its spelling, as it ends a C string; the
// value still starts after the whole word.
TEST(Statements, ANulEndsAKeywordsSpelling) {
    const std::string sample = testhost::ReadFile(MIF_SAMPLES_DIR "/sample.mif");
    using namespace std::string_literals;
    const std::string spoiled =
        std::regex_replace(sample, std::regex("^( *<[A-Za-z]+)", std::regex::multiline), "$1\0x"s + std::string(20, 'y'));
    ASSERT_GT(spoiled.size(), sample.size() + 100 * 22);
    TestHost clean, nul;
    EXPECT_EQ(nul.ReadDocument(spoiled).tokens, clean.ReadDocument(sample).tokens);
}

}  // namespace
