// The host toolkit's own pieces: the token decoder on malformed bytes, text
// rendering and the extension guess for embedded objects.
#include <gtest/gtest.h>

#include <tuple>

#include "host/filetype.h"
#include "host/render.h"
#include "host/tokens.h"

using namespace mifhost;
using namespace std::string_view_literals;

namespace {

// Token bytes built field by field.
struct Bytes {
    std::vector<uint8_t> b;
    Bytes& u8(uint8_t v) { return b.push_back(v), *this; }
    Bytes& u32(uint32_t v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF).u8((v >> 16) & 0xFF).u8(v >> 24); }
    Bytes& text(std::string_view s) { return b.insert(b.end(), s.begin(), s.end()), *this; }
    // A token whose length covers its payload, unless one is given.
    Bytes& token(uint8_t code, const Bytes& payload, uint32_t length = 0) {
        u8(code).u32(length != 0 ? length : static_cast<uint32_t>(payload.b.size() + 5));
        return b.insert(b.end(), payload.b.begin(), payload.b.end()), *this;
    }
};

TEST(TokenDecoder, RejectsEachKindOfMalformedToken) {
    const std::pair<Bytes, const char*> cases[] = {
        {Bytes().token(5, Bytes()), "unknown token code 5"},
        {Bytes().token(13, Bytes(), 4), "shorter than a token header"},
        {Bytes().token(0, Bytes().u32(3).text("abc"), 40), "runs past the end"},
        {Bytes().u8(13).u8(5).u8(0), "inside a token header"},
        {Bytes().token(0, Bytes().u32(9).text("abc")), "text count 9"},
        {Bytes().token(6, Bytes().u32(3).u32(1).u32(30).u32(60).u32(30).u32(60).u32(0).u8(0)), "table column count 3"},
        {Bytes().token(15, Bytes().u32(1)), "font token has length 9"},
        {Bytes().token(20, Bytes().text(std::string(90, '1'))), "no NUL"},
        {Bytes().token(20, Bytes().text("1a").u8(0).text(std::string(77, '\0'))), "not a decimal"},
    };
    for (const auto& [bad, message] : cases) {
        Bytes stream = Bytes().token(13, Bytes()).text({reinterpret_cast<const char*>(bad.b.data()), bad.b.size()});
        try {
            DecodeTokens(stream.b);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const TokenError& e) {
            EXPECT_EQ(e.offset(), 5u) << message;  // after the good paragraph-start token
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

Token Tok(TokenValue v) { return Token{0, 0, 0, std::move(v)}; }
Token Text(std::string s) { return Tok(TextToken{std::move(s)}); }

// Text as UTF-8 that is safe to print: Windows-1252 before MIF 8, UTF-8 from
// 8 on; bytes that are not UTF-8 become U+FFFD, of the controls other than
// the tab line ends become a blank and the rest are dropped.
TEST(Render, TextIsValidUtf8WithoutControlCharacters) {
    EXPECT_EQ(EncodingForVersion(ReadMifVersion("<MIFFile 7.00> # x")), TextEncoding::Cp1252);
    const auto utf8 = EncodingForVersion(ReadMifVersion("<MIFFile 8.00>"));
    const std::string fffd = "\xEF\xBF\xBD";
    const std::tuple<std::string, TextEncoding, std::string> cases[] = {
        {"caf\xC3\xA9 \x80\x93\x81\xFF", TextEncoding::Cp1252, "caf\xC3\x83\xC2\xA9 \xE2\x82\xAC\xE2\x80\x9C" + fffd + "\xC3\xBF"},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", utf8, "caf\xC3\xA9 \xF0\x9F\x98\x80"},
        {"a\x80\xFF\xE3\x80", utf8, "a" + fffd + fffd + fffd + fffd},  // stray, invalid and cut sequences
        {"\xC0\xAF\xED\xA0\x80", utf8, fffd + fffd + fffd + fffd + fffd},  // overlong, surrogate
        {"a\tb\x1B[2J\r\x7F", TextEncoding::Cp1252, "a\tb[2J "},
        {"\xC2\x9B" "1m\x01", utf8, "1m"},  // C1 and C0 controls
    };
    for (const auto& [bytes, encoding, text] : cases) {
        EXPECT_EQ(RenderText(std::vector<Token>{Text(bytes)}, encoding), text + "\n") << testing::PrintToString(bytes);
    }
}

TEST(Render, ParagraphsLineBreaksTabsAndTables) {
    const Token brk = Tok(LineBreakToken{}), para = Tok(ParaStartToken{}), cell = Tok(CellEndToken{});
    TableStartToken table;
    table.widths.assign(2, 1440);
    const std::vector<Token> t = {
        Text("First"), Tok(TabToken{}), Text("para"), brk, para, Text("Line one"), brk, Text("line two"), brk, para,
        brk, para, Text("Before"), Tok(table), Text("a"), brk, para, cell, Text("b"), Text(" more"), brk, para,
        Text("second para"), cell, Text("c"), cell, cell, Tok(TableEndToken{}), brk, para, Text("After")};
    EXPECT_EQ(RenderText(t, TextEncoding::Cp1252),
              "First\tpara\nLine one\nline two\n\nBefore\n\na\tb more second para\nc\t\n\nAfter\n");
}

TEST(FileType, GuessesTheExtensionFromLeadingBytes) {
    std::string emf(44, '\0');
    emf.replace(0, 1, "\x01").replace(40, 4, " EMF");
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"\x89PNG\r\n\x1A\n\0"sv, "png"}, {"GIF89a"sv, "gif"}, {"GIF87a\x01"sv, "gif"}, {"\xFF\xD8\xFF\xE0"sv, "jpg"},
        {"II*\0"sv, "tif"}, {"MM\0*"sv, "tif"}, {"BM6\0"sv, "bmp"}, {"%!PS"sv, "eps"}, {"\xC5\xD0\xD3\xC6"sv, "eps"},
        {"\xD7\xCD\xC6\x9A\0"sv, "wmf"}, {"\x01\0\x09\0"sv, "wmf"}, {emf, "emf"}, {"%PDF-"sv, "pdf"},
        {"GIF"sv, "bin"}, {""sv, "bin"}, {std::string_view(emf).substr(0, 43), "bin"}};
    for (const auto& [data, ext] : cases) {
        EXPECT_EQ(GuessExtension({reinterpret_cast<const uint8_t*>(data.data()), data.size()}), ext)
            << testing::PrintToString(std::string(data));
    }
}

}  // namespace
