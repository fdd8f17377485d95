#include <gtest/gtest.h>

#include <cstring>

#include "reader/host_services.h"
#include "text/text.h"
#include "text_support.h"

namespace {

using testhost::Token;
using texttest::Codes;
using texttest::DirectContext;

// A context in a reported flow whose lastEmitted already equals current, so
// that each test sees only the tokens of the change it makes.
class FlushTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(ctx, nullptr);
        ctx->inBodyFlow = 1;
        ctx->formatDirty = 1;
        ASSERT_EQ(mif::FlushPendingFormat(ctx), 1);
        direct.ResetOutput();
    }
    void SetTabs(std::vector<int32_t> positions, std::vector<uint32_t> types) {
        mif::FormatState& s = ctx->current;
        mif::HostFree(ctx, s.tabPositions);
        mif::HostFree(ctx, s.tabTypes);
        s.tabPositions = nullptr;
        s.tabTypes = nullptr;
        s.tabCount = static_cast<int32_t>(positions.size());
        if (positions.empty()) return;
        s.tabPositions = static_cast<int32_t*>(mif::HostAllocateArray(ctx, 4, static_cast<uint32_t>(positions.size())));
        s.tabTypes = static_cast<uint32_t*>(mif::HostAllocateArray(ctx, 4, static_cast<uint32_t>(types.size())));
        std::memcpy(s.tabPositions, positions.data(), 4 * positions.size());
        std::memcpy(s.tabTypes, types.data(), 4 * types.size());
    }
    std::vector<Token> Flush() {
        direct.ResetOutput();
        ctx->formatDirty = 1;
        EXPECT_EQ(mif::FlushPendingFormat(ctx), 1);
        EXPECT_EQ(ctx->formatDirty, 0u);
        return direct.Tokens();
    }

    DirectContext direct;
    mif::ReaderContext* ctx = direct.ctx;
};

