// The token decoder against hand-built token bytes.
#include <gtest/gtest.h>

#include "host/tokens.h"

using namespace mifhost;

namespace {

// Builds token bytes field by field.
class Bytes {
public:
    Bytes& u8(uint8_t v) { b_.push_back(v); return *this; }
    Bytes& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b_.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& text(std::string_view s) { b_.insert(b_.end(), s.begin(), s.end()); return *this; }
    // A token with the right length for its payload (or an override).
    Bytes& token(uint8_t code, const Bytes& payload, int64_t length = -1) {
        u8(code);
        u32(length >= 0 ? static_cast<uint32_t>(length) : static_cast<uint32_t>(payload.b_.size() + 5));
        b_.insert(b_.end(), payload.b_.begin(), payload.b_.end());
        return *this;
    }
    const std::vector<uint8_t>& bytes() const { return b_; }

private:
    std::vector<uint8_t> b_;
};

Bytes FramePayload(std::string_view id) {
    Bytes p;
    p.text(id).u8(0).u32(2880).u32(2160).u32(2).u32(0).u32(100).u32(100);
    for (int i = 0; i < 8; ++i) p.u32(0);
    p.u32(180).u32(0).u32(180).u32(0).u8(255).u8(0).u8(0).u8(0).u8(0);
    return p;
}

Bytes TablePayload(std::initializer_list<uint32_t> widths) {
    Bytes p;
    p.u32(static_cast<uint32_t>(widths.size()));
    for (uint32_t w : widths) p.u32(w);
    p.u32(30).u32(60).u32(30).u32(60).u32(static_cast<uint32_t>(-720)).u8(0);
    return p;
}

TEST(TokenDecoder, DecodesEveryCode) {
    Bytes s;
    s.token(0, Bytes().u32(5).text("Hello"))
        .token(1, Bytes().u32(1440).u32(720).u32(static_cast<uint32_t>(-360)).u8(2))
        .token(2, Bytes().u32(2).u8(0).u32(720).u8(2).u32(2880))
        .token(3, Bytes().u8(0))
        .token(4, Bytes().u32(MIF_ATTR_SMALLCAPS_OFF))
        .token(6, TablePayload({1000, 2000, 3000}))
        .token(8, Bytes())
        .token(6, Bytes().u32(0))
        .token(13, Bytes())
        .token(14, Bytes())
        .token(15, Bytes().u32(2).u32(12))
        .token(16, Bytes().u8(2).u32(12240).u32(15840).u32(1440).u32(1440).u32(1440).u32(1440).u32(~0u).u32(~0u))
        .token(18, Bytes().u8(1))
        .token(19, Bytes().u8(0).u32(0x00FF0000))
        .token(20, FramePayload("12"))
        .token(27, Bytes().u32(7));
    auto tokens = DecodeTokens(s.bytes());
    ASSERT_EQ(tokens.size(), 16u);

    EXPECT_EQ(std::get<TextToken>(tokens[0].value).bytes, "Hello");
    const auto& pf = std::get<ParaFormatToken>(tokens[1].value);
    EXPECT_EQ(pf.left, 1440);
    EXPECT_EQ(pf.right, 720);
    EXPECT_EQ(pf.first, -360);
    EXPECT_EQ(pf.alignment, 2);
    const auto& tabs = std::get<TabStopsToken>(tokens[2].value).stops;
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[1].type, 2);
    EXPECT_EQ(tabs[1].position, 2880);
    EXPECT_TRUE(std::holds_alternative<TabToken>(tokens[3].value));
    EXPECT_EQ(std::get<AttributeToken>(tokens[4].value).code, MIF_ATTR_SMALLCAPS_OFF);
    const auto& table = std::get<TableStartToken>(tokens[5].value);
    EXPECT_EQ(tokens[5].length, 42u);
    EXPECT_EQ(table.widths, (std::vector<uint32_t>{1000, 2000, 3000}));
    EXPECT_EQ(table.spacing, (std::array<uint32_t, 4>{30, 60, 30, 60}));
    EXPECT_EQ(table.indent, -720);
    EXPECT_TRUE(std::holds_alternative<CellEndToken>(tokens[6].value));
    EXPECT_TRUE(std::holds_alternative<TableEndToken>(tokens[7].value));
    EXPECT_TRUE(std::holds_alternative<ParaStartToken>(tokens[8].value));
    EXPECT_TRUE(std::holds_alternative<LineBreakToken>(tokens[9].value));
    EXPECT_EQ(std::get<FontToken>(tokens[10].value).number, 2u);
    EXPECT_EQ(std::get<FontToken>(tokens[10].value).size, 12);
    EXPECT_EQ(std::get<PageToken>(tokens[11].value).height, 15840u);
    EXPECT_EQ(std::get<LineSpacingToken>(tokens[12].value).lineClass, 1);
    EXPECT_EQ(std::get<ColorToken>(tokens[13].value).bgr, 0x00FF0000u);
    const auto& frame = std::get<FrameToken>(tokens[14].value);
    EXPECT_EQ(tokens[14].length, 85u);
    EXPECT_EQ(frame.id, "12");
    EXPECT_EQ(frame.width, 2880u);
    EXPECT_EQ(frame.height, 2160u);
    EXPECT_EQ(frame.kind, 2u);
    EXPECT_EQ(frame.tail[0], 255);
    EXPECT_EQ(std::get<CharsetToken>(tokens[15].value).charset, 7u);

