#include <gtest/gtest.h>

#include "text/text.h"
#include "text_support.h"

namespace {

using texttest::DocumentWithLine;
using texttest::ReadBody;

struct CharCase {
    const char* name;
    std::vector<uint8_t> bytes;  // the tokens written for it, framing included
};

const std::vector<uint8_t> kNothing;
const std::vector<uint8_t> kTab = {3, 6, 0, 0, 0, 0};
const std::vector<uint8_t> kHardBreak = {14, 5, 0, 0, 0};
std::vector<uint8_t> OneByteText(uint8_t b) { return {0, 10, 0, 0, 0, 1, 0, 0, 0, b}; }

TEST(CharStatement, EveryNameOfTheTable) {
    const CharCase cases[] = {
        {"Tab", kTab},
        {"HardSpace", OneByteText(0x20)},
        {"SoftHyphen", kNothing},
        {"DiscHyphen", kNothing},
        {"NoHyphen", kNothing},
        {"Cent", OneByteText(0xA2)},
        {"Pound", OneByteText(0xA3)},
        {"Yen", OneByteText(0xA5)},
        {"EnDash", kNothing},
        {"EmDash", kNothing},
        {"Dagger", kNothing},
        {"DoubleDagger", kNothing},
        {"Bullet", kNothing},
        {"HardReturn", kHardBreak},
        {"NumberSpace", OneByteText(0x20)},
        {"ThinSpace", OneByteText(0x20)},
        {"EnSpace", OneByteText(0x20)},
        {"EmSpace", OneByteText(0x20)},
        // Exact, case-sensitive, whole-name matches only; the name is not unquoted.
        {"tab", kNothing},
        {"Hard", kNothing},
        {"HardReturns", kNothing},
        {"`Tab'", kNothing},
        {"Unknown", kNothing},
    };
    for (const CharCase& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t status = -1;
        long leaked = -1;
        // The Char stands between two strings so that its position is checked too.
        auto tokens =
            ReadBody(DocumentWithLine(std::string("<String `a'> <Char ") + c.name + "> <String `b'>"), &status, &leaked);
        EXPECT_EQ(status, MIF_STATUS_OK);
        EXPECT_EQ(leaked, 0);
        ASSERT_GE(tokens.size(), 4u);
        EXPECT_EQ(tokens.front().Text(), "a");
        std::vector<testhost::Token> middle(tokens.begin() + 1, tokens.end() - 3);
        EXPECT_EQ(texttest::Bytes(middle), c.bytes);
        EXPECT_EQ(tokens[tokens.size() - 3].Text(), "b");

        // Never anything in a flow that is not reported.
        EXPECT_TRUE(ReadBody(DocumentWithLine(std::string("<Char ") + c.name + ">", 9)).empty());
    }
}

TEST(CharStatement, SectionsWriteNothingAndKeepFormatsPending) {
    texttest::DirectContext direct;
    mif::ReaderContext* ctx = direct.ctx;
    uint32_t* flags[] = {&ctx->inPage, &ctx->inAFrames, &ctx->inTbls, &ctx->inTblFormat, &ctx->inNotes};
    ctx->current.fontSize = 10;
    ctx->formatDirty = 1;
    ctx->inBodyFlow = 1;
    for (uint32_t* flag : flags) {
        *flag = 1;
        texttest::ValueFrame value("Tab");
        EXPECT_EQ(mif::HandleChar(ctx, &value.frame), 1);
        *flag = 0;
    }
    EXPECT_TRUE(direct.Written().empty());
    EXPECT_EQ(ctx->formatDirty, 1u);

    // Outside a reported flow: nothing written, still pending.
    ctx->inBodyFlow = 0;
    texttest::ValueFrame tab("Tab");
    EXPECT_EQ(mif::HandleChar(ctx, &tab.frame), 1);
    EXPECT_TRUE(direct.Written().empty());
    EXPECT_EQ(ctx->formatDirty, 1u);

    // In the flow the pending font comes first, then the character.
    ctx->inBodyFlow = 1;
    texttest::ValueFrame again("Tab");
    EXPECT_EQ(mif::HandleChar(ctx, &again.frame), 1);
    EXPECT_EQ(texttest::Codes(direct.Tokens()),
              (std::vector<uint8_t>{MIF_TOKEN_PARA_FORMAT, MIF_TOKEN_FONT, MIF_TOKEN_TAB}));
    EXPECT_EQ(ctx->formatDirty, 0u);
}

TEST(CharStatement, MissingValueFailsAndEmptyNameWritesNothing) {
    texttest::DirectContext direct;
    direct.ctx->inBodyFlow = 1;
    mif::StatementFrame container{};
    EXPECT_EQ(mif::HandleChar(direct.ctx, &container), 0);

    int32_t status = -1;
    auto tokens = ReadBody(DocumentWithLine("<Char >"), &status);
    EXPECT_EQ(status, MIF_STATUS_OK);
    EXPECT_EQ(texttest::Codes(tokens), (std::vector<uint8_t>{MIF_TOKEN_LINE_BREAK, MIF_TOKEN_PARA_START}));
}

}  // namespace