TEST_F(FlushTest, FreshContextWritesTheIndentsFirst) {
    DirectContext fresh;
    fresh.ctx->inBodyFlow = 1;
    fresh.ctx->formatDirty = 1;
    ASSERT_EQ(mif::FlushPendingFormat(fresh.ctx), 1);
    const std::vector<uint8_t> expected = {1, 18, 0, 0, 0, 0xA0, 0x05, 0, 0, 0xA0, 0x05, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(fresh.Written(), expected);
}

TEST_F(FlushTest, NothingChangedWritesNothing) {
    EXPECT_TRUE(Flush().empty());
    EXPECT_TRUE(Flush().empty());
}

// One change per group: exactly that group's token, with these bytes.
struct GroupCase {
    const char* name;
    void (*change)(mif::FormatState&);
    std::vector<uint8_t> bytes;
};

TEST_F(FlushTest, EachGroupIsWrittenOnceWhenItChanges) {
    const GroupCase cases[] = {
        {"left indent", [](mif::FormatState& s) { s.leftIndent = -720; },
         {1, 18, 0, 0, 0, 0x30, 0xFD, 0xFF, 0xFF, 0xA0, 0x05, 0, 0, 0, 0, 0, 0, 0}},
        {"first indent", [](mif::FormatState& s) { s.firstIndent = 360; },
         {1, 18, 0, 0, 0, 0xA0, 0x05, 0, 0, 0xA0, 0x05, 0, 0, 0x68, 0x01, 0, 0, 0}},
        {"alignment", [](mif::FormatState& s) { s.alignment = mif::AlignLeftRight; },
         {1, 18, 0, 0, 0, 0xA0, 0x05, 0, 0, 0xA0, 0x05, 0, 0, 0, 0, 0, 0, 3}},
        {"line spacing", [](mif::FormatState& s) { s.leadingClass = 2; }, {18, 6, 0, 0, 0, 2}},
        {"font size", [](mif::FormatState& s) { s.fontSize = 12; }, {15, 13, 0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0}},
        {"font number", [](mif::FormatState& s) { s.fontIndex = 3; }, {15, 13, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}},
        {"family name alone", [](mif::FormatState& s) { std::strcpy(s.fontFamily, "Times"); },
         {15, 13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"bold and small caps", [](mif::FormatState& s) { s.charAttributes = mif::AttrBold | mif::AttrSmallCaps; },
         {4, 9, 0, 0, 0, 0x01, 0x80, 0, 0, 4, 9, 0, 0, 0, 0x40, 0, 0, 0}},
        {"colour", [](mif::FormatState& s) { s.textColor = 0x0000FF; }, {19, 10, 0, 0, 0, 0, 0xFF, 0, 0, 0}},
        {"number string", [](mif::FormatState& s) { std::strcpy(s.numberString, "1.\\>"); },
         {0, 12, 0, 0, 0, 3, 0, 0, 0, '1', '.', '>'}},
    };
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(c.name);
        DirectContext one;
        one.ctx->inBodyFlow = 1;
        one.ctx->formatDirty = 1;
        ASSERT_EQ(mif::FlushPendingFormat(one.ctx), 1);  // settle the indents
        c.change(one.ctx->current);
        for (int round = 0; round < 2; ++round) {
            one.ResetOutput();
            one.ctx->formatDirty = 1;
            ASSERT_EQ(mif::FlushPendingFormat(one.ctx), 1);
            // The second flush finds nothing left to write.
            EXPECT_EQ(texttest::Bytes(one.Tokens()), round == 0 ? c.bytes : std::vector<uint8_t>{}) << round;
        }
    }
}

TEST_F(FlushTest, EveryAttributeHasItsOnCodeInBitOrder) {
    ctx->current.charAttributes = 0xFF;
    std::vector<uint32_t> codes;
    for (const Token& t : Flush()) {
        EXPECT_EQ(t.code, MIF_TOKEN_ATTRIBUTE);
        codes.push_back(t.U32(0));
    }
    EXPECT_EQ(codes, (std::vector<uint32_t>{0x8001, 0x8002, 0x8004, 0x8008, 0x8010, 0x8020, 0x0040, 0x0080}));

    // Switching one off re-asserts those still on, and writes no off-code.
    ctx->current.charAttributes = mif::AttrItalic;
    auto tokens = Flush();
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].U32(0), 0x8002u);
    // Switching all off writes nothing at all.
    ctx->current.charAttributes = 0;
    EXPECT_TRUE(Flush().empty());
    EXPECT_EQ(ctx->lastEmitted.charAttributes, 0u);
}

TEST_F(FlushTest, AllGroupsInTheirFixedOrder) {
    ctx->current.rightIndent = 0;
    ctx->current.leadingClass = 1;
    ctx->current.fontSize = 9;
    ctx->current.charAttributes = mif::AttrUnderline;
    ctx->current.textColor = 0x800080;
    SetTabs({720}, {1});
    std::strcpy(ctx->current.numberString, "A\\t");
    auto tokens = Flush();
    // The number string's tab is written while it is decoded, just before its text.
    EXPECT_EQ(Codes(tokens), (std::vector<uint8_t>{MIF_TOKEN_PARA_FORMAT, MIF_TOKEN_LINE_SPACING, MIF_TOKEN_FONT,
                                                    MIF_TOKEN_ATTRIBUTE, MIF_TOKEN_COLOR, MIF_TOKEN_TAB_STOPS,
                                                    MIF_TOKEN_TAB, MIF_TOKEN_TEXT}));
    EXPECT_EQ(tokens.back().Text(), "A ");
    EXPECT_TRUE(Flush().empty());
}

