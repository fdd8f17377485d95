#include <gtest/gtest.h>

#include <set>
#include <string>

#include "scanner/keywords.h"
#include "support/test_host.h"

namespace {

class KeywordIndex : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = host_.Open("<MIFFile 5.00>\n");
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override {
        mifFreeContext(ctx_);
        EXPECT_EQ(host_.allocator.live, 0);
    }
    testhost::TestHost host_;
    mif::ReaderContext* ctx_ = nullptr;
};

TEST_F(KeywordIndex, EveryRowIsFoundWithItsOwnHandler) {
    std::set<std::string> seen;
    for (const mif::KeywordRow& row : mif::kKeywordTable) {
        EXPECT_TRUE(seen.insert(row.keyword).second) << "duplicate keyword " << row.keyword;
        EXPECT_LT(std::string(row.keyword).size(), 32u);
        EXPECT_EQ(mif::LookupKeyword(ctx_, row.keyword), row.handler) << row.keyword;
    }
    EXPECT_EQ(seen.size(), 79u);
}

TEST_F(KeywordIndex, HashSpreadsTheTableOverFortyBucketsAtMostFourDeep) {
    int used = 0;
    int deepest = 0;
    int nodes = 0;
    for (const mif::KeywordNode* head : ctx_->keywordBuckets) {
        int depth = 0;
        for (const mif::KeywordNode* n = head; n != nullptr; n = n->next) ++depth;
        nodes += depth;
        if (depth > 0) ++used;
        deepest = std::max(deepest, depth);
    }
    EXPECT_EQ(nodes, 79);
    EXPECT_EQ(used, 40);
    EXPECT_EQ(deepest, 4);
}

TEST_F(KeywordIndex, NearMissesGetTheDefaultHandlerAndUnderlineSpellingsShareOne) {
    for (const char* word : {"Paragraph", "string", "Strin", "Strings", "TblColumnWidthB", "", "FUnder"}) {
        EXPECT_EQ(mif::LookupKeyword(ctx_, word), &mif::HandleDefault) << word;
    }
    EXPECT_EQ(mif::LookupKeyword(ctx_, "FUnderline"), mif::LookupKeyword(ctx_, "FUnderlining"));
}

TEST(KeywordIndexMemory, FailingNodeAllocationMakesInitFailWithoutLeak) {
    // The context is allocation 1; the 79 index nodes follow.
    for (long failAt : {2L, 40L, 80L}) {
        testhost::TestHost host;
        host.allocator.failAt = failAt;
        uint32_t flag = 0;
        void* ctx = mifAllocateContext(&host, nullptr, &flag, host.Services(), 0);
        ASSERT_NE(ctx, nullptr);
        host.stream.data = "<MIFFile 5.00>\n";
        EXPECT_EQ(mifInitDoc(ctx, nullptr, 15, host.StreamBlock()), MIF_STATUS_SETUP_FAILED) << failAt;
        EXPECT_EQ(mifFreeContext(ctx), MIF_STATUS_OK);
        EXPECT_EQ(host.allocator.live, 0) << failAt;
    }
}

// Statement frames and section flags, observed on a live context.
class StatementStack : public KeywordIndex {};

TEST_F(StatementStack, PushRaisesSectionFlagAfterChoosingTheHandler) {
    ASSERT_EQ(mif::PushStatement(ctx_, "Pgf", nullptr), 1);
    EXPECT_EQ(ctx_->topFrame->handler, mif::LookupKeyword(ctx_, "Pgf"));
    EXPECT_EQ(ctx_->inPgf, 1u);
    ctx_->recordingPgf = 1;
    ASSERT_EQ(mif::PushStatement(ctx_, "PgfAlignment", nullptr), 1);
    EXPECT_NE(ctx_->topFrame->handler, mif::LookupKeyword(ctx_, "PgfAlignment"));
    ASSERT_EQ(mif::PushStatement(ctx_, "TabStop", nullptr), 1);
    EXPECT_EQ(ctx_->topFrame->handler, mif::LookupKeyword(ctx_, "TabStop"));
    EXPECT_EQ(mif::PopStatement(ctx_, 0), 1);
    EXPECT_EQ(mif::PopStatement(ctx_, 0), 1);
    EXPECT_EQ(mif::PopStatement(ctx_, 0), 1);
    EXPECT_EQ(ctx_->topFrame, nullptr);
    EXPECT_EQ(mif::PopStatement(ctx_, 1), 1) << "a '>' with nothing open succeeds";
}

TEST_F(StatementStack, ValueRuleDropsBackquoteAndClosingQuote) {
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
