#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scanner/statement_stack.h"
#include "support/test_host.h"

namespace {

using mif::Keyword;

// The lookup reads whole words past a keyword's end, as it does in the
// window's slack: give it a padded copy.
Keyword Lookup(const std::string& word) {
    std::string padded = word + std::string(16, '\0');
    return mif::LookupKeyword(padded.data(), static_cast<uint32_t>(word.size()));
}

// The table searched word by word.
Keyword Expected(const std::string& word) {
    for (int k = 0; k < mif::kKeywordCount; ++k) {
        if (word == mif::kKeywordTable[k].text) return static_cast<Keyword>(k);
    }
    return Keyword::Unknown;
}

TEST(KeywordLookup, FindsEveryKeywordAndNoNearMiss) {
    for (int k = 0; k < mif::kKeywordCount; ++k) {
        const std::string word = mif::kKeywordTable[k].text;
        ASSERT_EQ(Lookup(word), static_cast<Keyword>(k)) << word;
        // Each byte's case changed in turn, one byte more, one byte less.
        std::vector<std::string> nearMisses{word + "A", word + "s", word.substr(0, word.size() - 1)};
        for (size_t i = 0; i < word.size(); ++i) {
            nearMisses.push_back(word);
            nearMisses.back()[i] = static_cast<char>(word[i] ^ 0x20);
        }
        for (const std::string& miss : nearMisses) EXPECT_EQ(Lookup(miss), Expected(miss)) << miss;
        // Words that share a long keyword's length and first eight bytes
        // differ from it only in the rest, which the lookup must compare too.
        std::mt19937 random(k);
        for (int i = 0; word.size() > 8 && i < 4000; ++i) {
            std::string other = word;
            for (size_t j = 8; j < other.size(); ++j) other[j] = static_cast<char>('a' + random() % 26);
            EXPECT_EQ(Lookup(other), Expected(other)) << other;
        }
    }
    EXPECT_EQ(Lookup(""), Keyword::Unknown);
    EXPECT_EQ(Lookup("TblColumnWidthAB"), Keyword::Unknown);
    EXPECT_EQ(mif::kKeywordTable[static_cast<int>(Lookup("FUnderline"))].handler,
              mif::kKeywordTable[static_cast<int>(Lookup("FUnderlining"))].handler);
}

TEST(StatementStack, FramesAreReusedAndARefusedBlockPushesNothing) {
    testhost::Reading r("<MIFFile 5.00>\n", 0);
    ASSERT_NE(r.ctx, nullptr);
    mif::ReaderContext* ctx = r.ctx;
    mifhost::Allocator& allocator = r.host.allocator;
    auto nest = [&](int depth) {
        for (int i = 0; i < depth; ++i) ASSERT_EQ(mif::PushStatement(ctx, Keyword::Unknown, &mif::HandleDefault, nullptr), 1);
        for (int i = 0; i < depth; ++i) ASSERT_EQ(mif::PopStatement(ctx, 1), 1);
    };
    nest(100);
    const uint64_t taken = allocator.stats().allocations;
    nest(100);
    EXPECT_EQ(allocator.stats().allocations, taken) << "closed statements give their frames back";

    allocator.FailAt(taken + 1);
    nest(100);
    EXPECT_EQ(mif::PushStatement(ctx, Keyword::Unknown, &mif::HandleDefault, nullptr), 1) << "frames left over are still free";
    while (ctx->freeFrames != nullptr) ASSERT_EQ(mif::PushStatement(ctx, Keyword::Page, &mif::HandleDefault, nullptr), 1);
    ctx->inPage = 0;
    mif::StatementFrame* top = ctx->topFrame;
    EXPECT_EQ(mif::PushStatement(ctx, Keyword::Page, &mif::HandleDefault, nullptr), 0);
    EXPECT_EQ(ctx->topFrame, top);
    EXPECT_EQ(ctx->inPage, 0u) << "no flag is raised for a statement that was not pushed";
}

TEST(StatementValue, DropsBackquoteAndClosingQuote) {
    struct Case {
        std::string input;  // the value bytes between the delimiter and '>'
        const char* expected;
    } cases[] = {{"`Body'", "Body"}, {"12.0 pt", "12.0 pt"}, {"`'", ""}, {"`", ""}, {"'", ""}, {"`It''", "It'"}};
    for (const Case& c : cases) {
        std::string buffer = c.input + ">";
        mif::StatementFrame frame{};
        frame.valueStart = buffer.data();
        frame.valueEnd = buffer.data() + c.input.size() - 1;
        const char* value = mif::StatementValue(&frame);
        ASSERT_NE(value, nullptr) << c.input;
        EXPECT_STREQ(value, c.expected) << c.input;
    }
    mif::StatementFrame empty{};
    EXPECT_EQ(mif::StatementValue(&empty), nullptr);
}

}  // namespace