TEST_F(FlushTest, TabStopsCompareCountPositionsAndTypes) {
    SetTabs({720, 1440}, {0, 2});
    auto tokens = Flush();
    ASSERT_EQ(tokens.size(), 1u);
    const std::vector<uint8_t> expected = {2, 19, 0, 0, 0, 2, 0, 0, 0, 0, 0xD0, 0x02, 0, 0, 2, 0xA0, 0x05, 0, 0};
    EXPECT_EQ(texttest::Bytes(tokens), expected);
    EXPECT_EQ(ctx->lastEmitted.tabCount, 2);

    SetTabs({720, 1440}, {0, 2});  // same stops in fresh arrays
    EXPECT_TRUE(Flush().empty());
    SetTabs({720, 1441}, {0, 2});
    EXPECT_EQ(Codes(Flush()), std::vector<uint8_t>{MIF_TOKEN_TAB_STOPS});
    SetTabs({720, 1441}, {1, 2});
    EXPECT_EQ(Codes(Flush()), std::vector<uint8_t>{MIF_TOKEN_TAB_STOPS});
    SetTabs({100, 200, 300}, {0, 0, 0});
    EXPECT_EQ(Codes(Flush()), std::vector<uint8_t>{MIF_TOKEN_TAB_STOPS});
    EXPECT_EQ(ctx->lastEmitted.tabPositions[2], 300);

    SetTabs({}, {});
    tokens = Flush();
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].payload, (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(ctx->lastEmitted.tabCount, 0);
    EXPECT_EQ(ctx->lastEmitted.tabPositions, nullptr);
    EXPECT_EQ(ctx->lastEmitted.tabTypes, nullptr);
    EXPECT_EQ(direct.Release(), 0);
}

TEST_F(FlushTest, TabArrayAllocationFailureLeavesNoArrays) {
    for (long failOffset : {1L, 2L}) {  // the positions array, then the types array
        SCOPED_TRACE(failOffset);
        SetTabs({720}, {0});
        ASSERT_EQ(mif::FlushPendingFormat(ctx), 1);
        SetTabs({720, 1440}, {0, 0});
        direct.host.allocator.failAt = direct.host.allocator.count + failOffset;
        ctx->formatDirty = 1;
        EXPECT_EQ(mif::FlushPendingFormat(ctx), 0);
        direct.host.allocator.failAt = -1;
        EXPECT_EQ(ctx->lastEmitted.tabCount, 0);
        EXPECT_EQ(ctx->lastEmitted.tabPositions, nullptr);
        EXPECT_EQ(ctx->lastEmitted.tabTypes, nullptr);
    }
    EXPECT_EQ(direct.Release(), 0);
}

TEST_F(FlushTest, NothingIsWrittenOutsideAReportedFlow) {
    ctx->current.fontSize = 14;
    std::strcpy(ctx->current.numberString, "1.");
    ctx->inBodyFlow = 0;
    ctx->formatDirty = 1;
    direct.ResetOutput();
    EXPECT_EQ(mif::FlushPendingFormat(ctx), 1);
    EXPECT_TRUE(direct.Written().empty());
    EXPECT_EQ(ctx->formatDirty, 1u);
    ctx->inBodyFlow = 1;
    EXPECT_EQ(Codes(Flush()), (std::vector<uint8_t>{MIF_TOKEN_FONT, MIF_TOKEN_TEXT}));
}

TEST_F(FlushTest, NumberStringIsConsumedByItsParagraph) {
    // Written once before the first text, not again before the second.
    std::strcpy(ctx->current.numberString, "2.");
    auto first = Flush();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].Text(), "2.");
    ctx->current.fontSize = 11;
    EXPECT_EQ(Codes(Flush()), std::vector<uint8_t>{MIF_TOKEN_FONT});

    // A number string of a paragraph with no reported text is dropped at
    // the paragraph's end instead of reaching the next paragraph.
    std::strcpy(ctx->current.numberString, "3.");
    ctx->inBodyFlow = 0;
    mif::StatementFrame para{};
    EXPECT_EQ(mif::HandlePara(ctx, &para), 1);
    ctx->inBodyFlow = 1;
    EXPECT_TRUE(Flush().empty());
}

}  // namespace