    // Offsets follow the lengths.
    for (size_t i = 1; i < tokens.size(); ++i) EXPECT_EQ(tokens[i].offset, tokens[i - 1].offset + tokens[i - 1].length);
}

TEST(TokenDecoder, DescribesTokensReadably) {
    Bytes s;
    s.token(0, Bytes().u32(3).text("a\"b"))
        .token(1, Bytes().u32(1440).u32(1440).u32(0).u8(0))
        .token(2, Bytes().u32(2).u8(0).u32(720).u8(2).u32(2880))
        .token(4, Bytes().u32(MIF_ATTR_BOLD_ON))
        .token(4, Bytes().u32(MIF_ATTR_UPPERCASE_OFF))
        .token(19, Bytes().u8(0).u32(0x00FF0000))
        .token(20, FramePayload("-3"));
    auto t = DecodeTokens(s.bytes());
    EXPECT_EQ(DescribeToken(t[0]), "text \"a\\\"b\"");
    EXPECT_EQ(DescribeToken(t[1]), "para-format left=1440 right=1440 first=0 align=left");
    EXPECT_EQ(DescribeToken(t[2]), "tabs 2: left@720 center@2880");
    EXPECT_EQ(DescribeToken(t[3]), "attr bold on");
    EXPECT_EQ(DescribeToken(t[4]), "attr uppercase off");
    EXPECT_EQ(DescribeToken(t[5]), "color #0000FF");  // 0x00BBGGRR with blue set
    EXPECT_EQ(DescribeToken(t[6]), "frame id=-3 2880x2160 twips kind=2");
}

struct Malformed {
    const char* name;
    Bytes stream;
    const char* message;  // part of the error text
};

