#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <sstream>

#include "text/text.h"
#include "text_support.h"

namespace {

using testhost::Token;
using texttest::DocumentWithLine;
using texttest::ReadBody;
using mif::DecodeMifString;
using mif::HandleString;
using mif::HexPairToByte;

// The character-set table as the format documents it: MIF codes, then the
// output bytes in the same order.
const char* const kDocumentedMap[][2] = {
    {"05 15", "20 AE"},
    {"80 81 82 83 84 85 86 87 88 89 8a 8b 8c 8d 8e 8f", "C4 C5 C7 C9 D1 D6 DC E1 E0 E2 E4 E3 E5 E7 E9 E8"},
    {"90 91 92 93 94 95 96 97 98 99 9a 9b 9c 9d 9e 9f", "EA EB ED EC EE EF F1 F3 F2 F4 F6 F5 FA F9 FB FC"},
    {"a1 a4 a6 a7 a8 ac ae af", "B0 A7 B6 DF AE A8 C6 D8"},
    {"b9 ba bb bc bd be bf", "BC BD AA BA BE E6 F8"},
    {"c0 c2 c3 c4 c5 c6 c7 c8 c9 cc cd", "BF AC D0 83 DD FD AB BB 85 C3 D5"},
    {"d2 d3 d4 d5 db", "93 94 99 92 A4"},
    {"e2 e5 e6 e7 e8 e9 ea ed ee ef", "B8 C2 CA C1 CB C8 CD CC D3 D4"},
    {"f1 f2 f3 f4", "D2 DA DB D9"},
};

const char kHexDigits[] = "0123456789abcdef";

TEST(HexPairToByte, ConvertsEveryCodeAsTheCharacterTableSays) {
    int expected[256];
    for (int i = 0; i < 256; ++i) expected[i] = i;
    int mapped = 0;
    for (const auto& row : kDocumentedMap) {
        std::istringstream codes(row[0]), bytes(row[1]);
        std::string code, byte;
        while (codes >> code) {
            ASSERT_TRUE(static_cast<bool>(bytes >> byte));
            expected[std::stoi(code, nullptr, 16)] = std::stoi(byte, nullptr, 16);
            ++mapped;
        }
    }
    ASSERT_EQ(mapped, 79);
    for (int code = 0; code < 256; ++code) {
        char hi = kHexDigits[code >> 4], lo = kHexDigits[code & 15];
        char HI = static_cast<char>(std::toupper(hi)), LO = static_cast<char>(std::toupper(lo));
        SCOPED_TRACE(code);
        EXPECT_EQ(HexPairToByte(hi, lo, 1), expected[code]);
        EXPECT_EQ(HexPairToByte(HI, LO, 1), expected[code]);  // digits are case-insensitive
        EXPECT_EQ(HexPairToByte(hi, LO, 7), expected[code]);  // any non-zero convert maps
        EXPECT_EQ(HexPairToByte(HI, lo, 0), code);             // without mapping: plain value
    }
}

// Decoding without a context: tabs become blanks and write nothing.
struct DecodeCase {
    const char* name;
    std::string input;
    uint32_t maxLength;  // 0xFFFFFFFF: the input's length
    std::string expected;
};

TEST(DecodeMifString, EscapesAndLimits) {
    const DecodeCase cases[] = {
        {"all two-character escapes", "a\\>b\\\\c\\Qd\\qe", ~0u, "a>b\\c`d'e"},
        {"mapped code with its blank", "caf\\x8e s", ~0u, "caf\xE9s"},
        {"upper-case hex digits", "\\x8E ", ~0u, "\xE9"},
        {"unmapped code is itself", "\\x41 ", ~0u, "A"},
        {"character after the digits is dropped whatever it is", "\\x41Zb", ~0u, "Ab"},
        {"code zero stays in the text", "\\x00 z", ~0u, std::string("\0z", 2)},
        {"tab becomes a blank", "Name\\tValue", ~0u, "Name Value"},
        {"escape letters are case-sensitive", "\\T\\X41 \\N", ~0u, "\\T\\X41 \\N"},
        {"unknown escape keeps its backslash", "x\\ny\\>z\\n", ~0u, "x\\ny>z\\n"},
        {"backslash before backslash-n", "\\\\n", ~0u, "\\n"},
        {"escaped backslash then quote", "\\\\\\q", ~0u, "\\'"},
        {"trailing lone backslash", "ab\\", ~0u, "ab\\"},
        {"hex escape without its blank", "ab\\x41", ~0u, "abA"},
        {"hex escape with one digit", "ab\\x4", ~0u, "ab\\x4"},
        {"hex escape with no digit", "ab\\x", ~0u, "ab\\x"},
        {"empty text", "", ~0u, ""},
        {"limit shorter than the text", "abcdef", 3, "abc"},
        {"limit of zero", "abc", 0, ""},
        {"escape cut by the limit keeps its backslash", "ab\\>cd", 3, "ab\\"},
        {"hex escape cut by the limit", "a\\x41 b", 4, "a\\x4"},
        {"escapes shorten the text", "\\>\\>\\>", 6, ">>>"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Guard bytes after the NUL must stay untouched.
        std::vector<char> buffer(c.input.begin(), c.input.end());
        buffer.push_back('\0');
        buffer.insert(buffer.end(), {'#', '#', '#', '#'});
        uint32_t max = c.maxLength == ~0u ? static_cast<uint32_t>(c.input.size()) : c.maxLength;
        DecodeMifString(nullptr, buffer.data(), max);
        ASSERT_LE(c.expected.size(), c.input.size());
        EXPECT_EQ(std::string(buffer.data(), c.expected.size()), c.expected);
        EXPECT_EQ(buffer[c.expected.size()], '\0');
        EXPECT_EQ(std::string(buffer.end() - 4, buffer.end()), "####");
    }
}

TEST(DecodeMifString, TabWritesATabTokenOnlyInAReportedFlow) {
    texttest::DirectContext direct;
    for (uint32_t reported : {0u, 1u}) {
        direct.ResetOutput();
        direct.ctx->inBodyFlow = reported;
        char text[] = "a\\tb\\tc";
        DecodeMifString(direct.ctx, text, static_cast<uint32_t>(std::strlen(text)));
        EXPECT_STREQ(text, "a b c");
        std::vector<uint8_t> expected;
        if (reported) expected = {3, 6, 0, 0, 0, 0, 3, 6, 0, 0, 0, 0};
        EXPECT_EQ(direct.Written(), expected) << "reported " << reported;
    }
}

TEST(StringStatement, EscapedTextReachesTheHostAsOneToken) {
    int32_t status = -1;
    long leaked = -1;
    auto tokens = ReadBody(DocumentWithLine("<String `a\\>b\\\\c\\Qd\\qe'>"), &status, &leaked);
    EXPECT_EQ(status, MIF_STATUS_OK);
    EXPECT_EQ(leaked, 0);
    ASSERT_GE(tokens.size(), 1u);
    const std::vector<uint8_t> expected = {0, 18, 0, 0, 0, 9, 0, 0, 0, 0x61, 0x3E, 0x62, 0x5C, 0x63, 0x60, 0x64, 0x27, 0x65};
    EXPECT_EQ(texttest::Bytes({tokens[0]}), expected);
}

struct StringCase {
    const char* name;
    std::string statement;
    std::vector<std::string> texts;  // the text tokens before the paragraph end
};

TEST(StringStatement, OneTextTokenPerStatement) {
    const StringCase cases[] = {
        {"mapped characters", "<String `caf\\x8e s'>", {"caf\xE9s"}},
        {"empty string", "<String `'>", {""}},
        {"no quotes: the last character is dropped", "<String abc>", {"ab"}},
        {"backquote only opens", "<String `abc>", {"ab"}},
        {"runs are neither split nor joined", "<String `a'> <String `b'>", {"a", "b"}},
        {"greater-than inside the string", "<String `x \\> y'>", {"x > y"}},
        {"hash and less-than inside the string", "<String `#1 <b\\>'>", {"#1 <b>"}},
        {"text stops at an encoded NUL", "<String `ab\\x00 cd'>", {"ab"}},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto tokens = ReadBody(DocumentWithLine(c.statement));
        ASSERT_EQ(tokens.size(), c.texts.size() + 2);
        for (size_t i = 0; i < c.texts.size(); ++i) {
            EXPECT_EQ(tokens[i].code, MIF_TOKEN_TEXT);
            EXPECT_EQ(tokens[i].U32(0), c.texts[i].size());
            EXPECT_EQ(tokens[i].Text(), c.texts[i]);
        }
        EXPECT_EQ(tokens[c.texts.size()].code, MIF_TOKEN_LINE_BREAK);
        EXPECT_EQ(tokens[c.texts.size() + 1].code, MIF_TOKEN_PARA_START);
    }
}

TEST(StringStatement, TabEscapePrecedesItsTextAndOnlyInReportedFlows) {
    auto reported = ReadBody(DocumentWithLine("<String `Name\\tValue'>"));
    ASSERT_EQ(reported.size(), 4u);
    EXPECT_EQ(reported[0].code, MIF_TOKEN_TAB);
    EXPECT_EQ(reported[0].payload, std::vector<uint8_t>{0});
    EXPECT_EQ(reported[1].Text(), "Name Value");

    EXPECT_TRUE(ReadBody(DocumentWithLine("<String `Name\\tValue'>", 9)).empty());
}

TEST(StringStatement, TextOutsideBodyFlowsIsNotReported) {
    const char* const documents[] = {
        // Before any TextRectID.
        "<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow <Para <ParaLine <String `x'>>>>\n",
        // A rectangle that no page declares.
        "<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n"
        "<TextFlow <Para <ParaLine <TextRectID 8> <String `x'>>>>\n",
        // Text placed on a page.
        "<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow <Para <ParaLine <TextRectID 7>>>>\n"
        "<Page <PageType BodyPage> <TextLine <String `x'>>>\n",
        // Footnotes, anchored frames and the table block, in a reported flow.
        "<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow <Para <ParaLine <TextRectID 7>>>>\n"
        "<Notes <FNote <Para <ParaLine <String `x'>>>>>\n",
        "<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow <Para <ParaLine <TextRectID 7>>>>\n"
        "<AFrames <Frame <TextLine <String `x'>>>>\n",
        "<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow <Para <ParaLine <TextRectID 7>>>>\n"
        "<Tbls <Tbl <TblID 1> <TblH <Row <Cell <CellContent <Para <ParaLine <String `x'>>>>>>>>>\n",
    };
    for (const char* document : documents) {
        testhost::TestHost host;
        auto run = host.ReadDocument(document);
        EXPECT_EQ(run.status, MIF_STATUS_OK) << document;
        EXPECT_EQ(testhost::AllText(run.tokens).find('x'), std::string::npos) << document;
    }
}

TEST(StringStatement, PendingFormatsWaitOutsideReportedText) {
    texttest::DirectContext direct;
    direct.ctx->formatDirty = 1;
    direct.ctx->current.fontSize = 12;
    for (int section = 0; section < 4; ++section) {
        uint32_t* flags[] = {&direct.ctx->inPage, &direct.ctx->inAFrames, &direct.ctx->inTbls, &direct.ctx->inNotes};
        direct.ctx->inBodyFlow = 1;
        *flags[section] = 1;
        texttest::ValueFrame value("`x'");
        EXPECT_EQ(HandleString(direct.ctx, &value.frame), 1);
        *flags[section] = 0;
        EXPECT_TRUE(direct.Written().empty()) << section;
        EXPECT_EQ(direct.ctx->formatDirty, 1u) << section;
    }
    // Outside a reported flow the flush keeps the change pending as well.
    direct.ctx->inBodyFlow = 0;
    texttest::ValueFrame value("`x'");
    EXPECT_EQ(HandleString(direct.ctx, &value.frame), 1);
    EXPECT_TRUE(direct.Written().empty());
    EXPECT_EQ(direct.ctx->formatDirty, 1u);
}

TEST(StringStatement, ContainerValueFails) {
    texttest::DirectContext direct;
    mif::StatementFrame frame{};
    EXPECT_EQ(HandleString(direct.ctx, &frame), 0);

    int32_t status = -1;
    ReadBody(DocumentWithLine("<String <Foo 1>>"), &status);
    EXPECT_EQ(status, MIF_STATUS_SCAN_FAILED);
}

}  // namespace
