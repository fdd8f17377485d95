#include <gtest/gtest.h>

#include "text/text.h"
#include "text_support.h"

namespace {

using testhost::Token;
using texttest::Codes;
using texttest::DirectContext;

TEST(ParagraphEnd, PlainParagraphEndsWithExactlyTheBreakPair) {
    auto tokens = texttest::ReadBody(texttest::DocumentWithLine("<String `x'>"));
    ASSERT_EQ(tokens.size(), 3u);
    std::vector<Token> end(tokens.begin() + 1, tokens.end());
    EXPECT_EQ(texttest::Bytes(end), (std::vector<uint8_t>{0x0E, 5, 0, 0, 0, 0x0D, 5, 0, 0, 0}));
}

TEST(ParagraphEnd, LinesAndMarkersWriteNothing) {
    const std::string document =
        "<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n"
        "<TextFlow <Para <ParaLine <TextRectID 7> <String `a'>>\n"
        "  <ParaLine <Marker <MType 2> <MText `index entry'>> <String `b'>>\n"
        "  <ParaLine <String `c'>>>\n"
        " <Para <ParaLine>>>\n";
    int32_t status = -1;
    long leaked = -1;
    auto tokens = texttest::ReadBody(document, &status, &leaked);
    EXPECT_EQ(status, MIF_STATUS_OK);
    EXPECT_EQ(leaked, 0);
    EXPECT_EQ(Codes(tokens), (std::vector<uint8_t>{MIF_TOKEN_TEXT, MIF_TOKEN_TEXT, MIF_TOKEN_TEXT,
                                                    MIF_TOKEN_LINE_BREAK, MIF_TOKEN_PARA_START,
                                                    MIF_TOKEN_LINE_BREAK, MIF_TOKEN_PARA_START}));
}

TEST(ParagraphEnd, UnreportedParagraphsWriteNoEndTokens) {
    DirectContext direct;
    mif::ReaderContext* ctx = direct.ctx;
    ctx->lastEmitted.charAttributes = mif::AttrBold;
    uint32_t* flags[] = {&ctx->inPage, &ctx->inAFrames, &ctx->inTbls, &ctx->inTblFormat, &ctx->inNotes};
    ctx->inBodyFlow = 1;
    mif::StatementFrame para{};
    for (uint32_t* flag : flags) {
        *flag = 1;
        EXPECT_EQ(mif::HandlePara(ctx, &para), 1);
        *flag = 0;
    }
    ctx->inBodyFlow = 0;
    EXPECT_EQ(mif::HandlePara(ctx, &para), 1);
    EXPECT_TRUE(direct.Written().empty());
    EXPECT_EQ(ctx->lastEmitted.charAttributes, static_cast<uint32_t>(mif::AttrBold));
}

TEST(ParagraphEnd, AttributesAreSwitchedOffBeforeTheBreakAndReassertedAfter) {
    DirectContext direct;
    mif::ReaderContext* ctx = direct.ctx;
    ctx->inBodyFlow = 1;
    ctx->current.leftIndent = ctx->current.rightIndent = 0;
    ctx->current.charAttributes = mif::AttrBold | mif::AttrItalic;
    ctx->formatDirty = 1;
    ASSERT_EQ(mif::FlushPendingFormat(ctx), 1);
    direct.ResetOutput();

    mif::StatementFrame para{};
    ASSERT_EQ(mif::HandlePara(ctx, &para), 1);
    auto tokens = direct.Tokens();
    ASSERT_EQ(Codes(tokens), (std::vector<uint8_t>{MIF_TOKEN_ATTRIBUTE, MIF_TOKEN_ATTRIBUTE, MIF_TOKEN_LINE_BREAK,
                                                    MIF_TOKEN_PARA_START}));
    EXPECT_EQ(tokens[0].U32(0), 0x0001u);
    EXPECT_EQ(tokens[1].U32(0), 0x0002u);
    EXPECT_EQ(ctx->lastEmitted.charAttributes, 0u);
    EXPECT_EQ(ctx->current.charAttributes, static_cast<uint32_t>(mif::AttrBold | mif::AttrItalic));
    EXPECT_EQ(ctx->formatDirty, 1u);

    // The next paragraph's first text switches them on again.
    direct.ResetOutput();
    texttest::ValueFrame text("`next'");
    ASSERT_EQ(mif::HandleString(ctx, &text.frame), 1);
    tokens = direct.Tokens();
    ASSERT_EQ(Codes(tokens), (std::vector<uint8_t>{MIF_TOKEN_ATTRIBUTE, MIF_TOKEN_ATTRIBUTE, MIF_TOKEN_TEXT}));
    EXPECT_EQ(tokens[0].U32(0), 0x8001u);
    EXPECT_EQ(tokens[1].U32(0), 0x8002u);
}

struct CloseCase {
    uint32_t attributes;
    int32_t fontSizeBefore;
    std::vector<uint32_t> offCodes;
    int32_t fontSizeAfter;
};

TEST(CloseCharAttributes, OffCodesAndSizeRestoration) {
    const CloseCase cases[] = {
        {0x00, 10, {}, 10},
        {0x01, 10, {0x0001}, 10},
        {0x10, 9, {0x0010}, 12},   // superscript: 9 * 4 / 3
        {0x20, 10, {0x0020}, 13},  // subscript: 10 * 4 / 3, truncated
        {0x30, 9, {0x0010, 0x0020}, 16},  // both bits: scaled twice (9 -> 12 -> 16)
        {0x10, -7, {0x0010}, -9},  // truncated toward zero
        {0xFF, 6, {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x8040, 0x8080}, 10},
        {0xC0, 10, {0x8040, 0x8080}, 10},
    };
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.attributes);
        DirectContext direct;
        mif::ReaderContext* ctx = direct.ctx;
        ctx->lastEmitted.charAttributes = c.attributes;
        ctx->current.charAttributes = 0x5A;
        ctx->current.fontSize = c.fontSizeBefore;
        EXPECT_EQ(mif::CloseCharAttributes(ctx), c.attributes != 0 ? 1 : 0);
        std::vector<uint32_t> codes;
        for (const Token& t : direct.Tokens()) {
            EXPECT_EQ(t.code, MIF_TOKEN_ATTRIBUTE);
            codes.push_back(t.U32(0));
        }
        EXPECT_EQ(codes, c.offCodes);
        EXPECT_EQ(ctx->current.fontSize, c.fontSizeAfter);
        EXPECT_EQ(ctx->lastEmitted.charAttributes, 0u);
        EXPECT_EQ(ctx->current.charAttributes, 0x5Au);
    }
}

}  // namespace