TEST(TokenDecoder, RejectsMalformedStreams) {
    const Malformed cases[] = {
        {"unknown code", Bytes().token(5, Bytes()), "unknown token code 5"},
        {"code 7 never occurs", Bytes().token(7, Bytes().u32(0)), "unknown token code 7"},
        {"length below header", Bytes().token(13, Bytes(), 4), "shorter than a token header"},
        {"length zero", Bytes().token(0, Bytes(), 0), "shorter than a token header"},
        {"length past the data", Bytes().token(0, Bytes().u32(3).text("abc"), 40), "runs past the end"},
        {"truncated header", Bytes().u8(13).u8(5).u8(0), "inside a token header"},
        {"text count too large", Bytes().token(0, Bytes().u32(9).text("abc")), "text count 9"},
        {"text count too small", Bytes().token(0, Bytes().u32(1).text("abc")), "text count 1"},
        {"text without count", Bytes().token(0, Bytes().u8(1)), "too short"},
        {"tab stops count", Bytes().token(2, Bytes().u32(2).u8(0).u32(720)), "tab stop count 2"},
        {"table columns", Bytes().token(6, Bytes().u32(3).u32(1).u32(2).u32(30).u32(60).u32(30).u32(60).u32(0).u8(0)),
         "table column count 3"},
        {"table end too long", Bytes().token(6, Bytes().u32(0).u32(0)), "table end token has length 13"},
        {"frame id without NUL", Bytes().token(20, Bytes().text(std::string(90, '1'))), "no NUL"},
        {"frame id too long", Bytes().token(20, FramePayload("12345678")), "longer than 7"},
        {"frame id not decimal", Bytes().token(20, FramePayload("1a")), "not a decimal"},
        {"frame id empty", Bytes().token(20, FramePayload("")), "not a decimal"},
        {"frame too short", Bytes().token(20, Bytes().text("1").u8(0).u32(1)), "too short"},
        {"paragraph format length", Bytes().token(1, Bytes().u32(0).u32(0).u32(0)), "paragraph format token has length 17"},
        {"tab length", Bytes().token(3, Bytes()), "tab token has length 5"},
        {"attribute length", Bytes().token(4, Bytes().u8(1)), "attribute token has length 6"},
        {"cell end with payload", Bytes().token(8, Bytes().u8(0)), "cell end token has length 6"},
        {"paragraph start with payload", Bytes().token(13, Bytes().u8(0)), "length 6"},
        {"line break with payload", Bytes().token(14, Bytes().u32(0)), "length 9"},
        {"font length", Bytes().token(15, Bytes().u32(1)), "font token has length 9"},
        {"page length", Bytes().token(16, Bytes().u8(2).u32(1)), "page token has length 10"},
        {"line spacing length", Bytes().token(18, Bytes()), "line spacing token has length 5"},
        {"colour length", Bytes().token(19, Bytes().u32(0)), "colour token has length 9"},
        {"charset length", Bytes().token(27, Bytes().u8(7)), "character set token has length 6"},
    };
    for (const Malformed& c : cases) {
        SCOPED_TRACE(c.name);
        // After a good token, so the error names the right offset.
        Bytes stream;
        stream.token(13, Bytes());
        std::vector<uint8_t> bytes = stream.bytes();
        bytes.insert(bytes.end(), c.stream.bytes().begin(), c.stream.bytes().end());
        try {
            DecodeTokens(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const TokenError& e) {
            EXPECT_EQ(e.offset(), 5u);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

TEST(TokenDecoder, ReaderStopsAtTheBadTokenAfterGoodOnes) {
    Bytes s;
    s.token(13, Bytes()).token(14, Bytes()).u8(99).u32(5);
    TokenReader reader(s.bytes(), 1000);
    EXPECT_EQ(reader.Next().offset, 1000u);
    EXPECT_EQ(reader.Next().offset, 1005u);
    EXPECT_THROW(reader.Next(), TokenError);
}

TEST(TokenDecoder, AttributeNamesCoverBothSenses) {
    const std::pair<uint32_t, const char*> cases[] = {
        {MIF_ATTR_BOLD_ON, "bold on"},           {MIF_ATTR_BOLD_OFF, "bold off"},
        {MIF_ATTR_ITALIC_ON, "italic on"},       {MIF_ATTR_UNDERLINE_OFF, "underline off"},
        {MIF_ATTR_STRIKE_ON, "strike on"},       {MIF_ATTR_SUPERSCRIPT_ON, "superscript on"},
        {MIF_ATTR_SUBSCRIPT_OFF, "subscript off"}, {MIF_ATTR_SMALLCAPS_ON, "smallcaps on"},
        {MIF_ATTR_SMALLCAPS_OFF, "smallcaps off"}, {MIF_ATTR_UPPERCASE_ON, "uppercase on"},
        {0x1234, "0x1234"},
    };
    for (auto [code, name] : cases) EXPECT_EQ(AttributeName(code), name);
}

}  // namespace
