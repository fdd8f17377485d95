// Text rendering of decoded tokens, the code page conversion and the
// extension guess for embedded objects.
#include <gtest/gtest.h>

#include <cstring>

#include "host/filetype.h"
#include "host/render.h"

using namespace mifhost;

namespace {

Token Tok(TokenValue v) { return Token{0, 0, 0, std::move(v)}; }
Token Text(std::string s) { return Tok(TextToken{std::move(s)}); }
Token ParaEnd1() { return Tok(LineBreakToken{}); }
Token ParaEnd2() { return Tok(ParaStartToken{}); }
Token Cell() { return Tok(CellEndToken{}); }
Token TableStart(size_t columns) {
    TableStartToken t;
    t.widths.assign(columns, 1440);
    return Tok(t);
}

TEST(Cp1252, ConvertsBytesToUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"\x80", "\xE2\x82\xAC"},                       // euro sign
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"caf\xE9", "caf\xC3\xA9"},
        {"\xA9", "\xC2\xA9"},
        {"\x85\x99\x9F", "\xE2\x80\xA6\xE2\x84\xA2\xC5\xB8"},  // ellipsis, trade mark, Y diaeresis
        {"\x81", "\xEF\xBF\xBD"},                       // unassigned
        {"\xFF", "\xC3\xBF"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(Cp1252ToUtf8(in), want) << in;
}

TEST(MifVersion, ReadsTheHeaderNumber) {
    EXPECT_EQ(ReadMifVersion("<MIFFile 5.00> # x"), 5.0);
    EXPECT_EQ(ReadMifVersion("<MIFFile 8.00>"), 8.0);
    EXPECT_EQ(ReadMifVersion("<MIFFile 2019>"), 2019.0);
    EXPECT_FALSE(ReadMifVersion(" <MIFFile 5.00>"));
    EXPECT_FALSE(ReadMifVersion("<MIFFile >"));
    EXPECT_FALSE(ReadMifVersion("hello"));
    EXPECT_EQ(EncodingForVersion(7.0), TextEncoding::Cp1252);
    EXPECT_EQ(EncodingForVersion(8.0), TextEncoding::Utf8);
    EXPECT_EQ(EncodingForVersion(std::nullopt), TextEncoding::Cp1252);
}

TEST(Render, ParagraphsLineBreaksAndTabs) {
    std::vector<Token> t = {Text("First"), Tok(TabToken{}), Text("para"), ParaEnd1(), ParaEnd2(),
                            Text("Line one"), ParaEnd1(), Text("line two"), ParaEnd1(), ParaEnd2(),
                            ParaEnd1(), ParaEnd2(), Text("After an empty one")};
    EXPECT_EQ(RenderText(t, TextEncoding::Cp1252), "First\tpara\nLine one\nline two\n\nAfter an empty one\n");
}

TEST(Render, TableRowsBetweenBlankLines) {
    std::vector<Token> t = {Text("Before"), TableStart(2), Text("a"), ParaEnd1(), ParaEnd2(), Cell(),
                            Text("b"), Text(" more"), ParaEnd1(), ParaEnd2(), Text("second para"), Cell(),
                            Text("c"), Cell(), Cell(), Tok(TableEndToken{}), ParaEnd1(), ParaEnd2(), Text("After"),
                            ParaEnd1(), ParaEnd2()};
    EXPECT_EQ(RenderText(t, TextEncoding::Cp1252), "Before\n\na\tb more second para\nc\t\n\nAfter\n");
}

TEST(Render, IncompleteLastRowStillEndsItsLine) {
    std::vector<Token> t = {TableStart(3), Text("x"), Cell(), Tok(TableEndToken{}), Text("y")};
    EXPECT_EQ(RenderText(t, TextEncoding::Cp1252), "x\t\n\ny\n");
}

TEST(Render, FrameMarkerLine) {
    FrameToken f;
    f.id = "12";
    f.width = 2880;
    f.height = 2160;
    std::vector<Token> t = {Text("A picture:"), Tok(f), ParaEnd1(), ParaEnd2(), Text("Next")};
    EXPECT_EQ(RenderText(t, TextEncoding::Cp1252), "A picture:\n[frame 12: 2.00 x 1.50 in]\nNext\n");
}

TEST(Render, EncodingFollowsTheVersion) {
    std::vector<Token> t = {Text("caf\xC3\xA9 \x93")};
    EXPECT_EQ(RenderText(t, TextEncoding::Utf8), "caf\xC3\xA9 \x93\n");  // unchanged
    EXPECT_EQ(RenderText(t, TextEncoding::Cp1252), "caf\xC3\x83\xC2\xA9 \xE2\x80\x9C\n");
}

TEST(FileType, GuessesFromLeadingBytes) {
    auto b = [](std::initializer_list<int> v) {
        std::vector<uint8_t> out;
        for (int x : v) out.push_back(static_cast<uint8_t>(x));
        return out;
    };
    std::vector<uint8_t> emf(44, 0);
    emf[0] = 1;
    std::memcpy(emf.data() + 40, " EMF", 4);
    std::vector<uint8_t> notEmf = emf;
    notEmf[41] = 'X';
    const std::pair<std::vector<uint8_t>, std::string_view> cases[] = {
        {b({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0}), "png"},
        {b({'G', 'I', 'F', '8', '9', 'a'}), "gif"},
        {b({'G', 'I', 'F', '8', '7', 'a', 1}), "gif"},
        {b({0xFF, 0xD8, 0xFF, 0xE0}), "jpg"},
        {b({'I', 'I', '*', 0}), "tif"},
        {b({'M', 'M', 0, '*'}), "tif"},
        {b({'B', 'M', 0x36, 0}), "bmp"},
        {b({'%', '!', 'P', 'S'}), "eps"},
        {b({0xC5, 0xD0, 0xD3, 0xC6}), "eps"},
        {b({0xD7, 0xCD, 0xC6, 0x9A, 0}), "wmf"},
        {b({0x01, 0x00, 0x09, 0x00}), "wmf"},
        {b({0x02, 0x00, 0x09, 0x00}), "wmf"},
        {emf, "emf"},
        {notEmf, "bin"},
        {b({'%', 'P', 'D', 'F', '-'}), "pdf"},
        {b({'G', 'I', 'F'}), "bin"},  // too short for the signature
        {b({}), "bin"},
        {b({0x89, 'P', 'N'}), "bin"},
    };
    for (const auto& [data, ext] : cases) EXPECT_EQ(GuessExtension(data), ext) << data.size() << " bytes";
}

}  // namespace
